#include "statistics/StatisticsFile.h"

#include "statistics/LocalMoment.h"
#include "statistics/StatisticsCodec.h"
#include "statistics/StatisticsTags.h"

namespace qv::statistics {

StatisticsFile::StatisticsFile(platform::FileSystem& fs, const Clock& clock, shell::Logs& logs,
                               const settings::SettingsRecord& settings, std::string path)
    : fs_(fs), clock_(clock), logs_(logs), settings_(settings), path_(std::move(path)) {}

bool StatisticsFile::exists() const {
    return fs_.exists(path_);
}

std::string StatisticsFile::readWholeRecords() const {
    if (!fs_.exists(path_))
        return {};
    std::optional<std::string> bytes = fs_.readAll(path_);
    // Taking an unreadable file for an empty one would overwrite every record at the next write.
    if (!bytes)
        throw StatisticsFileError("cannot read " + path_);
    bytes->resize(bytes->size() / kRecordSize * kRecordSize);
    return std::move(*bytes);
}

void StatisticsFile::replace(std::string_view bytes) {
    if (!fs_.writeAtomic(path_, bytes))
        throw StatisticsFileError("cannot write " + path_);
}

std::vector<StatisticsRecord> StatisticsFile::LoadStatistics() const {
    return decodeFile(readWholeRecords());
}

void StatisticsFile::appendRecord(const StatisticsRecord& record) {
    // The existing records are carried over as they are on disk; only the new one is encoded.
    std::string bytes = readWholeRecords();
    bytes.reserve(bytes.size() + kRecordSize);
    bytes += encodeRecord(record);
    replace(bytes);
}

void StatisticsFile::PurgeStatistics() {
    logs_.guarded(tags::kPurge, [&] {
        if (!fs_.exists(path_))
            return;
        const std::string bytes = readWholeRecords();
        // Subtracting days is the same as counting back through the day of the year into the previous year.
        const double cutoff = localMoment(clock_.now()).day - static_cast<int>(settings_.purgeAgeDays);
        std::string kept;
        kept.reserve(bytes.size());
        for (std::size_t at = 0; at < bytes.size(); at += kRecordSize) {
            if (!(decodeDatum(bytes.data() + at) < cutoff))
                kept.append(bytes, at, kRecordSize);
        }
        if (kept.size() != bytes.size())
            replace(kept);
    });
}

FormatCheck StatisticsFile::checkFormat() const {
    using R = FormatCheck::Result;
    if (!fs_.exists(path_))
        return {R::Missing};
    const std::optional<std::string> bytes = fs_.readAll(path_);
    if (!bytes)
        return {R::Unreadable};
    if (bytes->empty())
        return {R::Empty};
    if (bytes->size() < kRecordSize)
        return {R::TooShort};
    const std::uint16_t tag = decodeRecord(bytes->data()).formatTag;
    if (tag != StatisticsRecord::kFormatTag)
        return {R::ForeignTag, tag};
    return {R::Valid};
}

void StatisticsFile::CheckStatisticsFormat() {
    if (checkFormat().foreign())
        fs_.remove(path_);
}

} // namespace qv::statistics
