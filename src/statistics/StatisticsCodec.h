#pragma once

#include "statistics/StatisticsRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv::statistics {

/// The on-disk form of a statistics record: 88 bytes, little-endian, fields at fixed offsets. Written byte by
/// byte so that the file is the same on every host; padding and unused name bytes are written as zeros.
inline constexpr std::size_t kRecordSize = 88;
inline constexpr std::size_t kMaxNameBytes = 25;

/// Writes the record's 88 bytes at `out`. A name longer than 25 bytes keeps its first 25.
void encodeRecord(const StatisticsRecord& record, char* out);
std::string encodeRecord(const StatisticsRecord& record);
/// Reads 88 bytes at `in`. The name length is clamped to 25; padding and name bytes past the length are ignored.
StatisticsRecord decodeRecord(const char* in);

/// The day of the record at `in` (offset 32), without decoding the rest.
double decodeDatum(const char* in);

/// Every whole record of a file's content, in order; trailing bytes that do not fill a record are ignored.
std::vector<StatisticsRecord> decodeFile(std::string_view bytes);
std::string encodeFile(const std::vector<StatisticsRecord>& records);

} // namespace qv::statistics
