#include "platform/linux/SntpClockSync.h"
#include "common/VirtualEventLoop.h"
#include "support/SntpResponder.h"

#include "LinuxTempDir.h"

#include <csignal>
#include <cstdlib>
#include <sys/eventfd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace qv::platform {
namespace {

using namespace std::chrono;
using test::SntpResponder;
using Answer = SntpResponder::Answer;
using Steady = steady_clock;

constexpr int kShortTimeoutMs = 300;

/// A server on loopback, the clock setter's calls (from the run's thread) and the runs' outcomes.
struct SntpClockSyncTest : testing::Test {
    SntpResponder server{"127.0.0.1", 0};
    VirtualEventLoop loop;
    std::mutex mutex;
    std::vector<system_clock::time_point> set;
    bool accept = true;

    SntpClockSync::Options options(int timeoutMs = 2000) {
        return {.host = "127.0.0.1", .port = server.port(), .timeoutMs = timeoutMs, .setClock = setter()};
    }
    SntpClockSync::ClockSetter setter() {
        return [this](system_clock::time_point t) {
            const std::lock_guard hold(mutex);
            set.push_back(t);
            return accept;
        };
    }
    std::vector<system_clock::time_point> calls() {
        const std::lock_guard hold(mutex);
        return set;
    }
    /// Runs the UI thread's posted work until `done` or 5 s.
    void pumpUntil(const std::function<bool()>& done) {
        for (const auto until = Steady::now() + seconds(5); !done() && Steady::now() < until;) {
            loop.runPosted();
            std::this_thread::sleep_for(milliseconds(1));
        }
    }
    /// One run to its end: its outcome and how long it took in ms; nothing when it did not start or end within 5 s.
    std::optional<std::pair<bool, long>> runOnce(SntpClockSync& sync) {
        std::optional<bool> result;
        const auto started = Steady::now();
        const auto caller = std::this_thread::get_id();
        if (!sync.start([&](bool ok) {
                EXPECT_EQ(std::this_thread::get_id(), caller) << "the outcome comes on the UI thread";
                result = ok;
            }))
            return std::nullopt;
        EXPECT_FALSE(result) << "never inside start";
        pumpUntil([&] { return result.has_value(); });
        if (!result)
            return std::nullopt;
        return std::pair{*result, static_cast<long>(duration_cast<milliseconds>(Steady::now() - started).count())};
    }
};

// A good answer sets the clock to the server's time, whichever way it is off, also after the NTP seconds wrap on
// 7 February 2036; a stale answer before the right one is skipped.
TEST_F(SntpClockSyncTest, AGoodAnswerSetsTheClockToTheServersTime) {
    ASSERT_TRUE(server.listening());
    SntpClockSync sync(loop, options());
    const auto in2040 = system_clock::time_point(seconds(2'208'988'800)); // 2040-01-01 00:00:00 UTC
    const struct {
        Answer answer;
        nanoseconds ahead;
    } cases[] = {{Answer::Good, hours(1)},
                 {Answer::Good, -hours(30 * 24)},
                 {Answer::Good, hours(0)},
                 {Answer::StaleThenGood, minutes(5)},
                 {Answer::Good, in2040 - system_clock::now()}};
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(duration_cast<seconds>(c.ahead).count());
        server.setAnswer(c.answer);
        server.setOffset(c.ahead);
        const auto outcome = runOnce(sync);
        ASSERT_TRUE(outcome);
        EXPECT_TRUE(outcome->first);
        ASSERT_EQ(calls().size(), ++runs) << "the clock is set once a run";
        EXPECT_LT(abs(duration_cast<milliseconds>(calls().back() - (system_clock::now() + c.ahead)).count()), 100);
    }
    EXPECT_EQ(server.lastRequestHeader(), 0x23) << "no leap warning, version 4, client mode";
}

// An answer that echoes our request but says the server cannot be trusted ends the run at once; one that echoes
// another request is ignored, so the run ends only at the time-out. Either way the clock stays as it is.
TEST_F(SntpClockSyncTest, AnUntrustedOrForeignAnswerFailsAndLeavesTheClockAlone) {
    SntpClockSync sync(loop, options(kShortTimeoutMs));
    server.setOffset(hours(2));
    int requests = 0;
    for (const Answer answer : {Answer::WrongOriginate, Answer::ClientMode, Answer::KissOfDeath, Answer::Unsynchronised,
                                Answer::Stratum16, Answer::NoTransmitTime, Answer::Silent}) {
        SCOPED_TRACE(static_cast<int>(answer));
        server.setAnswer(answer);
        const auto outcome = runOnce(sync);
        ASSERT_TRUE(outcome);
        EXPECT_FALSE(outcome->first);
        EXPECT_EQ(server.requests(), ++requests);
        EXPECT_LT(outcome->second, kShortTimeoutMs + 500);
        if (answer == Answer::WrongOriginate || answer == Answer::Silent) {
            EXPECT_GE(outcome->second, kShortTimeoutMs - 10) << "waited for the right answer until the time-out";
        }
    }
    EXPECT_TRUE(calls().empty());
}

// No server (the host's refusal ends the run before the time-out), no such name, or a clock that may not be set.
TEST_F(SntpClockSyncTest, NoServerNoNameOrARefusedClockFails) {
    std::uint16_t closedPort = 0;
    {
        SntpResponder gone("127.0.0.1", 0);
        closedPort = gone.port();
    }
    SntpClockSync refused(loop, {.host = "127.0.0.1", .port = closedPort, .timeoutMs = 2000, .setClock = setter()});
    auto outcome = runOnce(refused);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->first);
    EXPECT_LT(outcome->second, 1000);

    SntpClockSync unknown(loop, {.host = "no-such-host.invalid", .timeoutMs = kShortTimeoutMs, .setClock = setter()});
    outcome = runOnce(unknown);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->first);
    EXPECT_LT(outcome->second, kShortTimeoutMs + 500);
    EXPECT_TRUE(calls().empty());

    accept = false;
    SntpClockSync denied(loop, options());
    outcome = runOnce(denied);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->first);
    EXPECT_EQ(calls().size(), 1u);
}

TEST_F(SntpClockSyncTest, OneRunAtATimeAndTheEndWakesARunStillWaiting) {
    server.setAnswer(Answer::Silent);
    int outcomes = 0;
    {
        SntpClockSync sync(loop, options(400));
        EXPECT_TRUE(sync.start([&](bool) { ++outcomes; }));
        EXPECT_FALSE(sync.start([&](bool) { ++outcomes; })) << "a second start while one runs";
        pumpUntil([&] { return outcomes > 0; });
        EXPECT_EQ(outcomes, 1);
        server.setAnswer(Answer::Good);
        const auto again = runOnce(sync);
        ASSERT_TRUE(again) << "a new run once the last one has reported";
        EXPECT_TRUE(again->first);

        // Ended while a run waits for a silent server with a long time-out: it returns at once, and the run's
        // outcome is never reported.
        server.setAnswer(Answer::Silent);
        auto waiting = std::make_unique<SntpClockSync>(loop, options(10'000));
        EXPECT_TRUE(waiting->start([&](bool) { ++outcomes; }));
        std::this_thread::sleep_for(milliseconds(50));
        const auto before = Steady::now();
        waiting.reset();
        EXPECT_LT(Steady::now() - before, milliseconds(500));
    }
    loop.runPosted();
    EXPECT_EQ(outcomes, 1);
}

TEST(SntpClockSyncServer, TheServerComesFromTheEnvironmentWhenWellFormed) {
    struct Env final : ProcessEnvironment {
        std::optional<std::string> value;
        std::string executablePath() const override { return "/usr/bin/quorvex"; }
        std::optional<std::string> variable(const std::string& name) const override {
            return name == SntpClockSync::kServerVariable ? value : std::nullopt;
        }
    } env;
    using Server = std::pair<std::string, std::uint16_t>;
    const Server pool{"pool.ntp.org", 123};
    const std::vector<std::pair<std::optional<std::string>, Server>> cases = {
        {std::nullopt, pool},
        {"", pool},
        {"time.example.net", {"time.example.net", 123}},
        {"10.231.1.1:1123", {"10.231.1.1", 1123}},
        {"[2001:db8::1]:4123", {"2001:db8::1", 4123}},
        {"[2001:db8::1]", {"2001:db8::1", 123}},
        {"2001:db8::1", {"2001:db8::1", 123}},
        // Malformed: the default stays.
        {"host:", pool},
        {"host:0", pool},
        {"host:65536", pool},
        {"host:12x", pool},
        {":123", pool},
        {"[::1]x", pool},
        {"[::1", pool},
        {"a host", pool},
    };
    for (const auto& [value, expected] : cases) {
        env.value = value;
        const auto options = SntpClockSync::Options::fromEnvironment(env);
        EXPECT_EQ(Server(options.host, options.port), expected) << value.value_or("(unset)");
        EXPECT_EQ(options.timeoutMs, SntpClockSync::kDefaultTimeoutMs);
    }
}

/// PATH pointing at stand-ins for busctl, put back afterwards (each test runs in a process of its own).
class SntpTimedatedTest : public LinuxTempDir {
protected:
    void SetUp() override {
        LinuxTempDir::SetUp();
        saved_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", ((dir / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", saved_.c_str(), 1);
        LinuxTempDir::TearDown();
    }

private:
    std::string saved_;
};

// Without the right to set the clock itself, the program asks timedated to move it by the offset; only timedated's
// yes counts. The clock here is never touched: busctl is a stand-in.
TEST_F(SntpTimedatedTest, TheOffsetGoesToTimedatedAndItsAnswerDecides) {
    script("bin/busctl", "echo \"$*\" > \"$0.args\"\n");
    EXPECT_TRUE(SntpClockSync::askTimedated(-milliseconds(1500), -1, 5000));
    EXPECT_EQ(read("bin/busctl.args"), "call --system -- org.freedesktop.timedate1 /org/freedesktop/timedate1 "
                                       "org.freedesktop.timedate1 SetTime xbb -1500000 true true\n");

    script("bin/busctl", "echo 'Automatic time synchronization is enabled' >&2; exit 1\n");
    EXPECT_FALSE(SntpClockSync::askTimedated(seconds(3), -1, 5000));

    std::filesystem::remove(dir / "bin/busctl");
    ::setenv("PATH", (dir / "bin").string().c_str(), 1);
    EXPECT_FALSE(SntpClockSync::askTimedated(seconds(3), -1, 5000)) << "no busctl";
}

TEST_F(SntpTimedatedTest, AnUnansweredRequestEndsAtItsBoundOrWhenStoppedAndTakesBusctlWithIt) {
    script("bin/busctl", "echo $$ > \"$0.pid\"; exec sleep 30\n");
    for (const bool stopped : {false, true}) {
        std::filesystem::remove(dir / "bin/busctl.pid");
        const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        std::thread stopper([&] {
            std::this_thread::sleep_for(milliseconds(200));
            const std::uint64_t one = 1;
            if (stopped)
                (void)!::write(stopFd, &one, sizeof one);
        });
        const auto started = Steady::now();
        EXPECT_FALSE(SntpClockSync::askTimedated(seconds(1), stopFd, stopped ? 10'000 : 300));
        const auto took = duration_cast<milliseconds>(Steady::now() - started).count();
        stopper.join();
        ::close(stopFd);
        EXPECT_GE(took, stopped ? 190 : 290);
        EXPECT_LT(took, 1500) << (stopped ? "stopped" : "bound");
        const int pid = std::atoi(read("bin/busctl.pid").c_str());
        ASSERT_GT(pid, 0);
        EXPECT_NE(::kill(pid, 0), 0) << "busctl was ended and reaped";
    }
}

} // namespace
} // namespace qv::platform
