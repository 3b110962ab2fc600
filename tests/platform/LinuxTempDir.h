#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace qv::platform {

/// A fresh directory under /tmp per test, removed afterwards even when a test left some of it read-only.
class LinuxTempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qv-linux-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (e.is_directory() || e.is_regular_file())
                std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add);
        std::filesystem::remove_all(dir);
    }
    /// Writes a file, creating its directories.
    void write(const std::filesystem::path& rel, const std::string& text) const {
        std::filesystem::create_directories((dir / rel).parent_path());
        std::ofstream(dir / rel, std::ios::binary) << text;
    }
    std::string read(const std::filesystem::path& rel) const {
        std::ifstream in(dir / rel, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    /// A shell script, executable.
    std::string script(const std::string& name, const std::string& body) const {
        write(name, "#!/bin/sh\n" + body);
        std::filesystem::permissions(dir / name, std::filesystem::perms::owner_all);
        return (dir / name).string();
    }

    struct Run {
        int status = -1; ///< the exit status; -1 when the program did not exit
        std::string out, err;
    };
    /// Runs `argv` (the program's path first) with exactly `env` and waits for its end. Its standard error goes to
    /// `err`, or with its output to `out`.
    Run runProgram(std::vector<std::string> argv, std::vector<std::string> env, bool errorsToOut = false) const {
        const std::string errFile = (dir / "stderr.txt").string();
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        if (errorsToOut)
            posix_spawn_file_actions_adddup2(&fa, out[1], 2);
        else
            posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        const auto pointers = [](std::vector<std::string>& strings) {
            std::vector<char*> p;
            for (auto& s : strings)
                p.push_back(s.data());
            p.push_back(nullptr);
            return p;
        };
        auto args = pointers(argv), envp = pointers(env);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, argv[0].c_str(), &fa, nullptr, args.data(), envp.data()), 0);
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
        if (!errorsToOut) {
            r.err = read("stderr.txt");
            std::filesystem::remove(dir / "stderr.txt");
        }
        return r;
    }

    std::filesystem::path dir;
};

} // namespace qv::platform
