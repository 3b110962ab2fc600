#pragma once

namespace qv::shell {

/// The program's name: the application title, the tray icon's hint, the title of message boxes.
inline constexpr const char* kProgramName = "Quorvex";
/// The program's name and version, as the main window's caption and the about window show them.
inline constexpr const char* kProgramTitle = "Quorvex 1.32 Beta";

} // namespace qv::shell
