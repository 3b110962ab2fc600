#include "modem/ModemReplies.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qv::modem {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<int> replyNumber(std::string_view line, std::size_t first, std::size_t count) {
    std::string text(first - 1 < line.size() ? line.substr(first - 1, count) : std::string_view());
    for (char& c : text)
        if (!isDigit(c))
            c = ' ';
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return std::nullopt;
    const auto end = text.find_last_not_of(' ') + 1;
    int value = 0;
    const char* last = text.data() + end;
    const auto [stop, ec] = std::from_chars(text.data() + begin, last, value);
    if (ec != std::errc() || stop != last)
        return std::nullopt; // "7 5": a space between digits is no number
    return value;
}

std::optional<SignalReading> signalReading(std::string_view signalLine) {
    const auto n = replyNumber(signalLine, 9, 4);
    if (!n)
        return std::nullopt;
    // 100 − 0.8 × n, five times over so that it stays whole: 0.8 × n is a multiple of 0.2 and never ends in .5,
    // so rounding to the nearest is the floor of (five times the value + 2) / 5.
    const long fiveTimes = 500L - 4L * *n;
    const long shifted = fiveTimes + 2;
    long rounded = shifted / 5;
    if (shifted % 5 != 0 && shifted < 0)
        --rounded;
    SignalReading r;
    r.percent = static_cast<std::uint8_t>(static_cast<unsigned long>(rounded) & 0xFFu);
    r.modemOff = fiveTimes == 0;
    return r;
}

std::optional<std::uint8_t> batteryPercent(std::string_view batteryLine) {
    const auto n = replyNumber(batteryLine, 9, 3);
    if (!n)
        return std::nullopt;
    return static_cast<std::uint8_t>(static_cast<unsigned>(*n) & 0xFFu);
}

std::string comPortDigits(std::string_view attachedTo) {
    std::string digits;
    if (attachedTo.size() >= 4) {
        digits += attachedTo[3];
        if (attachedTo.size() >= 5 && isDigit(attachedTo[4]))
            digits += attachedTo[4];
    }
    return digits;
}

int replyWaitMs(double timeoutSeconds) {
    const double ms = std::nearbyint(timeoutSeconds * 1000.0);
    if (!(ms > 0))
        return 0;
    return ms < std::numeric_limits<int>::max() ? static_cast<int>(ms) : std::numeric_limits<int>::max();
}

} // namespace qv::modem
