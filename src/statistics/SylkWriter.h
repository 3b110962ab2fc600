#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qv::statistics {

/// A font of a SYLK file: face, size and style; colour 9 is the default colour.
struct SylkFont {
    static constexpr int kDefaultColor = 9;

    std::string face;
    int points = 10;
    bool strikeOut = false;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int color = kDefaultColor;

    bool operator==(const SylkFont&) const = default;
};

/// A SYLK spreadsheet as spreadsheet programs read it whatever the file's extension: the head block ("ID;PWXL;N;E",
/// 36 number formats, four default fonts), one font record per font used in order of first use and numbered from
/// 5 (the writer's default font, Courier New CE 10, is the first even when no cell uses it), the fixed sheet
/// records, the column widths, the cells, and "E". Every cell is a text value in number format 0 ("General"),
/// written as a format line and a value line. Text is Windows-1250; lines end with CR LF.
class SylkWriter final {
public:
    static constexpr int kFirstFontNumber = 5;

    SylkWriter();

    /// Width in characters of a column (numbered from 1).
    void setColumnWidth(int column, int width);
    /// A text cell (row and column numbered from 1) in `font`, aligned by `alignment` ('C' centred). `text` is
    /// Windows-1250 bytes.
    void addCell(int row, int column, std::string_view text, const SylkFont& font, char alignment = 'C');
    /// The whole file.
    std::string finish() const;

    /// A cell value as the file holds it: trailing blanks and line breaks removed, each ";" doubled, each line
    /// break (CR LF, CR or LF) written as ESC " :".
    static std::string escapeValue(std::string_view text);

private:
    int fontNumber(const SylkFont& font);

    std::vector<SylkFont> fonts_;
    std::map<int, int> widths_;
    std::string cells_;
};

} // namespace qv::statistics
