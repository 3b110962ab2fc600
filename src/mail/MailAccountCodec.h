#pragma once

#include "mail/MailAccount.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv::mail {

/// The on-disk form of an account: 324 bytes, four length-prefixed Windows-1250 texts at fixed offsets (server,
/// user and password of up to 100 characters, the port of up to 20). Bytes past a text's length are zeros when
/// written and ignored when read.
inline constexpr std::size_t kAccountRecordSize = 324;
inline constexpr std::size_t kMaxTextChars = 100;
inline constexpr std::size_t kMaxPortChars = 20;
/// The record count is held in 8 bits.
inline constexpr std::size_t kMaxAccounts = 255;

/// Writes the record's 324 bytes at `out`. Each text is converted to Windows-1250 (a character the code page lacks
/// becomes '?') and then cut to its field's capacity, so a cut never splits a character.
void encodeAccount(const MailAccount& account, char* out);
std::string encodeAccount(const MailAccount& account);
/// Reads 324 bytes at `in`. A length byte above the field's capacity reads as the capacity.
MailAccount decodeAccount(const char* in);

/// The accounts of a file's clear content: size / 324 records, trailing bytes ignored, at most the first 255.
std::vector<MailAccount> decodeAccounts(std::string_view bytes);
/// The clear content of a file of these accounts, at most the first 255.
std::string encodeAccounts(const std::vector<MailAccount>& accounts);

} // namespace qv::mail
