#pragma once

#include "common/LocaleFormats.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

/// "Fixed notation with `decimals` decimals and precision `precision`": the value rounded to at most `precision`
/// significant digits and at most `decimals` decimals, written with exactly `decimals` decimals, the locale's
/// decimal separator and no thousands separator; with more than `precision` digits before the decimal point the
/// exponent form is used instead. (precision 4, decimals 1: 123.45 -> "123,5", 1234.56 -> "1235,0").
std::string formatFixed(double value, int precision, int decimals, const LocaleFormats& locale);

/// hours:minutes:seconds, each part with a leading "0" when it lies in 0 … 9 (3725 -> "01:02:05",
/// 360000 -> "100:00:00", -5 -> "00:00:-5"). Divisions truncate toward zero.
std::string formatDuration(std::int64_t seconds);

std::string formatShortDate(double ole, const LocaleFormats& locale);
std::string formatLongTime(double ole, const LocaleFormats& locale);
/// Short date, a space and long time; the time is left out when the moment is exactly midnight.
std::string formatDateTime(double ole, const LocaleFormats& locale);

/// A time of day written in a long time format, hours with or without a leading zero ("7:30:00", "07:30:00",
/// "00:00:00"); seconds may be missing; AM/PM accepted. Returns the fraction of a day, or nothing.
std::optional<double> parseTimeOfDay(std::string_view text, const LocaleFormats& locale);
/// A decimal number written with the locale's decimal separator or a point ("1,5", "1.5"), an optional sign and
/// exponent; surrounding spaces allowed. Thousands separators, "inf", "nan" and hexadecimal are refused.
std::optional<double> parseDecimal(std::string_view text, const LocaleFormats& locale);
/// A decimal number with the locale's decimal separator as the settings file stores it ("1,5"): the shortest text
/// that reads back to the same value, never in exponent form.
std::string formatDecimal(double value, const LocaleFormats& locale);

} // namespace qv
