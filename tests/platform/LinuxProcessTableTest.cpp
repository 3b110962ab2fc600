#include "platform/linux/LinuxProcessTable.h"

#include "LinuxTempDir.h"
#include "RealTimeWait.h"
#include "extapps/ExternalApps.h"
#include "platform/linux/LinuxDesktopShell.h"
#include "platform/linux/LinuxFileSystem.h"
#include "settings/SettingsRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qv::platform {
namespace {

namespace fs = std::filesystem;

std::optional<RunningProcess> listed(LinuxProcessTable& table, int pid) {
    for (auto& p : table.ownProcesses())
        if (p.pid == pid)
            return p;
    return std::nullopt;
}

/// The rules with the real services.
struct Programs {
    LinuxFileSystem files;
    LinuxDesktopShell desktop;
    LinuxProcessTable table;
    struct : Clock {
        double now() const override { return 0; }
    } clock;
    settings::SettingsRecord settings;
    connection::ControllerState state;
    extapps::ExternalApps apps{{files, desktop, table, clock, {}, settings, state, {}, "/nonexistent"}};
};

/// Real children, started and ended by the tests themselves.
struct LinuxProcessTableTest : LinuxTempDir {
    std::vector<pid_t> children;

    void TearDown() override {
        for (pid_t pid : children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        LinuxTempDir::TearDown();
    }
    /// A copy of `sleep` under `rel`.
    std::string sleeper(const fs::path& rel) {
        fs::create_directories((dir / rel).parent_path());
        fs::copy_file("/usr/bin/sleep", dir / rel);
        return (dir / rel).string();
    }
    pid_t spawn(const std::string& program) {
        std::string arg0 = program, seconds = "60";
        char* argv[] = {arg0.data(), seconds.data(), nullptr};
        pid_t pid = 0;
        // In the test's directory: the waiting program leaves a file where it starts.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        EXPECT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        children.push_back(pid);
        return pid;
    }
    static bool listedAnywhere(pid_t pid) {
        return fs::exists("/proc/" + std::to_string(pid) + "/exe") ||
               fs::is_symlink("/proc/" + std::to_string(pid) + "/exe");
    }
    int endedBy(pid_t pid) {
        int status = 0;
        EXPECT_EQ(::waitpid(pid, &status, 0), pid);
        std::erase(children, pid);
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }
};

TEST_F(LinuxProcessTableTest, ListsTheWholeExecutableNameAndEndsWithSigterm) {
    const std::string program = sleeper("my programs; 'x'/a-very-long-program-name");
    const pid_t pid = spawn(program);
    LinuxProcessTable table;
    std::optional<RunningProcess> p;
    ASSERT_TRUE(becomesTrue([&] { return (p = listed(table, pid)) && p->exeName != "sleep"; })); // after the exec
    EXPECT_EQ(p->exeName, "a-very-long-program-name"); // longer than `comm` holds
    EXPECT_FALSE(listed(table, static_cast<int>(::getpid())));
    const auto all = table.ownProcesses();
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](auto& a, auto& b) { return a.pid < b.pid; }));

    EXPECT_FALSE(table.terminate(static_cast<int>(::getpid())));
    ASSERT_TRUE(table.terminate(pid));
    EXPECT_EQ(endedBy(pid), SIGTERM);
    EXPECT_FALSE(table.terminate(pid)); // gone
}

TEST_F(LinuxProcessTableTest, AnotherUsersProcessIsNeitherListedNorEnded) {
    if (::getuid() != 0)
        GTEST_SKIP() << "starting a process as another user needs root";
    const std::string program = sleeper("bin/shared-program");
    fs::permissions(dir, fs::perms::all, fs::perm_options::add);
    fs::permissions(dir / "bin", fs::perms::all, fs::perm_options::add);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            ::execl(program.c_str(), program.c_str(), "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    children.push_back(other);
    const pid_t mine = spawn(program);
    LinuxProcessTable table;
    ASSERT_TRUE(becomesTrue([&] {
        const auto p = listed(table, mine);
        return p && p->exeName == "shared-program" &&
               fs::read_symlink("/proc/" + std::to_string(other) + "/exe") == fs::path(program);
    }));
    EXPECT_FALSE(listed(table, other));
    EXPECT_FALSE(table.terminate(other));

    // A stop by name finds only this user's instance, though the other user's came first.
    Programs programs;
    programs.apps.StopExternalApp("C:\\Programs\\shared-program");
    EXPECT_EQ(endedBy(mine), SIGTERM);
    EXPECT_TRUE(listedAnywhere(other));
}

TEST_F(LinuxProcessTableTest, TheRulesStartAProgramInItsDirectoryAndStopOnlyTheFirstInstance) {
    const fs::path folder = dir / "my programs; 'x' & \"y\"";
    fs::create_directories(folder);
    const std::string program = (folder / "a-very-long-program-name").string();
    fs::copy_file(QV_WAITING_PROGRAM, program);
    Programs programs;
    programs.apps.StartExternalApp(program);
    ASSERT_TRUE(becomesTrue([&] { return fs::exists(folder / "started"); }));
    EXPECT_EQ(read(folder / "started"), folder.string() + "\n");
    const pid_t second = spawn(program);

    std::vector<int> instances;
    ASSERT_TRUE(becomesTrue([&] {
        instances.clear();
        for (const auto& p : programs.table.ownProcesses())
            if (p.exeName == "a-very-long-program-name")
                instances.push_back(p.pid);
        return instances.size() == 2;
    }));
    ASSERT_NE(instances.front(), second) << "the rule's instance has the lower id";

    programs.apps.StopExternalApp("/elsewhere/A-VERY-LONG-PROGRAM-NAME");
    // The first is reaped by the opener's own waiter; the second, the test's child, is left alone.
    EXPECT_TRUE(becomesTrue([&] { return !fs::exists("/proc/" + std::to_string(instances.front())); }));
    EXPECT_TRUE(listedAnywhere(second));
    EXPECT_NE(::waitpid(second, nullptr, WNOHANG), second);
}

} // namespace
} // namespace qv::platform
