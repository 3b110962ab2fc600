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

TEST_F(SignalPollTest, WaitsForADisconnectOrModemPollInProgressBeforeDialling) {
    form->state().disconnectBusy = true;
    form->state().modemPollBusy = true;
    bool pollStoppedDuringWait = false;
    std::uint64_t dialledAt = 0;
    dialer.events.OnDialing = [&] { dialledAt = loop.tickCount(); };
    auto endDisconnect = loop.createTimer(1700, true, [&] {
        form->state().disconnectBusy = false;
        // The poll's own timer is stopped during the handling, so it does not re-enter.
        pollStoppedDuringWait = !form->timers().timer(22).enabled();
    });
    auto endPoll = loop.createTimer(2300, true, [&] { form->state().modemPollBusy = false; });
    secondStart();
    loop.advance(1000);
    EXPECT_TRUE(pollStoppedDuringWait);
    EXPECT_EQ(dialledAt, 2500u); // checked every 500 ms: 1500, 2000, 2500
    EXPECT_TRUE(form->timers().timer(22).enabled());
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
