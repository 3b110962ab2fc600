#include "platform/linux/PppdLauncher.h"
#include "LinuxTempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <pthread.h>
#include <sstream>

namespace qv::platform {
namespace {

namespace fsys = std::filesystem;
using namespace std::chrono_literals;

// What the reader thread reported, for the test thread to wait on.
struct Heard {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> lines;
    int quiets = 0, exitStatus = -2;

    // Reports a silence after the line `quietAfter`.
    PppdOutput output(const std::string& quietAfter = {}) {
        const auto note = [this](auto change) {
            std::lock_guard g(m);
            change();
            cv.notify_all();
        };
        return {[=, this](std::string_view l) {
                    note([&] { lines.emplace_back(l); });
                    return l == quietAfter;
                },
                [=, this] { note([&] { ++quiets; }); },
                [=, this](int status, int) { note([&] { exitStatus = status; }); }};
    }
    bool waitFor(const std::function<bool()>& done) {
        std::unique_lock g(m);
        return cv.wait_for(g, 10s, done);
    }
};

using PppdLauncherTest = LinuxTempDir;

TEST_F(PppdLauncherTest, OptionsArriveOnADescriptorAndBothStreamsAreRead) {
    PosixPppdLauncher launcher(script("pppd", R"(here=$(dirname "$0")
printf '%s\n' "$@" > "$here/args"
prev=
for a in "$@"; do
    [ "$prev" = file ] && cat "$a" > "$here/options"
    prev=$a
done
echo "Using interface ppp0"
echo "Can't open options file /etc/ppp/peers/x: No such file or directory" >&2
printf 'a last line without its end'
exit 19
)"));
    Heard heard;
    int err = 0;
    std::string text;
    const std::string secrets = "user \"jan\"\npassword \"s3cret\"\n";
    auto p = launcher.start("mobil", secrets, heard.output(), err, text);
    ASSERT_TRUE(p) << text;
    EXPECT_GT(p->pid(), 0);
    ASSERT_TRUE(heard.waitFor([&] { return heard.exitStatus != -2; }));
    EXPECT_EQ(heard.exitStatus, 19);
    EXPECT_EQ(heard.lines, (std::vector<std::string>{"Using interface ppp0",
                                                     "Can't open options file /etc/ppp/peers/x: No such file or "
                                                     "directory",
                                                     "a last line without its end"}));
    EXPECT_EQ(read("args"), "call\nmobil\nnodetach\nfile\n/dev/fd/3\n");
    EXPECT_EQ(read("options"), secrets);
    EXPECT_FALSE(p->signal(SIGTERM)); // reaped: no signal can reach a process that got the pid since

    PosixPppdLauncher missing((dir / "nonexistent").string());
    EXPECT_EQ(missing.start("mobil", "", heard.output(), err, text), nullptr);
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(text, "No such file or directory");
}

TEST_F(PppdLauncherTest, SigtermReachesPppdEvenFromAThreadThatBlocksIt) {
    PosixPppdLauncher launcher(
        script("pppd", R"(trap 'kill $! 2>/dev/null; echo "Terminating on signal 15"; exit 5' TERM
echo "local  IP address 10.0.0.2"
sleep 30 &
wait
)"));
    Heard heard;
    int err = 0;
    std::string text;
    // The program blocks SIGTERM in every thread; the child must not inherit that.
    sigset_t term, old;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &term, &old);
    auto p = launcher.start("mobil", "", heard.output("local  IP address 10.0.0.2"), err, text);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(p) << text;
    // The line asked to hear of a silence after it.
    ASSERT_TRUE(heard.waitFor([&] { return heard.quiets == 1; }));
    EXPECT_TRUE(p->signal(SIGTERM));
    ASSERT_TRUE(heard.waitFor([&] { return heard.exitStatus != -2; }));
    EXPECT_EQ(heard.exitStatus, 5);
    EXPECT_EQ(heard.lines.back(), "Terminating on signal 15");
}

TEST_F(PppdLauncherTest, StoppingTheReaderLeavesPppdRunning) {
    PosixPppdLauncher launcher(script("pppd", "exec sleep 30\n"));
    Heard heard;
    int err = 0;
    std::string text;
    auto p = launcher.start("mobil", "", heard.output(), err, text);
    ASSERT_TRUE(p);
    const int pid = p->pid();
    p.reset();
    EXPECT_EQ(::kill(pid, 0), 0);
    EXPECT_EQ(launcher.signalPid(pid, SIGKILL), 0);
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_FALSE(heard.exitStatus != -2);
}

} // namespace
} // namespace qv::platform
