#pragma once

// Error-log location tags of the application shell's handlers: "place,module" (module 0 start-up, 1 main window,
// 3 about window, 6 exit dialog).
namespace qv::shell::tags {

inline constexpr const char* kStartup = "11,0";
inline constexpr const char* kTerminateSave = "21,0"; // the save at a termination signal or session end
inline constexpr const char* kMainCreate = "101,1";
inline constexpr const char* kMainActivate = "121,1";
inline constexpr const char* kMainCloseRequest = "131,1";
inline constexpr const char* kMainMinimize = "141,1";
inline constexpr const char* kMainRestore = "151,1";
inline constexpr const char* kLabelClearing = "161,1"; // Timer12
inline constexpr const char* kShowConnectionLog = "171,1";
inline constexpr const char* kFatalErrorButton = "181,1";
inline constexpr const char* kMenuAction = "191,1";
inline constexpr const char* kSignalPoll = "1092,1"; // Timer22

inline constexpr const char* kAboutShow = "11,3"; // "Licence"
inline constexpr const char* kAboutClose = "21,3";

inline constexpr const char* kExitActivate = "11,6";
inline constexpr const char* kExitKeepConnection = "21,6";
inline constexpr const char* kExitAfterHangUp = "31,6";
inline constexpr const char* kExitCancel = "41,6";

} // namespace qv::shell::tags
