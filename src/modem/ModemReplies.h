#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::modem {

/// The number a modem reply carries at fixed character positions: the `count` characters from 1-based position
/// `first` (fewer when the line is shorter), every character but a decimal digit read as a space, spaces around
/// it dropped. Nothing when that leaves no number (empty, or digits with spaces between them).
std::optional<int> replyNumber(std::string_view line, std::size_t first, std::size_t count);

/// The signal reading of a "+GTSTAT" line: n at positions 9 to 12, shown as 100 − 0.8 × n rounded to the nearest
/// whole percent, kept as an unsigned 8-bit value. `modemOff` when the value is exactly 0 (n = 125): the modem
/// answers but is probably switched off.
struct SignalReading {
    std::uint8_t percent = 0;
    bool modemOff = false;
};
std::optional<SignalReading> signalReading(std::string_view signalLine);

/// The battery percentage of a "+CBC" line: the number at positions 9 to 11, unscaled, as an unsigned 8-bit value.
std::optional<std::uint8_t> batteryPercent(std::string_view batteryLine);

/// The detected port of a "COMn" port name: its 4th character, and its 5th when that is a digit too ("COM3" gives
/// "3", "COM12" gives "12"; numbers above 99 are not supported).
std::string comPortDigits(std::string_view attachedTo);

/// The wait after an AT command: [Modem] Timeout seconds in whole milliseconds (halves to even).
int replyWaitMs(double timeoutSeconds);

} // namespace qv::modem
