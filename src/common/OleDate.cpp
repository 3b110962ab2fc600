#include "common/OleDate.h"

#include <cmath>
#include <cstdint>

namespace qv {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days since 1 January 1970 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Ymd {
    int year;
    int month;
    int day;
};

constexpr Ymd civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kOleEpoch = daysFromCivil(1899, 12, 30);

// Far past any date the program meets (year 9999 is day 2 958 465); keeps the integer conversions defined.
constexpr double kMaxDays = 1e8;

struct Split {
    std::int64_t day; // calendar day number, 0 = 30 December 1899
    std::int64_t ms;  // 0 … 86 399 999
};

Split split(double ole) {
    if (!std::isfinite(ole) || std::fabs(ole) > kMaxDays)
        return {0, 0};
    const double whole = std::trunc(ole);
    auto day = static_cast<std::int64_t>(whole);
    auto ms = std::llround(std::fabs(ole - whole) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) { // rounds up to the next midnight, on either side of the epoch
        ms = 0;
        ++day;
    }
    return {day, ms};
}

} // namespace

double oleFromCivil(const CivilDateTime& t) {
    const double date = oleFromDate(t.year, t.month, t.day);
    const double time = oleTimeOfDay(t.hour, t.minute, t.second, t.millisecond);
    return date < 0 ? date - time : date + time;
}

double oleFromDate(int year, int month, int day) {
    return static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                               kOleEpoch);
}

double oleTimeOfDay(int hour, int minute, int second, int millisecond) {
    const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

CivilDateTime civilFromOle(double ole) {
    const Split s = split(ole);
    const Ymd date = civilFromDays(s.day + kOleEpoch);
    CivilDateTime t;
    t.year = date.year;
    t.month = date.month;
    t.day = date.day;
    t.hour = static_cast<int>(s.ms / 3'600'000);
    t.minute = static_cast<int>(s.ms / 60'000 % 60);
    t.second = static_cast<int>(s.ms / 1000 % 60);
    t.millisecond = static_cast<int>(s.ms % 1000);
    return t;
}

int oleDatePart(double ole) {
    if (!std::isfinite(ole) || std::fabs(ole) > kMaxDays)
        return 0;
    return static_cast<int>(std::trunc(ole));
}

double oleTimePart(double ole) {
    if (!std::isfinite(ole))
        return 0;
    return std::fabs(ole - std::trunc(ole));
}

int oleSecondOfDay(double ole) {
    // A moment within half a second of midnight belongs to the next day's first second, as civilFromOle has it.
    const auto second = (split(ole).ms + 500) / 1000;
    return static_cast<int>(second % 86'400);
}

} // namespace qv
