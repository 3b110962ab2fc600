#pragma once

#include "statistics/StatisticsRecord.h"

#include <vector>

namespace qv::statistics {

/// The records in the order the statistics window's sort gives them: by the key of grid column `column` (0 the
/// name, byte by byte as Windows-1250 codes and then by length; 1 … 7 Datum, Od, Do, Down1, Up1, Down2, Up2 as
/// numbers), ascending or descending, records with equal keys keeping their order.
///
/// The order is exactly that of an adjacent-swap pass repeated N - 1 times which swaps a pair only when it is
/// strictly out of order. Such a pass never moves a key that compares with nothing (a NaN read from a damaged
/// file): it stays where it is and the records on either side of it are sorted apart. Here the same order comes
/// from a stable sort of each run between such keys, in O(N log N).
std::vector<StatisticsRecord> sortedByColumn(std::vector<StatisticsRecord> records, int column, bool ascending);

} // namespace qv::statistics
