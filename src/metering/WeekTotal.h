#pragma once

#include "statistics/StatisticsRecord.h"
#include "statistics/UsageTotals.h"

namespace qv::metering {

/// Megabytes of all users over the last six days plus today, per band and direction, from the statistics file.
using WeekTotalsMB = statistics::UsageTotals;

/// The floating window's "M.6+dnes" figure in GB: the stored week plus the running record's bytes (none when
/// `running` is null), with band-2 traffic counted at one fifth.
double recalculatedWeekGB(const WeekTotalsMB& week, const statistics::StatisticsRecord* running);

} // namespace qv::metering
