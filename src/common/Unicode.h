#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv::unicode {

/// The code point that starts at `i` in UTF-8 text, moving `i` past it. Nothing for a malformed sequence
/// (a stray or invalid byte, an overlong form, a surrogate, a code point past U+10FFFF, a sequence cut short); `i`
/// then stands after the lead byte and the continuation bytes that were still fine, so the offending byte starts
/// afresh.
std::optional<char32_t> nextUtf8(std::string_view utf8, std::size_t& i);
/// Appends one code point (not a surrogate) as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

/// UTF-16LE bytes, without byte order mark, to UTF-8. An unpaired surrogate becomes U+FFFD; an odd last byte, half
/// a code unit, is dropped.
std::string utf16leToUtf8(std::string_view bytes);
/// UTF-8 to UTF-16LE bytes without byte order mark. Each malformed sequence becomes U+FFFD.
std::string utf8ToUtf16le(std::string_view utf8);

} // namespace qv::unicode
