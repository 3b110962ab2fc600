#pragma once

// Error-log location tag of the external application rules ("place,module"; module 1 is the main window).
namespace qv::extapps::tags {

inline constexpr const char* kCheckTick = "1901,1"; // Timer19

} // namespace qv::extapps::tags
