#pragma once

#include "statistics/StatisticsRecord.h"

namespace qv::metering {

/// Megabytes of all users over the last six days plus today, per band and direction, from the statistics file.
struct WeekTotalsMB {
    double Down1 = 0;
    double Up1 = 0;
    double Down2 = 0;
    double Up2 = 0;
};

/// The floating window's "M.6+dnes" figure in GB: the stored week plus the running record's bytes (none when
/// `running` is null), with band-2 traffic counted at one fifth.
double recalculatedWeekGB(const WeekTotalsMB& week, const statistics::StatisticsRecord* running);

} // namespace qv::metering
