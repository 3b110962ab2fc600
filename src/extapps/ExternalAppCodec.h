#pragma once

#include "extapps/ExternalAppRule.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv::extapps {

/// The on-disk form of a rule: 240 bytes, little-endian numbers, the path as a length byte and up to 200
/// Windows-1250 characters. Reserved bytes and bytes past the path's length are zeros when written and ignored
/// when read; the run-time flags are written as they are (the settings dialog writes them as 0).
inline constexpr std::size_t kRuleRecordSize = 240;
inline constexpr std::size_t kMaxPathChars = 200;
/// The rule count is held in 8 bits.
inline constexpr std::size_t kMaxRules = 255;

void encodeRule(const ExternalAppRule& rule, char* out);
std::string encodeRule(const ExternalAppRule& rule);
/// Reads 240 bytes at `in`. A length byte above 200 reads as 200.
ExternalAppRule decodeRule(const char* in);

/// The rules of a file: size / 240 records, trailing bytes ignored, at most the first 255.
std::vector<ExternalAppRule> decodeRules(std::string_view bytes);
std::string encodeRules(const std::vector<ExternalAppRule>& rules);

} // namespace qv::extapps
