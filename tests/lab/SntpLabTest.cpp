// The clock synchronisation in the provider lab: an SNTP exchange with a time server on the provider host, across
// the dial-up link, on the program's own loop; the clock setter is a stand-in, so the machine's clock stays as it is.
#include "Lab.h"
#include "LabProgram.h"
#include "platform/linux/SntpClockSync.h"
#include "shell/ShellNames.h"
#include "support/SntpResponder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace qv::lab {
namespace {

using namespace std::chrono;
using platform::SntpClockSync;
using test::SntpResponder;

constexpr std::uint16_t kNtpPort = 123;
constexpr const char* kSilentHost = "10.231.1.9"; // routed across the link; nobody there, nothing answers

struct SntpLabTest : ::testing::Test {
    std::unique_ptr<Lab> lab;
    std::unique_ptr<SntpResponder> server;
    std::unique_ptr<Program> p;
    std::mutex mutex;
    std::vector<system_clock::time_point> setTo;

    void SetUp() override {
        if (const auto why = Lab::start(lab); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(lab->error(), "");
        // Made from a thread inside the provider's namespace, so the server's socket lives there.
        std::thread([&] {
            if (Lab::enterNetns(lab->netns()))
                server = std::make_unique<SntpResponder>(Lab::kProviderHost, kNtpPort);
        }).join();
        ASSERT_TRUE(server && server->listening());
        p = std::make_unique<Program>(lab->appDir());
        ASSERT_TRUE(p->fs.writeAtomic(p->paths.settingsFile(), "[Modem]\r\nRestart=0\r\n[Pripojeni]\r\nReDial=0\r\n"));
        ASSERT_TRUE(p->startAndDial());
    }
    void TearDown() override {
        p.reset();
        server.reset();
        lab.reset();
    }
    SntpClockSync::Options options(const std::string& host) {
        return {.host = host, .port = kNtpPort, .setClock = [this](system_clock::time_point t) {
                    const std::lock_guard hold(mutex);
                    setTo.push_back(t);
                    return true;
                }};
    }
    struct Outcome {
        bool ok;
        milliseconds took;
    };
    /// "Synchronizovat": one run on the program's loop, to its reported end.
    std::optional<Outcome> synchronise(SntpClockSync& sync) {
        std::optional<bool> result;
        const auto started = steady_clock::now();
        if (!sync.start([&](bool ok) { result = ok; }))
            return std::nullopt;
        if (!p->loop.pumpUntil([&] { return result.has_value(); }, 10000))
            return std::nullopt;
        return Outcome{*result, duration_cast<milliseconds>(steady_clock::now() - started)};
    }
    std::vector<system_clock::time_point> calls() {
        const std::lock_guard hold(mutex);
        return setTo;
    }
};

TEST_F(SntpLabTest, TheProvidersTimeServerSetsTheClock) {
    server->setOffset(minutes(-17));
    SntpClockSync sync(p->loop, options(Lab::kProviderHost));
    const auto outcome = synchronise(sync);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->ok);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_LT(abs(duration_cast<milliseconds>(calls()[0] - (system_clock::now() - minutes(17))).count()), 200);
    EXPECT_EQ(server->requests(), 1);
    std::cout << "[ sntp ] exchange across the link and back to the loop: " << outcome->took.count() << " ms\n";
}

TEST_F(SntpLabTest, NoTimeServerFailsWithinTheTimeOut) {
    // The provider host with nothing on the port refuses at once; an address where nobody is stays silent until
    // the time-out.
    server.reset();
    SntpClockSync refused(p->loop, options(Lab::kProviderHost));
    auto outcome = synchronise(refused);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->ok);
    EXPECT_LT(outcome->took.count(), SntpClockSync::kDefaultTimeoutMs);
    const auto refusedAfter = outcome->took.count();

    SntpClockSync silent(p->loop, options(kSilentHost));
    outcome = synchronise(silent);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->ok);
    EXPECT_GE(outcome->took.count(), SntpClockSync::kDefaultTimeoutMs - 10);
    EXPECT_LT(outcome->took.count(), SntpClockSync::kDefaultTimeoutMs + 1000);
    EXPECT_TRUE(calls().empty());
    std::cout << "[ sntp ] refused after " << refusedAfter << " ms, silent host given up after "
              << outcome->took.count() << " ms\n";
}

} // namespace
} // namespace qv::lab
