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

/// The clock setter's calls, from the run's thread.
struct FakeClock {
    std::mutex mutex;
    std::vector<system_clock::time_point> set;
    bool accept = true;
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
};

/// One run to its end, with how long it took; nothing when no outcome came within 5 s.
struct Outcome {
    bool ok;
    milliseconds took;
};
std::optional<Outcome> runOnce(VirtualEventLoop& loop, SntpClockSync& sync) {
    std::optional<bool> result;
    const auto started = Steady::now();
    const auto caller = std::this_thread::get_id();
    if (!sync.start([&](bool ok) {
            EXPECT_EQ(std::this_thread::get_id(), caller) << "the outcome comes on the UI thread";
            result = ok;
        }))
        return std::nullopt;
    EXPECT_FALSE(result) << "never inside start";
    while (!result && Steady::now() - started < seconds(5)) {
        loop.runPosted();
        std::this_thread::sleep_for(milliseconds(1));
    }
    if (!result)
        return std::nullopt;
    return Outcome{*result, duration_cast<milliseconds>(Steady::now() - started)};
}

SntpClockSync::Options at(const SntpResponder& server, FakeClock& clock, int timeoutMs = 2000) {
    return {.host = "127.0.0.1", .port = server.port(), .timeoutMs = timeoutMs, .setClock = clock.setter()};
}

TEST(SntpClockSync, AGoodAnswerSetsTheClockToTheServersTime) {
    SntpResponder server("127.0.0.1", 0);
    ASSERT_TRUE(server.listening());
    VirtualEventLoop loop;
    FakeClock clock;
    SntpClockSync sync(loop, at(server, clock));
    for (const auto ahead : {hours(1), -hours(30 * 24), hours(0)}) {
        server.setOffset(ahead);
        const auto outcome = runOnce(loop, sync);
        ASSERT_TRUE(outcome);
        EXPECT_TRUE(outcome->ok);
        ASSERT_FALSE(clock.calls().empty());
        const auto serverNow = system_clock::now() + ahead;
        EXPECT_LT(abs(duration_cast<milliseconds>(clock.calls().back() - serverNow).count()), 100)
            << "server ahead by " << duration_cast<seconds>(ahead).count() << " s";
    }
    EXPECT_EQ(clock.calls().size(), 3u);
    EXPECT_EQ(server.lastRequestHeader(), 0x23) << "no leap warning, version 4, client mode";
}

// After 7 February 2036 the NTP seconds wrap to small numbers; they still mean the years after it.
TEST(SntpClockSync, ATimeAfterTheNtpEraRollsOverIsReadAsSuch) {
    SntpResponder server("127.0.0.1", 0);
    VirtualEventLoop loop;
    FakeClock clock;
    SntpClockSync sync(loop, at(server, clock));
    const auto in2040 = system_clock::time_point(seconds(2'208'988'800)); // 2040-01-01 00:00:00 UTC
    server.setOffset(in2040 - system_clock::now());
    const auto outcome = runOnce(loop, sync);
    ASSERT_TRUE(outcome && outcome->ok);
    EXPECT_LT(abs(duration_cast<milliseconds>(clock.calls().back() - in2040).count()), 1000);
}

struct BadAnswer {
    Answer answer;
    const char* what;
    friend void PrintTo(const BadAnswer& b, std::ostream* os) { *os << b.what; }
};

class SntpClockSyncBadAnswer : public ::testing::TestWithParam<BadAnswer> {};

// An answer that echoes our request but says the server cannot be trusted ends the run at once; one that echoes
// another request is ignored, so the run ends only at the time-out. Either way the clock stays as it is.
TEST_P(SntpClockSyncBadAnswer, FailsAndLeavesTheClockAlone) {
    SntpResponder server("127.0.0.1", 0);
    server.setAnswer(GetParam().answer);
    server.setOffset(hours(2));
    VirtualEventLoop loop;
    FakeClock clock;
    SntpClockSync sync(loop, at(server, clock, kShortTimeoutMs));
    const auto outcome = runOnce(loop, sync);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->ok);
    EXPECT_TRUE(clock.calls().empty());
    EXPECT_EQ(server.requests(), 1);
    EXPECT_LT(outcome->took.count(), kShortTimeoutMs + 500);
    if (GetParam().answer == Answer::WrongOriginate || GetParam().answer == Answer::Silent) {
        EXPECT_GE(outcome->took.count(), kShortTimeoutMs - 10) << "waited for the right answer until the time-out";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SntpClockSyncBadAnswer,
    ::testing::Values(BadAnswer{Answer::WrongOriginate, "WrongOriginate"}, BadAnswer{Answer::ClientMode, "ClientMode"},
                      BadAnswer{Answer::KissOfDeath, "KissOfDeath"},
                      BadAnswer{Answer::Unsynchronised, "Unsynchronised"}, BadAnswer{Answer::Stratum16, "Stratum16"},
                      BadAnswer{Answer::NoTransmitTime, "NoTransmitTime"}, BadAnswer{Answer::Silent, "Silent"}),
    [](const auto& param) { return std::string(param.param.what); });

TEST(SntpClockSync, AStaleAnswerBeforeTheRightOneIsSkipped) {
    SntpResponder server("127.0.0.1", 0);
    server.setAnswer(Answer::StaleThenGood);
    server.setOffset(minutes(5));
    VirtualEventLoop loop;
    FakeClock clock;
    SntpClockSync sync(loop, at(server, clock));
    const auto outcome = runOnce(loop, sync);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->ok);
    ASSERT_EQ(clock.calls().size(), 1u);
    EXPECT_LT(abs(duration_cast<milliseconds>(clock.calls().back() - (system_clock::now() + minutes(5))).count()), 100);
}

TEST(SntpClockSync, NoServerNoNameOrARefusedClockFails) {
    VirtualEventLoop loop;
    FakeClock clock;
    // A port where nothing listens: the host's refusal ends the run before the time-out.
    std::uint16_t closedPort = 0;
    {
        SntpResponder gone("127.0.0.1", 0);
        closedPort = gone.port();
    }
    SntpClockSync refused(loop,
                          {.host = "127.0.0.1", .port = closedPort, .timeoutMs = 2000, .setClock = clock.setter()});
    auto outcome = runOnce(loop, refused);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->ok);
    EXPECT_LT(outcome->took.count(), 1000);

    SntpClockSync unknown(loop,
                          {.host = "no-such-host.invalid", .timeoutMs = kShortTimeoutMs, .setClock = clock.setter()});
    outcome = runOnce(loop, unknown);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->ok);
    EXPECT_LT(outcome->took.count(), kShortTimeoutMs + 500);
    EXPECT_TRUE(clock.calls().empty());

    // The server answers, but the clock may not be set: a failure too.
    SntpResponder server("127.0.0.1", 0);
    clock.accept = false;
    SntpClockSync denied(loop, at(server, clock));
    outcome = runOnce(loop, denied);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->ok);
    EXPECT_EQ(clock.calls().size(), 1u);
}

TEST(SntpClockSync, OneRunAtATimeAndTheEndWakesARunStillWaiting) {
    SntpResponder server("127.0.0.1", 0);
    server.setAnswer(Answer::Silent);
    VirtualEventLoop loop;
    FakeClock clock;
    int outcomes = 0;
    {
        SntpClockSync sync(loop, at(server, clock, 400));
        EXPECT_TRUE(sync.start([&](bool) { ++outcomes; }));
        EXPECT_FALSE(sync.start([&](bool) { ++outcomes; })) << "a second start while one runs";
        const auto until = Steady::now() + seconds(5);
        while (outcomes == 0 && Steady::now() < until) {
            loop.runPosted();
            std::this_thread::sleep_for(milliseconds(1));
        }
        EXPECT_EQ(outcomes, 1);
        server.setAnswer(Answer::Good);
        const auto again = runOnce(loop, sync);
        ASSERT_TRUE(again) << "a new run once the last one has reported";
        EXPECT_TRUE(again->ok);

        // Ended while a run waits for a silent server with a long time-out: it returns at once, and the run's
        // outcome is never reported.
        server.setAnswer(Answer::Silent);
        auto waiting = std::make_unique<SntpClockSync>(loop, at(server, clock, 10'000));
        EXPECT_TRUE(waiting->start([&](bool) { ++outcomes; }));
        std::this_thread::sleep_for(milliseconds(50));
        const auto before = Steady::now();
        waiting.reset();
        EXPECT_LT(Steady::now() - before, milliseconds(500));
    }
    loop.runPosted();
    EXPECT_EQ(outcomes, 1);
}

TEST(SntpClockSync, TheServerComesFromTheEnvironmentWhenWellFormed) {
    struct Env final : ProcessEnvironment {
        std::optional<std::string> value;
        std::string executablePath() const override { return "/usr/bin/quorvex"; }
        std::optional<std::string> variable(const std::string& name) const override {
            return name == SntpClockSync::kServerVariable ? value : std::nullopt;
        }
    } env;
    using Server = std::pair<std::string, std::uint16_t>;
    const std::vector<std::pair<std::optional<std::string>, Server>> cases = {
        {std::nullopt, {"pool.ntp.org", 123}},
        {"", {"pool.ntp.org", 123}},
        {"time.example.net", {"time.example.net", 123}},
        {"10.231.1.1:1123", {"10.231.1.1", 1123}},
        {"[2001:db8::1]:4123", {"2001:db8::1", 4123}},
        {"[2001:db8::1]", {"2001:db8::1", 123}},
        {"2001:db8::1", {"2001:db8::1", 123}},
        // Malformed: the default stays.
        {"host:", {"pool.ntp.org", 123}},
        {"host:0", {"pool.ntp.org", 123}},
        {"host:65536", {"pool.ntp.org", 123}},
        {"host:12x", {"pool.ntp.org", 123}},
        {":123", {"pool.ntp.org", 123}},
        {"[::1]x", {"pool.ntp.org", 123}},
        {"[::1", {"pool.ntp.org", 123}},
        {"a host", {"pool.ntp.org", 123}},
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
