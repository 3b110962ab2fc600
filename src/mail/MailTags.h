#pragma once

// Error-log location tags of the mail handlers ("place,module"; module 1 is the main window, 11 the notice).
namespace qv::mail::tags {

inline constexpr const char* kMailCheckTick = "701,1"; // Timer20
inline constexpr const char* kNoticeClick = "11,11";
inline constexpr const char* kNoticeClosed = "21,11";

} // namespace qv::mail::tags
