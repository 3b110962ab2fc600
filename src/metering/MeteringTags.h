#pragma once

// Error-log location tags of the metering handlers ("place,module"; module 1 is the main window).
namespace qv::metering::tags {

inline constexpr const char* kSampleInterfaceCounters = "357,1";
inline constexpr const char* kDisplayTick = "937,1"; // Timer4

} // namespace qv::metering::tags
