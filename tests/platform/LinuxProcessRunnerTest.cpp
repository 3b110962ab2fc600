#include "platform/linux/LinuxProcessRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <thread>

namespace qv::platform {
namespace {

// A child needs real time to run: poll finished() for a few seconds at most.
bool endsSoon(ChildProcess& child) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!child.finished()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(LinuxProcessRunner, ProgramsByPathAndOnThePathRunToTheirEndOthersGiveTheSystemsText) {
    LinuxProcessRunner runner;
    std::string error = "stale";
    auto byPath = runner.start("/bin/true", {}, error);
    ASSERT_TRUE(byPath);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(endsSoon(*byPath));
    EXPECT_TRUE(byPath->finished()); // and stays finished
    auto onPath = runner.start("sh", {"-c", "exit 3"}, error);
    ASSERT_TRUE(onPath) << error;
    EXPECT_TRUE(endsSoon(*onPath));

    EXPECT_FALSE(runner.start("/nonexistent/Util/devcon", {"restart"}, error));
    EXPECT_EQ(error, "No such file or directory");
    const auto notExecutable = std::filesystem::temp_directory_path() / "qv-not-executable";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    std::filesystem::permissions(notExecutable, std::filesystem::perms::owner_read);
    EXPECT_FALSE(runner.start(notExecutable.string(), {}, error));
    EXPECT_EQ(error, "Permission denied");
    std::filesystem::remove(notExecutable);
}

TEST(LinuxProcessRunner, ARunningProgramIsNotFinishedUntilItEnds) {
    LinuxProcessRunner runner;
    std::string error;
    // The program blocks SIGTERM in its threads; a started program must still be able to receive it.
    sigset_t term, old;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &term, &old);
    auto child = runner.start("/bin/sleep", {"30"}, error);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(child) << error;
    EXPECT_FALSE(child->finished());
    EXPECT_FALSE(child->finished());
    ::kill(static_cast<LinuxChildProcess&>(*child).pid(), SIGTERM);
    EXPECT_TRUE(endsSoon(*child));
}

} // namespace
} // namespace qv::platform
