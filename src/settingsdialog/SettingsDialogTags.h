#pragma once

// Error-log location tags of the settings dialog's handlers ("place,module"; module 2 is the settings dialog).
namespace qv::settingsdialog::tags {

inline constexpr const char* kCreate = "2,1552";
inline constexpr const char* kShow = "714,2";
inline constexpr const char* kActivate = "478,2";
inline constexpr const char* kClose = "862,2";
inline constexpr const char* kSave = "331,2";
inline constexpr const char* kPageClick = "1216,2";
inline constexpr const char* kPageChange = "1257,2";
inline constexpr const char* kColor = "1274,2";
inline constexpr const char* kClockSync = "1309,2";
inline constexpr const char* kRuleBrowse = "884,2";
inline constexpr const char* kRuleClick = "2115,2";
inline constexpr const char* kRuleAdd = "1204,2";
inline constexpr const char* kRuleRemove = "1236,2";
inline constexpr const char* kRuleChange = "2,1371";
inline constexpr const char* kAccountAdd = "2,1506";
inline constexpr const char* kAccountChange = "2,1606";
inline constexpr const char* kMailClientBrowse = "1700,2";
// Handlers that had no tag of their own: the account removal and the modem settings button.
inline constexpr const char* kAccountRemove = "1901,2";
inline constexpr const char* kModemInfo = "1911,2";

} // namespace qv::settingsdialog::tags
