// quorvex-stats: the statistics of Quorvex from a terminal or a script, read from the same file with the same
// library as the program. See --help.
#include "StatsCommand.h"

#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxLocaleProvider.h"
#include "platform/linux/LinuxSystem.h"
#include "shell/AppPaths.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace qv;
    platform::LinuxProcessEnvironment env;
    platform::LinuxFileSystem fs;
    platform::LinuxClock clock;
    const platform::LinuxLocaleProvider locale;
    tools::StatsServices services{fs,
                                  clock,
                                  locale.formats(),
                                  shell::AppPaths::resolveAppDir(env.variable("QUORVEX_HOME"), env.executablePath()),
                                  QV_VERSION,
                                  std::cout,
                                  std::cerr};
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = tools::runStatsCommand(args, services);
    std::cout.flush();
    return std::cout ? status : tools::kExitFailed;
}
