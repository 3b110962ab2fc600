#pragma once

#include "common/Clock.h"
#include "platform/FileSystem.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "statistics/StatisticsRecord.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv::statistics {

/// The statistics file could not be read or replaced. Thrown out of a write path so that the handler's guard
/// reports it with the handler's tag and skips the rest of the handler.
class StatisticsFileError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// What the start-up check finds in the file, without changing it.
struct FormatCheck {
    enum class Result {
        Missing,    ///< no file: zero records
        Empty,      ///< a file of no bytes (a purge that removed every record leaves one): zero records
        Valid,      ///< the first record carries this program's tag
        Unreadable, ///< the file exists but cannot be read
        TooShort,   ///< not even one whole record
        ForeignTag, ///< the first record's tag is another format's
    };
    Result result = Result::Missing;
    std::uint16_t tag = 0; ///< the first record's tag, for ForeignTag

    /// Whether the program deletes such a file at start.
    bool foreign() const { return result != Result::Missing && result != Result::Valid; }
};

/// "Statistiky/Pripojeni.sts": fixed-size records with no header, in the order they were appended. The file is
/// only ever replaced as a whole, through the file system's atomic write, so a crash or a full disk during a
/// rewrite leaves the previous content whole; a temporary file left behind by a crash is never read (readers open
/// the exact path only). The directory is never created: with it missing every write fails and is reported.
/// UI thread only.
class StatisticsFile final {
public:
    StatisticsFile(platform::FileSystem& fs, const Clock& clock, shell::Logs& logs,
                   const settings::SettingsRecord& settings, std::string path);

    const std::string& path() const { return path_; }
    bool exists() const;

    /// Every whole record in file order; none when the file is missing. Throws StatisticsFileError when the file
    /// exists but cannot be read.
    std::vector<StatisticsRecord> LoadStatistics() const;

    /// Rewrites the file as its whole records followed by `record` (trailing bytes of a partial record are
    /// dropped; the existing records keep their bytes). Throws StatisticsFileError when the file cannot be read or
    /// replaced; the file is then as it was.
    void appendRecord(const StatisticsRecord& record);

    /// Removes the records dated before the day `purgeAgeDays` days before today and rewrites the file when at
    /// least one went. Failures are reported with the purge's tag. The caller decides whether purging is on.
    void PurgeStatistics();

    /// Looks at the first record only; never changes the file.
    FormatCheck checkFormat() const;
    /// Deletes the file when its first record cannot be read or does not carry this program's format tag (an empty
    /// file included). Nothing is reported: a file that cannot be checked or deleted is left for the next start.
    void CheckStatisticsFormat();

private:
    /// The bytes of the whole records; empty when the file is missing. Throws when it cannot be read.
    std::string readWholeRecords() const;
    void replace(std::string_view bytes);

    platform::FileSystem& fs_;
    const Clock& clock_;
    shell::Logs& logs_;
    const settings::SettingsRecord& settings_;
    std::string path_;
};

} // namespace qv::statistics
