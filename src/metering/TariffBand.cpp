#include "metering/TariffBand.h"

#include "common/OleDate.h"

#include <cmath>
#include <cstdint>

namespace qv::metering {

namespace {
constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kDayBandFirstMs = 8 * 3'600'000;
constexpr std::int64_t kDayBandLastMs = kMsPerDay - 1000; // 23:59:59.000
} // namespace

int TariffBandOf(double timeOfDay) {
    // Compared in whole milliseconds, the clock's resolution: eight o'clock built from a date and a time may come
    // out a hair below 8/24 as a double and must still be the day band.
    const std::int64_t ms = std::llround(oleTimePart(timeOfDay) * static_cast<double>(kMsPerDay));
    return ms >= kDayBandFirstMs && ms <= kDayBandLastMs ? 1 : 2;
}

} // namespace qv::metering
