#include "ShellFixture.h"

namespace qv::test {
namespace {

// The first copy's poll of the second-start signal file.
struct SignalPollTest : ShellFixture {
    void SetUp() override {
        ShellFixture::SetUp();
        started();
        form->timers().timer(10).stop(); // keep the start-up modem restart out of these timings
    }
    std::size_t dials() const { return dialer.dials.size(); }
    void secondStart() { fs.put("/app/Data/Start", ""); }
};

TEST_F(SignalPollTest, OfflineTheSignalIsConsumedWithinASecondAndTheAccountDialled) {
    secondStart();
    loop.advance(1000);
    EXPECT_FALSE(fs.exists("/app/Data/Start"));
    EXPECT_EQ(dials(), 1u);
    EXPECT_EQ(lines("/app/PO.log"), (std::vector<std::string>{"5.3.2026 14:07:10 : Připojení po odpojení"}));
    loop.advance(5000);
    EXPECT_EQ(dials(), 1u);
    EXPECT_TRUE(form->timers().timer(22).enabled());
}

TEST_F(SignalPollTest, OnlineOrWhileDiallingTheSignalIsOnlyDeleted) {
    for (bool* busy : {&form->state().isConnected, &form->state().isDialing}) {
        *busy = true;
        secondStart();
        loop.advance(1000);
        EXPECT_FALSE(fs.exists("/app/Data/Start"));
        *busy = false;
    }
    EXPECT_EQ(dials(), 0u);
    EXPECT_FALSE(fs.exists("/app/PO.log"));
}

TEST_F(SignalPollTest, ADisconnectOrModemPollInProgressLeavesTheSignalForALaterPoll) {
    form->state().disconnectBusy = true;
    form->state().modemPollBusy = true;
    std::uint64_t dialledAt = 0;
    dialer.events.OnDialing = [&] { dialledAt = loop.tickCount(); };
    auto endDisconnect = loop.createTimer(1700, true, [&] { form->state().disconnectBusy = false; });
    auto endPoll = loop.createTimer(2300, true, [&] { form->state().modemPollBusy = false; });
    secondStart();
    loop.advance(2000);
    EXPECT_TRUE(fs.exists("/app/Data/Start"));
    EXPECT_EQ(dialledAt, 0u);
    loop.advance(1000);
    EXPECT_EQ(dialledAt, 3000u); // the first poll after both have ended
    EXPECT_FALSE(fs.exists("/app/Data/Start"));
    EXPECT_TRUE(form->timers().timer(22).enabled());
}

// A second start while the disconnected handling pumps (restarting the modem): the poll runs inside that handling
// and must not wait for it there.
TEST_F(SignalPollTest, ASecondStartDuringTheDisconnectedHandlingDialsAfterIt) {
    fs.put("/app/Nastaveni.ini", "[Pripojeni]\r\nReDial=0\r\n");
    form->activated();
    form->timers().timer(10).stop();
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(0);
    dialer.progress(8192);
    monitor.connect();
    auto whileHandling = loop.createTimer(300, true, [&] { secondStart(); });
    // A poll that waited inside the handling would wait for ever; the watchdog ends such a wait and tells.
    bool deadlocked = false;
    auto watchdog = loop.createTimer(30000, true, [&] {
        deadlocked = deadlocked || form->state().disconnectBusy;
        form->state().disconnectBusy = false;
    });
    monitor.disconnect(); // the modem restart of the handling pumps for 1.5 s
    whileHandling->stop();
    watchdog->stop();
    EXPECT_FALSE(deadlocked);
    EXPECT_EQ(dials(), 1u);
    loop.advance(1000);
    EXPECT_EQ(dials(), 2u);
}

TEST_F(SignalPollTest, AFailureIsLoggedAndThePollKeepsRunning) {
    dialer.events.OnDialing = [] { throw 1; };
    secondStart();
    loop.advance(1000);
    EXPECT_EQ(lines("/app/Error.log"), (std::vector<std::string>{"5.3.2026 14:07:10 : 1092,1"}));
    EXPECT_TRUE(form->timers().timer(22).enabled());
    dialer.events.OnDialing = [] {};
    secondStart();
    loop.advance(1000);
    EXPECT_EQ(dials(), 2u); // the failed attempt and this one
}

TEST_F(SignalPollTest, ASignalLeftBeforeStartIsConsumedByTheFirstPoll) {
    // A fresh shell: the file is already there when the program starts.
    form.reset();
    secondStart();
    started();
    loop.advance(1000);
    EXPECT_FALSE(fs.exists("/app/Data/Start"));
    EXPECT_EQ(dials(), 1u);
}

} // namespace
} // namespace qv::test
