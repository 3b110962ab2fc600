#include "platform/linux/SystemdShutdown.h"

#include "LinuxTempDir.h"
#include "platform/linux/LinuxProcessRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace qv::platform {
namespace {

bool eventuallyTrue(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

using SystemdShutdownTest = LinuxTempDir;

// A stand-in for systemctl notes each request and holds it open until the test lets it end (or its directory goes);
// nothing is powered off.
TEST_F(SystemdShutdownTest, AsksLogindOnceAtATimeAndAgainAfterARefusal) {
    const std::string systemctl =
        script("bin/systemctl", "echo \"$@\" >> \"$0.calls\"\n"
                                "while [ ! -e \"$0.go\" ]; do [ -e \"$0\" ] || exit 2; sleep 0.01; done\n"
                                "rm \"$0.go\"\nexit 1\n");
    LinuxProcessRunner runner;
    SystemdShutdown shutdown(runner, systemctl);
    shutdown.powerOff();
    ASSERT_TRUE(eventuallyTrue([&] { return read("bin/systemctl.calls") == "poweroff --no-ask-password\n"; }));
    shutdown.powerOff(); // the first request still runs
    write("bin/systemctl.go", "");
    ASSERT_TRUE(eventuallyTrue([&] { return !std::filesystem::exists(dir / "bin/systemctl.go"); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(read("bin/systemctl.calls"), "poweroff --no-ask-password\n");

    shutdown.powerOff(); // refused (exit 1): a later request asks again
    ASSERT_TRUE(eventuallyTrue([&] { return read("bin/systemctl.calls").size() == 2 * 27; }));
    write("bin/systemctl.go", "");
    EXPECT_TRUE(eventuallyTrue([&] { return !std::filesystem::exists(dir / "bin/systemctl.go"); }));
}

// A runner that counts the starts it passes on.
struct CountingRunner final : ProcessRunner {
    LinuxProcessRunner real;
    int starts = 0;
    std::unique_ptr<ChildProcess> start(const std::string& program, const std::vector<std::string>& args,
                                        std::string& errorText) override {
        ++starts;
        return real.start(program, args, errorText);
    }
};

TEST_F(SystemdShutdownTest, AMissingSystemctlIsSilentAndTheNextRequestTriesAgain) {
    CountingRunner runner;
    SystemdShutdown shutdown(runner, (dir / "no-systemctl").string());
    EXPECT_NO_THROW(shutdown.powerOff());
    EXPECT_NO_THROW(shutdown.powerOff());
    EXPECT_EQ(runner.starts, 2);
}

} // namespace
} // namespace qv::platform
