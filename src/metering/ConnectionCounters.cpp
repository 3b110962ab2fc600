#include "metering/ConnectionCounters.h"

namespace qv::metering {

void ConnectionCounters::book(statistics::StatisticsRecord* running, int band, std::uint32_t downBytes,
                              std::uint32_t upBytes) {
    if (running) {
        (band == 1 ? running->Down1 : running->Down2) += downBytes;
        (band == 1 ? running->Up1 : running->Up2) += upBytes;
    }
    connDownBytes += downBytes;
    connUpBytes += upBytes;
}

void ConnectionCounters::takeTickSample() {
    // Unsigned differences keep the speeds right across a wrap of the totals.
    downBytesPerSec = static_cast<std::uint32_t>(connDownBytes - lastDownBytes);
    upBytesPerSec = static_cast<std::uint32_t>(connUpBytes - lastUpBytes);
    lastDownBytes = connDownBytes;
    lastUpBytes = connUpBytes;
    connMB = static_cast<std::uint32_t>(lastDownBytes + lastUpBytes) / 1'000'000.0;
}

} // namespace qv::metering
