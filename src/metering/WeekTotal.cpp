#include "metering/WeekTotal.h"

namespace qv::metering {

double recalculatedWeekGB(const WeekTotalsMB& week, const statistics::StatisticsRecord* running) {
    double gb = week.recalculatedTotal() / 1000.0;
    if (running) {
        // The running record holds bytes; the same band weight applies.
        const statistics::UsageTotals bytes{running->Down1, running->Up1, running->Down2, running->Up2};
        gb += bytes.recalculatedTotal() / 1e9;
    }
    return gb;
}

} // namespace qv::metering
