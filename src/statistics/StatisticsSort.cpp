#include "statistics/StatisticsSort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string_view>

namespace qv::statistics {

namespace {

/// Byte by byte as unsigned codes, then the shorter first.
bool nameLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

double numericKey(const StatisticsRecord& r, int column) {
    switch (column) {
    case 1:
        return r.Datum;
    case 2:
        return r.Od;
    case 3:
        return r.Do;
    case 4:
        return r.Down1;
    case 5:
        return r.Up1;
    case 6:
        return r.Down2;
    default:
        return r.Up2;
    }
}

std::vector<StatisticsRecord> permuted(std::vector<StatisticsRecord>& records,
                                       const std::vector<std::uint32_t>& order) {
    std::vector<StatisticsRecord> out;
    out.reserve(records.size());
    for (std::uint32_t i : order)
        out.push_back(std::move(records[i]));
    return out;
}

} // namespace

std::vector<StatisticsRecord> sortedByColumn(std::vector<StatisticsRecord> records, int column, bool ascending) {
    std::vector<std::uint32_t> order(records.size());
    std::iota(order.begin(), order.end(), 0u);
    if (column == 0) {
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return ascending ? nameLess(records[a].Jmeno, records[b].Jmeno)
                             : nameLess(records[b].Jmeno, records[a].Jmeno);
        });
        return permuted(records, order);
    }
    std::vector<double> keys(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        keys[i] = numericKey(records[i], column);
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        return ascending ? keys[a] < keys[b] : keys[b] < keys[a];
    };
    // Runs between keys that compare with nothing are sorted apart; those keys stay in place.
    auto runStart = order.begin();
    for (auto it = order.begin(); it != order.end(); ++it) {
        if (std::isnan(keys[*it])) {
            std::stable_sort(runStart, it, less);
            runStart = std::next(it);
        }
    }
    std::stable_sort(runStart, order.end(), less);
    return permuted(records, order);
}

} // namespace qv::statistics
