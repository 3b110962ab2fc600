#pragma once

namespace qv {

/// A local calendar moment, broken down.
struct CivilDateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    bool operator==(const CivilDateTime&) const = default;
};

/// OLE Automation day counts: days since 30 December 1899, the fraction being the time of day. Before that day
/// the integer part counts back while the fraction still counts forward (-1.25 is 29 December 1899, 06:00).
double oleFromCivil(const CivilDateTime& t);
double oleFromDate(int year, int month, int day);
double oleTimeOfDay(int hour, int minute, int second, int millisecond = 0); ///< fraction of a day
CivilDateTime civilFromOle(double ole);                                     ///< rounded to the millisecond
int oleDatePart(double ole);                                                ///< the day number (trunc toward zero)
double oleTimePart(double ole);                                             ///< the time of day, 0 <= t < 1
int oleSecondOfDay(double ole);                                             ///< 0 … 86399, rounded to the second

} // namespace qv
