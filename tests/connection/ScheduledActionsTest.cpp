#include "ConnectionFixture.h"

#include <cstdio>

namespace qv::test {
namespace {

constexpr double kSecond = 1.0 / 86400;

struct ScheduledActionsTest : ConnectionFixture {
    /// Sets the wall clock so that the schedule check's next tick, a second from now, reads h:m:s on the given day
    /// of March 2026.
    void nextTickAt(int h, int m, int s, int day = 5) {
        // The check ticks on the loop's whole seconds; a wait of the test's own call may have left it between two.
        if (const auto past = loop.tickCount() % 1000)
            loop.advance(static_cast<int>(1000 - past));
        clock.set(oleFromCivil({2026, 3, day, h, m, s, 0}) - kSecond);
    }
    int ano(const char* section) { return form->settingsFile().reader().readInt(section, "Ano", -1); }
    Timer& timer14() { return form->timers().timer(14); }
    /// A Cancel box that stays open for `ms` of the loop, then is closed with "Cancel" or not.
    void boxHeld(int ms, bool cancel) {
        dialogs.cancelBoxReactions.push_back([this, ms, cancel] {
            loop.pumpWait(ms);
            return cancel;
        });
    }
    /// The line drops `ms` from now, which starts the disconnected handling and its modem restart (1.5 s).
    void dropAfter(int ms) {
        drop_ = loop.createTimer(ms, true, [this] {
            drop_->stop();
            monitor.disconnect();
        });
    }
    /// Frees a disconnected handling still busy after 30 s; true when it had to (a wait for it never ended).
    bool& watchdog() {
        watchdog_ = loop.createTimer(30000, true, [this] {
            deadlocked_ = deadlocked_ || st().disconnectBusy;
            st().disconnectBusy = false;
        });
        return deadlocked_;
    }

private:
    std::unique_ptr<Timer> drop_, watchdog_;
    bool deadlocked_ = false;
};

enum class Line { Offline, Connected, Dialling };

struct ConnectCase {
    const char* name;
    int h, m, s; ///< [Pripojit] V
    Line line;
    bool dials;
};

struct ScheduledConnectTest : ScheduledActionsTest, testing::WithParamInterface<ConnectCase> {};

// The scheduled connect fires only in the tick of its second, dials the selected account with its own log line and
// clears [Pripojit] Ano in the file but not in the record; connected or dialling, it does nothing at all.
TEST_P(ScheduledConnectTest, FiresInItsSecondOnlyWhenNeitherConnectedNorDialling) {
    const ConnectCase& c = GetParam();
    char at[16];
    std::snprintf(at, sizeof at, "%d:%02d:%02d", c.h, c.m, c.s);
    start(std::string("[Pripojit]\r\nAno=1\r\nV=") + at + "\r\n");
    if (c.line == Line::Connected)
        connectNow();
    if (c.line == Line::Dialling)
        form->intents().clicked(w::SpeedButton1);
    const std::size_t dialsBefore = dialer.dials.size();
    const std::vector<std::string> logBefore = log();
    nextTickAt(c.h, c.m, c.s);
    clock.set(clock.now() - kSecond); // one tick in the second before
    loop.advance(1000);
    EXPECT_EQ(dialer.dials.size(), dialsBefore);
    loop.advance(1000);

    std::vector<std::string> expectedLog = logBefore;
    if (c.dials) {
        ASSERT_EQ(dialer.dials.size(), dialsBefore + 1);
        EXPECT_EQ(dialer.dials.back(), "Alfa");
        EXPECT_EQ(st().rasConnHandle, dialer.connectionHandle());
        expectedLog.push_back("Časové plánované připojení");
    } else {
        EXPECT_EQ(dialer.dials.size(), dialsBefore);
    }
    EXPECT_EQ(log(), expectedLog);
    EXPECT_EQ(ano("Pripojit"), c.dials ? 0 : 1);
    EXPECT_TRUE(form->settings().scheduledConnectOn); // the record is left alone
    loop.advance(3000);
    EXPECT_EQ(dialer.dials.size(), dialsBefore + (c.dials ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Cases, ScheduledConnectTest,
                         testing::Values(ConnectCase{"Midnight", 0, 0, 0, Line::Offline, true},
                                         ConnectCase{"LastSecondOfTheDay", 23, 59, 59, Line::Offline, true},
                                         ConnectCase{"AlreadyConnected", 14, 7, 12, Line::Connected, false},
                                         ConnectCase{"WhileDialling", 14, 7, 12, Line::Dialling, false}),
                         [](const testing::TestParamInfo<ConnectCase>& i) { return std::string(i.param.name); });

// Nothing remembers having fired: the same time on the next day dials again while the record is unchanged; the
// next reload of the record from the file switches it off.
TEST_F(ScheduledActionsTest, TheConnectFiresAgainNextDayUntilTheRecordIsReloaded) {
    start("[Pripojit]\r\nAno=1\r\nV=7:30:00\r\n[Pripojeni]\r\nReDial=0\r\n[Modem]\r\nRestart=0\r\n");
    nextTickAt(7, 30, 0, 6);
    loop.advance(1000);
    ASSERT_EQ(dialer.dials.size(), 1u);
    dialer.progress(8192);
    monitor.connect();
    monitor.disconnect();
    loop.advance(2000);
    ASSERT_FALSE(st().isDialing);

    nextTickAt(7, 30, 0, 7);
    loop.advance(1000);
    EXPECT_EQ(dialer.dials.size(), 2u);
    dialer.progress(0, platform::dialerror::kNoResponse); // this dial fails: the dialler is free again
    loop.advance(1000);
    ASSERT_FALSE(st().isDialing);

    form->activated(); // reads [Pripojit] Ano=0
    EXPECT_FALSE(form->settings().scheduledConnectOn);
    nextTickAt(7, 30, 0, 8);
    loop.advance(1000);
    EXPECT_EQ(dialer.dials.size(), 2u);
}

// A tick that falls inside the disconnected handling (here while it restarts the modem) must not wait there for the
// handling: the dial comes once the handling is over.
TEST_F(ScheduledActionsTest, AConnectDueDuringTheDisconnectedHandlingDialsAfterIt) {
    start("[Pripojit]\r\nAno=1\r\nV=14:07:12\r\n[Pripojeni]\r\nReDial=0\r\n");
    connectNow();
    nextTickAt(14, 7, 12);
    const bool& deadlocked = watchdog();
    std::uint64_t dialledAt = 0;
    dialer.events.OnDialing = [&] { dialledAt = loop.tickCount(); };
    dropAfter(300);
    loop.advance(1000); // the due tick comes inside the handling
    EXPECT_EQ(dialledAt, 0u);
    loop.advance(2000);
    EXPECT_FALSE(deadlocked);
    EXPECT_FALSE(st().disconnectBusy);
    EXPECT_GT(dialledAt, 1800u); // after the handling's modem restart
    EXPECT_LE(dialledAt, 5000u);
    EXPECT_EQ(log().back(), "Časové plánované připojení");
    EXPECT_EQ(ano("Pripojit"), 0);
}

// The scheduled hang-up is expected (no redial), and the file and the countdown wait 2500 ms and then for the
// disconnected handling, which here still runs at that time.
TEST_F(ScheduledActionsTest, TheDisconnectHangsUpThenClearsTheFileAndStartsTheCountdownAfterTheHandling) {
    start("[Odpojit]\r\nAno=1\r\nV=14:07:12\r\nVypnout=1\r\n[Pripojeni]\r\nReDial=1\r\n");
    connectNow();
    const std::uint32_t handle = st().rasConnHandle;
    bool expectedAtHangUp = false;
    dialer.onHangUp = [&](std::uint32_t) { expectedAtHangUp = st().suppressAutoRedial; };
    nextTickAt(14, 7, 12);
    loop.advance(1000);
    ASSERT_EQ(dialer.hangUps, std::vector<std::uint32_t>{handle});
    EXPECT_TRUE(expectedAtHangUp);
    EXPECT_EQ(log().back(), "Časové plánované odpojení");
    dropAfter(1000); // the handling's modem restart runs past the 2500 ms
    const bool& deadlocked = watchdog();
    loop.advance(2999);
    EXPECT_EQ(ano("Odpojit"), 1);
    EXPECT_FALSE(timer14().enabled());
    loop.advance(1);
    EXPECT_EQ(ano("Odpojit"), 0);
    EXPECT_TRUE(form->settings().scheduledDisconnectOn);
    EXPECT_TRUE(timer14().enabled());
    boxHeld(0, true);
    loop.advance(60000);
    EXPECT_FALSE(deadlocked);
    EXPECT_EQ(dialer.dials.size(), 1u); // no redial
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"info/cancel: Vypnutí PC za 10 sekund"});
}

struct OfflineCase {
    const char* name;
    const char* ini;
    bool countdown;
};

struct OfflineDisconnectTest : ScheduledActionsTest, testing::WithParamInterface<OfflineCase> {};

// Offline the scheduled disconnect hangs nothing up, logs nothing and leaves [Odpojit] Ano; the countdown still
// starts when asked for. With a connect in the same second, the dial starts and the disconnect finds no line.
TEST_P(OfflineDisconnectTest, NothingIsHungUpAndTheCountdownStartsWhenAsked) {
    const OfflineCase& c = GetParam();
    start(std::string("[Odpojit]\r\nAno=1\r\nV=14:07:12\r\n") + c.ini);
    nextTickAt(14, 7, 12);
    const bool connectToo = form->settings().scheduledConnectOn;
    loop.advance(1000);
    EXPECT_TRUE(dialer.hangUps.empty());
    EXPECT_EQ(ano("Odpojit"), 1);
    EXPECT_EQ(timer14().enabled(), c.countdown);
    EXPECT_EQ(dialer.dials.size(), connectToo ? 1u : 0u);
    EXPECT_EQ(log(), connectToo ? std::vector<std::string>{"Časové plánované připojení"} : std::vector<std::string>{});
    if (c.countdown)
        boxHeld(0, true);
    loop.advance(10000);
    EXPECT_EQ(dialogs.boxes.size(), c.countdown ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, OfflineDisconnectTest,
                         testing::Values(OfflineCase{"WithoutShutdown", "", false},
                                         OfflineCase{"WithShutdown", "Vypnout=1\r\n", true},
                                         OfflineCase{"WithConnectInTheSameSecond",
                                                     "Vypnout=1\r\n[Pripojit]\r\nAno=1\r\nV=14:07:12\r\n", true}),
                         [](const testing::TestParamInfo<OfflineCase>& i) { return std::string(i.param.name); });

// A failing dial is logged under the connect's tag and the disconnect still runs in the same tick; a failing
// hang-up is logged under the disconnect's tag and starts no countdown.
TEST_F(ScheduledActionsTest, FailuresAreLoggedWithTheirTagsAndTheCheckKeepsRunning) {
    start("[Pripojit]\r\nAno=1\r\nV=14:07:12\r\n[Odpojit]\r\nAno=1\r\nV=14:07:12\r\nVypnout=1\r\n");
    dialer.events.OnDialing = [] { throw 1; };
    nextTickAt(14, 7, 12);
    loop.advance(1000);
    EXPECT_EQ(lines("/app/Error.log"), (std::vector<std::string>{"5.3.2026 14:07:12 : 1265,1"}));
    EXPECT_EQ(ano("Pripojit"), 1);
    EXPECT_TRUE(timer14().enabled());
    timer14().stop();

    st().isConnected = true;
    dialer.onHangUp = [](std::uint32_t) { throw 2; };
    nextTickAt(14, 7, 12, 6);
    loop.advance(1000);
    EXPECT_EQ(lines("/app/Error.log").back(), "6.3.2026 14:07:12 : 1281,1");
    EXPECT_FALSE(timer14().enabled());
    EXPECT_TRUE(form->timers().timer(21).enabled());
}

// The countdown: a box a second after the start (5 left), another 5 s later (0), and 5 s after that (-5) the
// power-off, about 11 s after the start; a box nobody cancels lets it ask again every 5 s. Each tick clears the tray
// switch. "Cancel" in any box puts it back: stopped, period 1000 ms, 10 s, so the next start runs the full 11 s
// again; "Cancel" in a box that opened only after -5 is too late, and the boxes below it change nothing more.
TEST_F(ScheduledActionsTest, TheCountdownAsksForThePowerOffAfterElevenSecondsUnlessCancelledFirst) {
    start("");
    const struct {
        const char* name;
        std::vector<std::pair<int, bool>> boxes; ///< how long each box stays open, and whether "Cancel" closes it
        std::vector<std::string> seen;           ///< at each box: seconds left, and power-offs asked for so far
        std::vector<std::uint64_t> powerOffs;    ///< ms after the start
    } runs[] = {
        {"cancel in the first box", {{2000, true}}, {"5/0"}, {}},
        {"nobody cancels",
         {{30000, false}, {30000, false}, {30000, false}, {0, true}},
         {"5/0", "0/0", "-5/1", "-10/2"},
         {11000, 16000}},
        {"cancel too late", {{20000, true}, {20000, true}, {0, true}}, {"5/0", "0/0", "-5/1"}, {11000}},
    };
    std::size_t boxes = 0;
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        form->intents().clicked(w::VypnoutPcpoodpojen1);
        ASSERT_TRUE(main(w::VypnoutPcpoodpojen1).checked);
        std::vector<std::string> seen;
        for (const auto& [ms, cancel] : run.boxes)
            dialogs.cancelBoxReactions.push_back([&, ms, cancel] {
                seen.push_back(std::to_string(form->shutdownCountdown().secondsLeft()) + "/" +
                               std::to_string(shutdown.requests.size()));
                EXPECT_FALSE(main(w::VypnoutPcpoodpojen1).checked);
                EXPECT_EQ(timer14().interval(), 5000);
                loop.pumpWait(ms);
                return cancel;
            });
        const std::uint64_t start = loop.tickCount();
        shutdown.requests.clear();
        form->shutdownCountdown().start();
        loop.advance(999);
        EXPECT_TRUE(main(w::VypnoutPcpoodpojen1).checked);
        EXPECT_EQ(dialogs.boxes.size(), boxes);
        loop.advance(1);
        EXPECT_EQ(seen, run.seen);
        std::vector<std::uint64_t> powerOffs;
        for (const auto at : shutdown.requests)
            powerOffs.push_back(at - start);
        EXPECT_EQ(powerOffs, run.powerOffs);
        EXPECT_FALSE(timer14().enabled());
        EXPECT_EQ(timer14().interval(), 1000);
        EXPECT_EQ(form->shutdownCountdown().secondsLeft(), 10);
        loop.advance(60000);
        boxes += run.boxes.size();
        EXPECT_EQ(dialogs.boxes, std::vector<std::string>(boxes, "info/cancel: Vypnutí PC za 10 sekund"));
        EXPECT_EQ(shutdown.requests.size(), run.powerOffs.size());
    }
    EXPECT_EQ(dialogs.cancelBoxTitles, std::vector<std::string>(boxes, "Information"));
}

// A disconnect rule with the tray switch on starts the countdown through the shell's hook.
TEST_F(ScheduledActionsTest, ARuleWithTheTraySwitchOnStartsTheCountdown) {
    start("[Pripojeni]\r\nReDialTime=1\r\nReDialTimeHodnota=1\r\n");
    connectNow();
    form->intents().clicked(w::VypnoutPcpoodpojen1);
    loop.advance(60000);
    ASSERT_EQ(log().back(), "Časové odpojení");
    ASSERT_TRUE(timer14().enabled());
    EXPECT_TRUE(main(w::VypnoutPcpoodpojen1).checked);
    boxHeld(0, true);
    loop.advance(1000);
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"info/cancel: Vypnutí PC za 10 sekund"});
    EXPECT_FALSE(main(w::VypnoutPcpoodpojen1).checked);
    EXPECT_FALSE(timer14().enabled());
}

// Without a shutdown service (the demo line) the countdown powers nothing off and says so in the connection log.
TEST_F(ScheduledActionsTest, WithoutAShutdownServiceTheCountdownOnlyLogs) {
    auto s = services();
    s.shutdown = nullptr;
    form = std::make_unique<app::MainForm>(s, paths, views);
    form->create();
    form->activated();
    boxHeld(20000, false);
    boxHeld(20000, false);
    boxHeld(0, true);
    form->shutdownCountdown().start();
    loop.advance(1000);
    EXPECT_TRUE(shutdown.requests.empty());
    EXPECT_EQ(log(), std::vector<std::string>{"Vypnutí PC (simulace, počítač zůstává zapnutý)"});
}

} // namespace
} // namespace qv::test
