#pragma once

// Error-log location tags of the connection handlers ("place,module"; module 1 is the main window).
namespace qv::connection::tags {

inline constexpr const char* kConnectClick = "201,1";
inline constexpr const char* kDisconnectClick = "211,1";
inline constexpr const char* kRestart = "221,1";
inline constexpr const char* kDialProgress = "231,1";
inline constexpr const char* kDialing = "241,1";
inline constexpr const char* kConnected = "251,1";
inline constexpr const char* kDisconnected = "1629,1";
inline constexpr const char* kRefreshHandle = "261,1";  // Timer1
inline constexpr const char* kAutoConnect = "271,1";    // Timer2
inline constexpr const char* kReconnect = "281,1";      // Timer7
inline constexpr const char* kStartupRestart = "291,1"; // Timer10
inline constexpr const char* kPingCheck = "301,1";      // Timer17
inline constexpr const char* kRetry = "311,1";          // Timer18
inline constexpr const char* kPingReply = "321,1";
inline constexpr const char* kDialRefused = "331,1";
inline constexpr const char* kAccounts = "341,1";

} // namespace qv::connection::tags
