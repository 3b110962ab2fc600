#pragma once

#include "common/Clock.h"
#include "common/LocaleFormats.h"
#include "platform/FileSystem.h"

#include <ostream>
#include <string>
#include <vector>

namespace qv::tools {

/// Exit statuses of quorvex-stats.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;    ///< a wrong option, or the file cannot be read or an export written
inline constexpr int kExitMalformed = 2; ///< the statistics file is another program's: it is left as it is

/// What the command reaches outside itself.
struct StatsServices {
    platform::FileSystem& fs;
    const Clock& clock;
    LocaleFormats locale;      ///< for the summary and the spreadsheet export, as the statistics window shows them
    std::string defaultAppDir; ///< QUORVEX_HOME or the program's directory, unless --home names another
    std::string version;
    std::ostream& out;
    std::ostream& err;
};

/// quorvex-stats: the statistics file from a terminal or a script. It only ever reads the statistics file (a file
/// of another format is reported, not deleted as the program does at start). `args` are the arguments after the
/// program name. Returns the exit status.
int runStatsCommand(const std::vector<std::string>& args, StatsServices& services);

} // namespace qv::tools
