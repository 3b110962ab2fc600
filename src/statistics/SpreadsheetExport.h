#pragma once

#include "common/LocaleFormats.h"
#include "platform/FileSystem.h"
#include "statistics/StatisticsRecord.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv::statistics {

/// The export file could not be written.
class SpreadsheetWriteError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The statistics export as a SYLK file: the bold header row "Uživatel" … "2. Upload MB", then one regular row per
/// record in the order given, every cell centred text as the grid shows it (megabytes without unit), Arial CE 10,
/// columns 18 characters wide.
std::string statisticsSpreadsheet(const std::vector<StatisticsRecord>& records, const LocaleFormats& locale);

/// The temporary file an export is built in: the target with its extension (or, without one, its name) followed
/// by ".$$$".
std::string temporaryExportPath(const std::string& target);

/// Writes the file under `target` (replacing whatever is there) by way of the temporary file beside it, which is
/// then moved into place. Throws SpreadsheetWriteError; a failed move leaves the temporary file behind.
void writeSpreadsheetFile(platform::FileSystem& fs, const std::string& target, std::string_view bytes);

} // namespace qv::statistics
