#pragma once

// Error-log location tags of the statistics handlers ("place,module"; a few put the module first).
namespace qv::statistics::tags {

inline constexpr const char* kMidnightSplit = "3014,1"; // Timer15
inline constexpr const char* kPeriodicSave = "3069,1";  // Timer16
inline constexpr const char* kPurge = "3128,1";
inline constexpr const char* kWeekTotals = "1,4039";
inline constexpr const char* kMonthTotals = "4,1635";
// The statistics window.
inline constexpr const char* kShowStatistics = "4,1030"; // loading the copy at a show or an activation
inline constexpr const char* kShowGrid = "145,4";        // the grid and the values after loading
inline constexpr const char* kUserList = "373,4";
inline constexpr const char* kSelectUser = "1159,4";
inline constexpr const char* kExport = "4,1004";

} // namespace qv::statistics::tags
