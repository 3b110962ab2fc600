#include "statistics/SpreadsheetExport.h"

#include "common/Cp1250.h"
#include "statistics/StatisticsGrid.h"
#include "statistics/SylkWriter.h"

#include <array>

namespace qv::statistics {

namespace {

constexpr std::array<std::string_view, kGridColumnCount> kHeaders = {
    "Uživatel", "Datum", "Od", "Do", "1. Download MB", "1. Upload MB", "2. Download MB", "2. Upload MB",
};
constexpr int kColumnWidth = 18;

} // namespace

std::string statisticsSpreadsheet(const std::vector<StatisticsRecord>& records, const LocaleFormats& locale) {
    SylkWriter sheet;
    const SylkFont bold{.face = "Arial CE", .points = 10, .bold = true};
    const SylkFont regular{.face = "Arial CE", .points = 10};
    for (int c = 0; c < kGridColumnCount; ++c) {
        sheet.setColumnWidth(c + 1, kColumnWidth);
        sheet.addCell(1, c + 1, cp1250::fromUtf8(kHeaders[static_cast<std::size_t>(c)]), bold);
    }
    int row = 2;
    for (const StatisticsRecord& r : records) {
        // The name is already Windows-1250; the formatted cells are converted.
        sheet.addCell(row, 1, r.Jmeno, regular);
        for (int c = 1; c < kGridColumnCount; ++c)
            sheet.addCell(row, c + 1, cp1250::fromUtf8(cellText(r, c, locale)), regular);
        ++row;
    }
    return sheet.finish();
}

std::string temporaryExportPath(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::size_t dot = target.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? target.substr(0, dot) : target) + ".$$$";
}

void writeSpreadsheetFile(platform::FileSystem& fs, const std::string& target, std::string_view bytes) {
    const std::string temporary = temporaryExportPath(target);
    if (!fs.writeAtomic(temporary, bytes))
        throw SpreadsheetWriteError("cannot write " + temporary);
    if (temporary != target && !fs.rename(temporary, target))
        throw SpreadsheetWriteError("cannot move " + temporary + " to " + target);
}

} // namespace qv::statistics
