#pragma once

#include "platform/LinuxTempDir.h"
#include "statistics/StatisticsCodec.h"

#include <string>
#include <vector>

namespace qv::test {

/// The built quorvex-stats run on an application directory of the test's own.
class StatsCli : public platform::LinuxTempDir {
protected:
    void put(const std::vector<statistics::StatisticsRecord>& records) {
        write("Statistiky/Pripojeni.sts", statistics::encodeFile(records));
    }
    std::string home() const { return dir.string(); }

    /// Runs with `args` in the C.UTF-8 locale (the Czech conventions stand) plus `env`.
    Run run(std::vector<std::string> args, std::vector<std::string> env = {}) const {
        args.insert(args.begin(), QV_STATS_PATH);
        env.insert(env.begin(), "LC_ALL=C.UTF-8");
        return runProgram(std::move(args), std::move(env));
    }
};

} // namespace qv::test
