#pragma once

#include <cstdint>
#include <string>

namespace qv::statistics {

/// One connection piece of the statistics file (88 bytes on disk, see StatisticsCodec). In the file the four
/// traffic fields hold megabytes; in the running record `currentConnRecord` they hold bytes.
struct StatisticsRecord {
    static constexpr std::uint16_t kFormatTag = 120;

    std::uint16_t formatTag = kFormatTag;
    std::string Jmeno; ///< user name as Windows-1250 bytes, at most 25
    double Datum = 0;  ///< day of the piece's start (whole OLE day count)
    double Od = 0;     ///< start time of day (fraction)
    double Do = 0;     ///< end time of day (fraction); smaller than Od for a piece cut at midnight
    double Down1 = 0;
    double Up1 = 0;
    double Up2 = 0;
    double Down2 = 0;

    bool operator==(const StatisticsRecord&) const = default;
};

} // namespace qv::statistics
