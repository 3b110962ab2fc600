#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::settings {

/// A Windows profile file ("[Section]" headers, "key=value" lines). The API speaks UTF-8 and converts at the
/// boundary. The file is normally Windows-1250, so [Download] "Připojit" is found and written as the byte 0xF8; a
/// file that starts with a UTF-8 or a UTF-16LE byte order mark (the forms a text editor saves and the Windows
/// profile functions also read) is read in that encoding and written back in it, mark included.
///
/// Reading follows the classic profile rules: section and key names are compared without regard to letter case
/// (of the code page's letters; in a Unicode file other characters must match exactly), only the first section of
/// a name is consulted and the first matching key in it wins, names and values are trimmed of blanks, and one pair
/// of matching quotes around a value is removed. Comment lines (';') and lines without '=' are ignored for lookup
/// but kept on write. Blanks are space, tab, CR, VT, FF and Ctrl-Z (0x1A): a stray CR of a doubled line end, or a
/// DOS end-of-file mark, never becomes part of a value.
class ProfileFile final {
public:
    /// Lines end at LF, CR LF, CR CR LF or a lone CR. Never fails: broken UTF-16 (an odd byte count, an unpaired
    /// surrogate) reads as far as it can, an unpaired surrogate as U+FFFD.
    static ProfileFile parse(std::string_view bytes);

    std::optional<std::string> readString(std::string_view section, std::string_view key) const;
    /// Replaces the key's line in place, else inserts it after the last key line of the section, else appends the
    /// section and the key at the end. The line is written with the caller's spelling of the key; a line break in
    /// the value would split the line, so the value is cut there. In a Windows-1250 file a character the code page
    /// lacks becomes '?'.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    /// The file in its own encoding and byte order mark. Every line the writes did not replace comes back byte for
    /// byte, line end included: a rewrite of one key must not touch what a person or another program wrote, and
    /// every line end above reads back the same. New lines take the file's own kind of line end (that of its first
    /// line: CR LF, LF or CR; CR LF for a file without one). A trailing Ctrl-Z stays the last byte.
    std::string serialize() const;

private:
    enum class Encoding { Cp1250, Utf8Bom, Utf16LeBom };
    struct Line {
        std::string text; ///< in the file's encoding (Windows-1250 bytes, or UTF-8 for both Unicode forms)
        std::string end;  ///< the line end as read; empty only for a last line without one
    };
    struct SectionRange {
        std::size_t header; ///< index of the "[Section]" line
        std::size_t end;    ///< index of the next header, or the line count
    };
    /// The first section of that name (already in the file's encoding).
    std::optional<SectionRange> findSection(std::string_view name) const;
    bool sameName(std::string_view a, std::string_view b) const;
    std::string toFileText(std::string_view utf8) const;
    std::string toUtf8(std::string_view fileText) const;
    void insertLine(std::size_t at, std::string text);

    Encoding encoding_ = Encoding::Cp1250;
    std::vector<Line> lines_;
    std::string newLine_ = "\r\n";
    std::string endOfFileMark_; ///< the Ctrl-Z bytes that ended the file
};

} // namespace qv::settings
