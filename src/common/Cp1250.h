#pragma once

#include <string>
#include <string_view>

namespace qv::cp1250 {

/// UTF-8 text to Windows-1250 bytes. Characters the code page lacks, and malformed UTF-8, become '?'.
std::string fromUtf8(std::string_view utf8);
/// Windows-1250 bytes to UTF-8. Every byte maps (the five unassigned bytes to the C1 controls of the same value),
/// so fromUtf8(toUtf8(b)) == b for every byte string b.
std::string toUtf8(std::string_view bytes);
/// Case folding of one Windows-1250 byte to its lower-case letter (ASCII and the code page's accented letters).
unsigned char foldCase(unsigned char byte);
/// Case-insensitive equality of two Windows-1250 byte strings.
bool equalsIgnoreCase(std::string_view a, std::string_view b);
/// The same for two UTF-8 strings: the code page's letters fold as above, any other character (and any malformed
/// byte) must match exactly.
bool equalsIgnoreCaseUtf8(std::string_view a, std::string_view b);

} // namespace qv::cp1250
