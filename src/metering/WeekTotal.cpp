#include "metering/WeekTotal.h"

namespace qv::metering {

namespace {
constexpr double kBand2Weight = 0.2;
} // namespace

double recalculatedWeekGB(const WeekTotalsMB& week, const statistics::StatisticsRecord* running) {
    double gb = (week.Down1 + week.Up1 + kBand2Weight * (week.Down2 + week.Up2)) / 1000.0;
    if (running)
        gb += (running->Down1 + running->Up1 + kBand2Weight * (running->Down2 + running->Up2)) / 1e9;
    return gb;
}

} // namespace qv::metering
