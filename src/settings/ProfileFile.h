#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::settings {

/// A Windows profile file ("[Section]" headers, "key=value" lines) held as Windows-1250 bytes. The API speaks
/// UTF-8 and converts at the boundary, so [Download] "Připojit" is found and written as the byte 0xF8.
///
/// Reading follows the classic profile rules: section and key names are compared without regard to letter case
/// (in the code page), only the first section of a name is consulted and the first matching key in it wins, names
/// and values are trimmed of spaces and tabs, and one pair of matching quotes around a value is removed. Comment
/// lines (';') and lines without '=' are ignored for lookup but kept on write.
class ProfileFile final {
public:
    /// Accepts CR LF and LF line ends; a UTF-8 byte order mark at the start is kept aside and written back.
    static ProfileFile parse(std::string_view bytes);

    std::optional<std::string> readString(std::string_view section, std::string_view key) const;
    /// Replaces the key's line in place, else inserts it after the last key line of the section, else appends the
    /// section and the key at the end. The line is written with the caller's spelling of the key; a line break in
    /// the value would split the line, so the value is cut there.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    /// Every line ends with CR LF.
    std::string serialize() const;

private:
    struct SectionRange {
        std::size_t header; ///< index of the "[Section]" line
        std::size_t end;    ///< index of the next header, or the line count
    };
    /// The first section of that name (Windows-1250 bytes).
    std::optional<SectionRange> findSection(std::string_view name) const;

    std::string bom_;
    std::vector<std::string> lines_; ///< without their line ends
};

} // namespace qv::settings
