#pragma once

#include "platform/LinuxTempDir.h"
#include "statistics/StatisticsCodec.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

namespace qv::test {

/// The built quorvex-stats run on an application directory of the test's own.
class StatsCli : public platform::LinuxTempDir {
protected:
    struct Run {
        int status = -1;
        std::string out, err;
    };

    void put(const std::vector<statistics::StatisticsRecord>& records) {
        write("Statistiky/Pripojeni.sts", statistics::encodeFile(records));
    }
    std::string home() const { return dir.string(); }

    /// Runs with `args` in the C.UTF-8 locale (the Czech conventions stand) plus `env`.
    Run run(std::vector<std::string> args, std::vector<std::string> env = {}) const {
        const std::string errFile = (dir / "stderr.txt").string();
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        env.insert(env.begin(), "LC_ALL=C.UTF-8");
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        args.insert(args.begin(), QV_STATS_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, QV_STATS_PATH, &fa, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        Run r;
        char buf[4096];
        for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
            r.out.append(buf, static_cast<std::size_t>(n));
        ::close(out[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = read("stderr.txt");
        std::filesystem::remove(dir / "stderr.txt");
        return r;
    }
};

} // namespace qv::test
