#pragma once

#include "statistics/StatisticsRecord.h"

#include <cstdint>

namespace qv::metering {

/// The byte counts of the current connection, shared by the metering sources (interface counters, packet
/// capture), the per-second display and the disconnect rules. The byte counters are 32-bit and wrap, as the
/// totals shown are meant to; the running statistics record keeps the exact sums. UI thread only.
struct ConnectionCounters {
    std::uint32_t connDownBytes = 0; ///< received in this connection, modulo 2^32
    std::uint32_t connUpBytes = 0;   ///< sent in this connection, modulo 2^32
    std::uint32_t lastDownBytes = 0; ///< connDownBytes at the previous display tick
    std::uint32_t lastUpBytes = 0;
    double downBytesPerSec = 0; ///< bytes received between the last two display ticks
    double upBytesPerSec = 0;
    double connMB = 0; ///< (lastDownBytes + lastUpBytes, 32-bit sum) / 1 000 000

    /// Books bytes moved now, in tariff band `band` (1 or 2), into the running record's byte fields (when there is
    /// a running record) and into the connection's counters.
    void book(statistics::StatisticsRecord* running, int band, std::uint32_t downBytes, std::uint32_t upBytes);

    /// The display tick's step: the speeds since the previous tick, the new "last" values and connMB.
    void takeTickSample();

    /// Back to the state of a new connection.
    void clear() { *this = ConnectionCounters{}; }
};

} // namespace qv::metering
