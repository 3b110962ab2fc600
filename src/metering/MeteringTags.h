#pragma once

// Error-log location tags of the metering handlers ("place,module"; module 1 is the main window, module 7 the
// floating window).
namespace qv::metering::tags {

inline constexpr const char* kSampleInterfaceCounters = "357,1";
inline constexpr const char* kDisplayTick = "937,1";       // Timer4
inline constexpr const char* kFloatWarningTick = "1992,1"; // Timer11
inline constexpr const char* kStartCaptureTick = "2143,1"; // Timer13
inline constexpr const char* kCountPacket = "2509,1";      // the capture's packet handler

inline constexpr const char* kDragFloatingWindow = "11,7";
inline constexpr const char* kToggleFloatingWindow = "21,7";

} // namespace qv::metering::tags
