#include "statistics/SylkWriter.h"

#include "common/Cp1250.h"

#include <array>
#include <charconv>

namespace qv::statistics {

namespace {

constexpr std::string_view kEol = "\r\n";

// The number formats of a Czech spreadsheet installation, in its order. Cells use only the first. UTF-8 here,
// Windows-1250 in the file; a ";" inside a format is doubled when written.
constexpr std::array<std::string_view, 36> kNumberFormats = {
    "General",
    "0",
    "0.00",
    "#,##0",
    "#,##0.00",
    R"(#,##0\ "Kč";\-#,##0\ "Kč")",
    R"(#,##0\ "Kč";[Red]\-#,##0\ "Kč")",
    R"(#,##0.00\ "Kč";\-#,##0.00\ "Kč")",
    R"(#,##0.00\ "Kč";[Red]\-#,##0.00\ "Kč")",
    R"("$"#,##0_);\("$"#,##0\))",
    R"("$"#,##0_);[Red]\("$"#,##0\))",
    R"("$"#,##0.00_);\("$"#,##0.00\))",
    R"("$"#,##0.00_);[Red]\("$"#,##0.00\))",
    "0%",
    "0.00%",
    "0.00E+00",
    "##0.0E+0",
    R"(#\ ?/?)",
    R"(#\ ??/??)",
    "d.m.yyyy",
    R"(d\.mmmm\ yyyy)",
    R"(d\.mmm\.yy)",
    R"(d\.mmm)",
    R"(mmmm\ yy)",
    R"(h:mm\ AM/PM)",
    R"(h:mm:ss\ AM/PM)",
    "h:mm",
    "h:mm:ss",
    "d.m.yyyy h:mm",
    "mm:ss",
    "mm:ss.0",
    "@",
    "[h]:mm:ss",
    R"(_-* #,##0\ "Kč"_-;\-* #,##0\ "Kč"_-;_-* "-"\ "Kč"_-;_-@_-)",
    R"(_-* #,##0.00\ "Kč"_-;\-* #,##0.00\ "Kč"_-;_-* "-"??\ "Kč"_-;_-@_-)",
    "yyyy-mm-dd",
};

constexpr int kDefaultFontCount = 4;

void appendInt(std::string& out, int value) {
    char buf[16];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    out.append(buf, end);
}

std::string doubledSemicolons(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == ';')
            out += ';';
    }
    return out;
}

std::string fontRecord(const SylkFont& font) {
    std::string line = "P;E" + cp1250::fromUtf8(font.face) + ";M";
    appendInt(line, font.points * 20);
    if (font.strikeOut || font.bold || font.italic || font.underline) {
        line += ";S";
        line += font.strikeOut ? "S" : "";
        line += font.bold ? "B" : "";
        line += font.italic ? "I" : "";
        line += font.underline ? "U" : "";
    }
    line += ";L";
    appendInt(line, font.color);
    return line;
}

} // namespace

SylkWriter::SylkWriter() {
    fonts_.push_back({"Courier New CE", 10});
}

int SylkWriter::fontNumber(const SylkFont& font) {
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i] == font)
            return kFirstFontNumber + static_cast<int>(i);
    fonts_.push_back(font);
    return kFirstFontNumber + static_cast<int>(fonts_.size()) - 1;
}

void SylkWriter::setColumnWidth(int column, int width) {
    widths_[column] = width;
}

std::string SylkWriter::escapeValue(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ';') {
            out += ";;";
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\x1B :";
        } else {
            out += c;
        }
    }
    return out;
}

void SylkWriter::addCell(int row, int column, std::string_view text, const SylkFont& font, char alignment) {
    const int fontNo = fontNumber(font);
    std::string& out = cells_;
    out += "F;P0;FG0";
    out += alignment;
    out += ";SM";
    appendInt(out, fontNo);
    out += ";Y";
    appendInt(out, row);
    out += ";X";
    appendInt(out, column);
    out += ' ';
    out += kEol;
    out += "C;Y";
    appendInt(out, row);
    out += ";X";
    appendInt(out, column);
    out += ";K\"";
    out += escapeValue(text);
    out += '"';
    out += kEol;
}

std::string SylkWriter::finish() const {
    std::string out;
    const auto line = [&](std::string_view text) {
        out += text;
        out += kEol;
    };
    line("ID;PWXL;N;E");
    for (std::string_view format : kNumberFormats)
        line("P;P" + doubledSemicolons(cp1250::fromUtf8(format)));
    for (int i = 0; i < kDefaultFontCount; ++i)
        line("P;FArial CE;M200");
    for (const SylkFont& font : fonts_)
        line(fontRecord(font));
    line("F;P0;DG0G8;M255");
    line("B;Y1;X1;D0 0 0 0");
    line("O;D;V0;K47;G100 0.001");
    for (const auto& [column, width] : widths_) {
        std::string w = "F;W";
        appendInt(w, column);
        w += ' ';
        appendInt(w, column);
        w += ' ';
        appendInt(w, width);
        line(w);
    }
    out.reserve(out.size() + cells_.size() + 3);
    out += cells_;
    line("E");
    return out;
}

} // namespace qv::statistics
