#include "common/Formats.h"

#include "common/OleDate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qv {

namespace {

// A double holds 15 reliable significant digits; asking printf for more writes binary noise (1.005 would become
// 1.00499999…) and the decimal rounding below would then round the way nobody wrote the number.
constexpr int kMaxPrecision = 15;
constexpr int kMaxDecimals = 18;

std::string zeroText(int decimals, char separator) {
    std::string s = "0";
    if (decimals > 0) {
        s += separator;
        s.append(static_cast<std::size_t>(decimals), '0');
    }
    return s;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equalsAsciiIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; };
               return lower(x) == lower(y);
           });
}

void appendNumber(std::string& out, int value, int width) {
    if (width == 2 && value >= 0 && value <= 9)
        out += '0';
    out += std::to_string(value);
}

void appendYear(std::string& out, int year, int width) {
    if (width == 2) {
        appendNumber(out, (year % 100 + 100) % 100, 2);
        return;
    }
    const std::string digits = std::to_string(year);
    if (year >= 0 && digits.size() < 4)
        out.append(4 - digits.size(), '0');
    out += digits;
}

std::string formatPattern(std::string_view pattern, const CivilDateTime& t) {
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'' || c == '"') {
            const std::size_t close = pattern.find(c, i + 1);
            const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
            out.append(pattern.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? pattern.size() : close + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        const int width = run >= 2 ? 2 : 1;
        std::size_t taken = static_cast<std::size_t>(width);
        switch (c) {
        case 'd':
            appendNumber(out, t.day, width);
            break;
        case 'M':
            appendNumber(out, t.month, width);
            break;
        case 'H':
            appendNumber(out, t.hour, width);
            break;
        case 'h':
            appendNumber(out, t.hour % 12 == 0 ? 12 : t.hour % 12, width);
            break;
        case 'm':
            appendNumber(out, t.minute, width);
            break;
        case 's':
            appendNumber(out, t.second, width);
            break;
        case 'y':
            if (run >= 4) {
                appendYear(out, t.year, 4);
                taken = 4;
            } else if (run >= 2) {
                appendYear(out, t.year, 2);
            } else {
                out += c;
            }
            break;
        case 't':
            if (run >= 2)
                out += t.hour < 12 ? "AM" : "PM";
            else
                out += c;
            break;
        default:
            out += c;
            taken = 1;
            break;
        }
        i += taken;
    }
    return out;
}

// The separator the locale's long time pattern puts between hours and minutes.
char timeSeparatorOf(std::string_view pattern) {
    for (char c : pattern) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !isSpace(c) && c != '\'' && c != '"')
            return c;
    }
    return ':';
}

} // namespace

std::string formatFixed(double value, int precision, int decimals, const LocaleFormats& locale) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    precision = std::clamp(precision, 1, kMaxPrecision);
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    const char sep = locale.decimalSeparator;
    if (value == 0)
        return zeroText(decimals, sep);

    // The decimal digits of |value| and the power of ten of the first one.
    std::array<char, 40> buf{};
    std::snprintf(buf.data(), buf.size(), "%.*e", kMaxPrecision - 1, std::fabs(value));
    const std::string_view text(buf.data());
    const std::size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (isDigit(c))
            digits += c;
    int exponent = std::atoi(text.data() + e + 1);

    // One rounding, half away from zero, at whichever comes first: the last significant digit or the last decimal.
    const int keep = std::min(precision, exponent + decimals + 1);
    if (keep < 0)
        return zeroText(decimals, sep);
    const bool roundUp = static_cast<std::size_t>(keep) < digits.size() && digits[keep] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (roundUp) {
        int pos = keep - 1;
        while (pos >= 0 && digits[pos] == '9')
            digits[pos--] = '0';
        if (pos >= 0) {
            ++digits[pos];
        } else {
            digits.insert(digits.begin(), '1');
            ++exponent;
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.empty())
        return zeroText(decimals, sep); // rounded to zero: written without a sign

    std::string out = value < 0 ? "-" : "";
    if (exponent + 1 > precision) {
        out += digits[0];
        if (digits.size() > 1) {
            out += sep;
            out.append(digits, 1);
        }
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent));
        return out;
    }
    std::string fraction;
    if (exponent >= 0) {
        const auto intDigits = static_cast<std::size_t>(exponent) + 1;
        digits.resize(std::max(digits.size(), intDigits), '0');
        out.append(digits, 0, intDigits);
        fraction = digits.substr(intDigits);
    } else {
        out += '0';
        fraction.assign(static_cast<std::size_t>(-exponent - 1), '0');
        fraction += digits;
    }
    if (decimals > 0) {
        fraction.resize(static_cast<std::size_t>(decimals), '0');
        out += sep;
        out += fraction;
    }
    return out;
}

std::string formatDuration(std::int64_t seconds) {
    std::string out;
    auto append = [&out](std::int64_t part) {
        if (part >= 0 && part <= 9)
            out += '0';
        out += std::to_string(part);
    };
    append(seconds / 3600);
    out += ':';
    append(seconds % 3600 / 60);
    out += ':';
    append(seconds % 60);
    return out;
}

std::string formatShortDate(double ole, const LocaleFormats& locale) {
    return formatPattern(locale.shortDate, civilFromOle(ole));
}

std::string formatLongTime(double ole, const LocaleFormats& locale) {
    return formatPattern(locale.longTime, civilFromOle(ole));
}

std::string formatDateTime(double ole, const LocaleFormats& locale) {
    const CivilDateTime t = civilFromOle(ole);
    std::string out = formatPattern(locale.shortDate, t);
    if (t.hour != 0 || t.minute != 0 || t.second != 0 || t.millisecond != 0) {
        out += ' ';
        out += formatPattern(locale.longTime, t);
    }
    return out;
}

std::optional<double> parseTimeOfDay(std::string_view text, const LocaleFormats& locale) {
    const std::string_view s = trimmed(text);
    std::size_t pos = 0;
    auto number = [&]() -> std::optional<int> {
        int value = 0;
        std::size_t len = 0;
        while (pos < s.size() && len < 2 && isDigit(s[pos])) {
            value = value * 10 + (s[pos++] - '0');
            ++len;
        }
        return len > 0 ? std::optional<int>(value) : std::nullopt;
    };
    const char localeSep = timeSeparatorOf(locale.longTime);
    auto isSeparator = [localeSep](char c) { return c == ':' || c == '.' || c == localeSep; };

    const auto hour = number();
    if (!hour || pos >= s.size() || !isSeparator(s[pos]))
        return std::nullopt;
    const char sep = s[pos++];
    const auto minute = number();
    if (!minute)
        return std::nullopt;
    std::optional<int> second = 0;
    if (pos < s.size() && s[pos] == sep) {
        ++pos;
        second = number();
        if (!second)
            return std::nullopt;
    }
    const std::string_view suffix = trimmed(s.substr(pos));
    const bool am = equalsAsciiIgnoreCase(suffix, "AM");
    const bool pm = equalsAsciiIgnoreCase(suffix, "PM");
    if (!suffix.empty() && !am && !pm)
        return std::nullopt;

    int h = *hour;
    if (h > ((am || pm) ? 12 : 23) || *minute > 59 || *second > 59)
        return std::nullopt;
    if (am && h == 12)
        h = 0;
    else if (pm && h < 12)
        h += 12;
    return oleTimeOfDay(h, *minute, *second);
}

std::optional<double> parseDecimal(std::string_view text, const LocaleFormats& locale) {
    const std::string_view s = trimmed(text);
    // Validated here rather than left to from_chars, which would also take "inf", "nan" and would stop at the
    // first character it does not know instead of refusing the text.
    std::string normal;
    std::size_t pos = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        if (s[pos] == '-')
            normal += '-';
        ++pos;
    }
    std::size_t mantissaDigits = 0;
    while (pos < s.size() && isDigit(s[pos])) {
        normal += s[pos++];
        ++mantissaDigits;
    }
    if (pos < s.size() && (s[pos] == locale.decimalSeparator || s[pos] == '.')) {
        normal += '.';
        ++pos;
        while (pos < s.size() && isDigit(s[pos])) {
            normal += s[pos++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        normal += 'e';
        ++pos;
        if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
            normal += s[pos++];
        std::size_t exponentDigits = 0;
        while (pos < s.size() && isDigit(s[pos])) {
            normal += s[pos++];
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (pos != s.size())
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec != std::errc{} || end != normal.data() + normal.size())
        return std::nullopt;
    return value;
}

std::string formatDecimal(double value, const LocaleFormats& locale) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0"; // also for -0
    // Fixed notation, so that any reader of the settings file understands it; room for the smallest subnormal.
    std::array<char, 400> buf{};
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed);
    std::string out(buf.data(), ec == std::errc{} ? end : buf.data());
    std::replace(out.begin(), out.end(), '.', locale.decimalSeparator);
    return out;
}

} // namespace qv
