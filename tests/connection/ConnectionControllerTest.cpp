#include "ConnectionFixture.h"

#include <limits>

namespace qv::test {
namespace {

struct ConnectionControllerTest : ConnectionFixture {
    bool deadlocked = false;
    std::unique_ptr<Timer> watchdog;
    /// A wait nested inside the disconnected handling for that same handling to end never returns; 30 s on, this
    /// ends it by clearing the flag, so that such a test fails instead of running for ever.
    void watchForADeadlock() {
        watchdog = loop.createTimer(30000, true, [this] {
            watchdog->stop();
            deadlocked = st().disconnectBusy;
            st().disconnectBusy = false;
        });
    }
};

TEST_F(ConnectionControllerTest, AWholeDialDrivesButtonsTrayAndStatusLine) {
    start();
    EXPECT_EQ(main(w::Label9).text, "Odpojeno");
    EXPECT_EQ(controls(), "10101");
    EXPECT_EQ(tray(), 1);
    form->intents().clicked(w::SpeedButton1);
    EXPECT_TRUE(st().isDialing);
    EXPECT_EQ(st().rasConnHandle, 0x100u);
    dialer.progress(0);
    EXPECT_EQ(main(w::Label9).text, "Otevírá se port");
    dialer.progress(14);
    EXPECT_EQ(main(w::Label9).text, "Ověřeno");
    dialer.progress(8192);
    EXPECT_EQ(main(w::Label9).text, "Spojeno");
    monitor.connect();
    EXPECT_TRUE(st().isConnected);
    EXPECT_FALSE(st().isDialing);
    EXPECT_EQ(main(w::Label6).text, "10.0.0.2");
    EXPECT_EQ(main(w::Label4).text, "10.0.0.1");
    EXPECT_EQ(controls(), "01011");
    EXPECT_EQ(tray(), 0);
    EXPECT_EQ(monitor.pollInterval(), 2000);
    for (int n : {4, 5, 8, 9, 11, 15, 16, 17})
        EXPECT_TRUE(form->timers().timer(n).enabled()) << "Timer" << n;
    EXPECT_EQ(form->timers().timer(16).interval(), 60 * 60000);
    EXPECT_EQ(form->timers().timer(20).interval(), 10000);

    form->intents().clicked(w::SpeedButton2);
    EXPECT_EQ(dialer.hangUps, (std::vector<std::uint32_t>{0x100}));
    EXPECT_EQ(main(w::Label9).text, "Odpojeno");
    monitor.disconnect();
    EXPECT_FALSE(st().isConnected);
    EXPECT_EQ(controls(), "10100");
    EXPECT_EQ(tray(), 1);
    EXPECT_EQ(main(w::Label4).text, "");
    for (int n : {4, 5, 8, 9, 11, 15, 16})
        EXPECT_FALSE(form->timers().timer(n).enabled()) << "Timer" << n;
    EXPECT_TRUE(form->timers().timer(12).enabled());
    EXPECT_TRUE(monitor.enabled());
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Normální odpojení"}));
    loop.advance(60000);
    EXPECT_EQ(dialer.dials.size(), 1u); // "Odpojit" never redials
}

TEST_F(ConnectionControllerTest, TheUserStoresTypedCredentialsBeforeTheDial) {
    start();
    form->intents().textEdited(w::Edit1, "karel");
    form->intents().textEdited(w::Edit2, "tajne");
    EXPECT_TRUE(main(w::CheckBox1).checked); // the entry had no stored credentials
    form->intents().clicked(w::SpeedButton1);
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"SetUserName:karel", "SetPassword:tajne"}));
    form->intents().toggled(w::CheckBox1, false);
    form->intents().textEdited(w::Edit1, "jiny");
    st().isDialing = false;
    form->intents().clicked(w::SpeedButton1);
    EXPECT_EQ(dialer.calls.size(), 2u);
}

TEST_F(ConnectionControllerTest, AnOutsideDropIsRedialledAfterTheDelayOncePerConnection) {
    start();
    connectNow();
    monitor.disconnect(); // the network dropped the line
    EXPECT_EQ(main(w::Label9).text, "Připojení bylo odpojeno mimo tuto aplikaci, připojení bude obnoveno za 20 sec.");
    EXPECT_EQ(tray(), 2);
    EXPECT_TRUE(st().reconnectPending);
    loop.advance(19999);
    EXPECT_EQ(dialer.dials.size(), 1u);
    loop.advance(1);
    EXPECT_EQ(dialer.dials.size(), 2u);
    EXPECT_EQ(log().back(), "Připojení po odpojení");

    // The redialled connection drops again: it came up, so it is redialled again.
    dialer.progress(8192);
    monitor.connect();
    EXPECT_FALSE(st().reconnectPending);
    monitor.disconnect();
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 3u);
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Připojení bylo odpojeno mimo tuto aplikaci",
                                               "Připojení po odpojení", "Připojení bylo odpojeno mimo tuto aplikaci",
                                               "Připojení po odpojení"}));
}

TEST_F(ConnectionControllerTest, NoRedialWhenReDialIsOff) {
    start("[Pripojeni]\r\nReDial=0\r\n");
    connectNow();
    monitor.disconnect();
    loop.advance(60000);
    EXPECT_EQ(dialer.dials.size(), 1u);
    EXPECT_EQ(tray(), 1);
}

TEST_F(ConnectionControllerTest, AZeroDelayReconnectsAtOnceInsteadOfNever) {
    start("[Pripojeni]\r\nProdleva=0\r\n");
    connectNow();
    monitor.disconnect();
    EXPECT_EQ(main(w::Label9).text, "Připojení bylo odpojeno mimo tuto aplikaci, připojení bude obnoveno za 0 sec.");
    loop.advance(1);
    EXPECT_EQ(dialer.dials.size(), 2u);
}

TEST_F(ConnectionControllerTest, Error721IsRetriedTenTimesAMinuteApartThenNoMore) {
    start();
    form->intents().clicked(w::SpeedButton1);
    for (int attempt = 1; attempt <= 11; ++attempt) {
        dialer.progress(5, 721);
        EXPECT_EQ(main(w::Label9).text,
                  "Error: 721 , " + platform::dialErrorText(721)); // after the restart the error stays shown
        EXPECT_FALSE(st().isDialing);
        EXPECT_TRUE(main(w::SpeedButton1).enabled);
        EXPECT_FALSE(main(w::Odpojit1).enabled);
        const auto before = dialer.dials.size();
        loop.advance(60000);
        EXPECT_EQ(dialer.dials.size(), before + (attempt <= 10 ? 1 : 0)) << "after error " << attempt;
    }
    EXPECT_EQ(st().error7xxRetries, 11);
    int retries = 0;
    for (const auto& text : log())
        retries += text == "Pokus o připojení: Error 7xx";
    EXPECT_EQ(retries, 10);
}

TEST_F(ConnectionControllerTest, Error691IsNotRetriedAndResetsTheRetryCount) {
    start();
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(5, 720);
    EXPECT_EQ(st().error7xxRetries, 1);
    loop.advance(60000);
    dialer.progress(5, 691);
    EXPECT_EQ(st().error7xxRetries, 0);
    loop.advance(300000);
    EXPECT_EQ(dialer.dials.size(), 2u);
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Chyba při připojování",
                                               "Pokus o připojení: Error 7xx", "Chyba při připojování"}));
}

TEST_F(ConnectionControllerTest, RetriesAreOffWhen721SettingIsOff) {
    start("[Pripojeni]\r\n721=0\r\n");
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(5, 721);
    loop.advance(120000);
    EXPECT_EQ(dialer.dials.size(), 1u);
}

TEST_F(ConnectionControllerTest, ARefusedDialRequestLeavesTheDiallingState) {
    start();
    dialer.dialResult = 623;
    form->intents().clicked(w::SpeedButton1);
    loop.advance(0);
    EXPECT_FALSE(st().isDialing);
    EXPECT_EQ(main(w::Label9).text, "Error: 623 , " + platform::dialErrorText(623));
    dialer.dialResult = 0;
    form->intents().clicked(w::SpeedButton1);
    EXPECT_EQ(dialer.dials.size(), 2u);
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Chyba při připojování", "Normální připojení"}));
}

// The link came up and went between two polls: the monitor never reported it, the dialler's end of the dial did.
TEST_F(ConnectionControllerTest, ALinkThatWentUnseenByTheMonitorEndsTheDialAndIsRedialledLikeAnOutsideDrop) {
    start();
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(8192);
    dialer.progress(8193);
    EXPECT_FALSE(st().isDialing);
    EXPECT_FALSE(st().isConnected);
    EXPECT_EQ(main(w::Label9).text, "Připojení bylo odpojeno mimo tuto aplikaci, připojení bude obnoveno za 20 sec.");
    EXPECT_EQ(tray(), 2);
    EXPECT_TRUE(form->timers().timer(3).enabled()); // the modem poll of the disconnected handling
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 2u);
    // It came up, so the redial is armed again for the next one that goes the same way.
    dialer.progress(8192);
    dialer.progress(8193);
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 3u);
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Připojení bylo odpojeno mimo tuto aplikaci",
                                               "Připojení po odpojení", "Připojení bylo odpojeno mimo tuto aplikaci",
                                               "Připojení po odpojení"}));
    EXPECT_EQ(fs.readAll("/app/Statistiky/Pripojeni.sts").value_or("").size(), 0u); // no connection was metered
}

TEST_F(ConnectionControllerTest, AnUnseenLinkWithoutReDialLeavesTheProgramReadyToDial) {
    start("[Pripojeni]\r\nReDial=0\r\n721=1\r\n");
    const auto unseenLink = [&] {
        dialer.progress(8192);
        dialer.progress(8193);
        EXPECT_FALSE(st().isDialing);
    };
    form->intents().clicked(w::SpeedButton1);
    unseenLink();
    EXPECT_EQ(tray(), 1);
    EXPECT_EQ(controls(), "10100");
    loop.advance(60000);
    EXPECT_EQ(dialer.dials.size(), 1u);
    // Nothing is skipped any more: a second start, the error retry and the button all dial.
    fs.put("/app/Data/Start", "");
    loop.advance(1000);
    dialer.progress(5, 721);
    loop.advance(60000);
    unseenLink();
    form->intents().clicked(w::SpeedButton1);
    EXPECT_EQ(dialer.dials.size(), 4u);
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Připojení po odpojení", "Chyba při připojování",
                                               "Pokus o připojení: Error 7xx", "Normální připojení"}));
}

TEST_F(ConnectionControllerTest, TheEndOfADialTheMonitorReportedIsLeftToTheMonitor) {
    start();
    connectNow();
    dialer.progress(8193);
    EXPECT_TRUE(st().isConnected);
    EXPECT_TRUE(form->timers().timer(4).enabled());
    EXPECT_EQ(log(), std::vector<std::string>{"Normální připojení"});
    monitor.disconnect();
    EXPECT_EQ(log().back(), "Připojení bylo odpojeno mimo tuto aplikaci");
}

TEST_F(ConnectionControllerTest, ADialOverBeforeItsLinkCameUpIsADialError) {
    start();
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(5);
    dialer.progress(8193);
    EXPECT_FALSE(st().isDialing);
    EXPECT_EQ(main(w::Label9).text, "Error: 619 , " + platform::dialErrorText(619));
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Chyba při připojování"}));
}

TEST_F(ConnectionControllerTest, FourFailedPingsLeadToARestartAtTheNextTick) {
    start("[AutoRestart]\r\nRestart=1\r\n");
    connectNow();
    for (int i = 0; i < 4; ++i) {
        loop.advance(4000);
        ASSERT_EQ(echo.pending.size(), 1u) << "ping " << i;
        EXPECT_EQ(echo.sent.back().host, "192.0.2.53");
        EXPECT_EQ(echo.sent.back().dataBytes, 56);
        EXPECT_EQ(echo.sent.back().ttl, 64);
        EXPECT_EQ(echo.sent.back().timeoutMs, 3500);
        echo.answer(0);
    }
    EXPECT_EQ(st().pingFailures, 4);
    loop.advance(4000);
    EXPECT_TRUE(echo.pending.empty());
    EXPECT_EQ(dialer.hangUps.size(), 1u);
    EXPECT_EQ(main(w::Label9).text,
              "Restart připojení (několikanásobný chybný ping), připojeni bude obnoveno za 20 sec.");
    EXPECT_EQ(log(), (std::vector<std::string>{"Normální připojení", "Restart připojení",
                                               "Restart připojení (několikanásobný chybný ping)"}));
    monitor.disconnect();
    EXPECT_EQ(tray(), 2);
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 2u);
    EXPECT_EQ(log().back(), "Připojení po odpojení");
}

TEST_F(ConnectionControllerTest, PingsGoByTheInterfaceOfTheConnectionAndAnEarlierOnesAnswerIsNotCounted) {
    start("[AutoRestart]\r\nRestart=1\r\n");
    monitor.details.interfaceName = "ppp3";
    connectNow();
    loop.advance(4000);
    ASSERT_EQ(echo.sent.size(), 1u);
    EXPECT_EQ(echo.sent.back().interfaceName, "ppp3");
    monitor.disconnect();
    monitor.details.interfaceName = "ppp0"; // the next connection has a link of its own
    monitor.connect();
    echo.answer(0); // the earlier connection's ping
    EXPECT_EQ(st().pingFailures, 0);
    loop.advance(4000);
    ASSERT_EQ(echo.sent.size(), 2u);
    EXPECT_EQ(echo.sent.back().interfaceName, "ppp0");
}

TEST_F(ConnectionControllerTest, AnAnsweredPingClearsTheFailures) {
    start("[AutoRestart]\r\nRestart=1\r\n");
    connectNow();
    for (int answers : {0, 0, 0, 1, 0, 0, 0}) {
        loop.advance(4000);
        echo.answer(answers);
    }
    EXPECT_EQ(st().pingFailures, 3);
    loop.advance(4000);
    EXPECT_TRUE(dialer.hangUps.empty());
}

TEST_F(ConnectionControllerTest, PingCheckIsSilentWhenOffOrSwitchedOffByTheErrorWindow) {
    start();
    connectNow();
    loop.advance(20000);
    EXPECT_TRUE(echo.sent.empty()); // [AutoRestart] Restart is off by default

    fs.put("/app/Nastaveni.ini", "[AutoRestart]\r\nRestart=1\r\n");
    form->activated();
    st().pingFailures = connection::ControllerState::kPingCheckOff;
    loop.advance(20000);
    EXPECT_TRUE(echo.sent.empty());
}

TEST_F(ConnectionControllerTest, RestartFromTheMenuHangsUpAndDialsAfterTheDelay) {
    start();
    connectNow();
    form->intents().clicked(w::Restartovatpipojen1);
    EXPECT_EQ(main(w::Label9).text, "Restart připojení, připojeni bude obnoveno za 20 sec.");
    monitor.disconnect();
    EXPECT_EQ(tray(), 2);
    EXPECT_FALSE(main(w::Restartpipojen1).enabled);
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 2u);
    // A restart during that dial hangs it up, so the countdown dials again instead of waiting for ever.
    EXPECT_TRUE(st().isDialing);
    form->intents().clicked(w::Restartpipojen1);
    EXPECT_FALSE(st().isDialing);
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 3u);
}

TEST_F(ConnectionControllerTest, ExitAfterDisconnectEndsTheProgramAtTheEndOfTheHandling) {
    start();
    connectNow();
    form->intents().windowEvent(w::TForm1, shell::WindowEvent::CloseRequested);
    form->intents().clicked(names::TForm6::SpeedButton2);
    EXPECT_EQ(quits, 0);
    monitor.disconnect();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(main(w::TrayIcon1).visible);
    EXPECT_FALSE(st().disconnectBusy);
    loop.advance(60000);
    EXPECT_EQ(dialer.dials.size(), 1u);
}

TEST_F(ConnectionControllerTest, AFailureInTheDisconnectedHandlingStillEndsItCleanly) {
    start();
    connectNow();
    form->connectionHooks().CloseAndAppend = [] { throw 1; };
    monitor.disconnect();
    EXPECT_FALSE(st().disconnectBusy);
    EXPECT_TRUE(monitor.enabled());
    EXPECT_EQ(lines("/app/Error.log").back().substr(lines("/app/Error.log").back().find(" : ") + 3), "1629,1");
}

TEST_F(ConnectionControllerTest, ReconnectWaitsForAModemPollInProgress) {
    // A modem that never answers, waited for 5 s a command: the poll runs from 1 s to 11 s after the drop.
    start("[Modem]\r\nRestart=0\r\nPort=2\r\nTimeout=5\r\n[Pripojeni]\r\nProdleva=3\r\n");
    connectNow();
    std::uint64_t dialledAt = 0;
    std::size_t modemStepsBeforeDial = 0;
    auto onDialing = dialer.events.OnDialing;
    dialer.events.OnDialing = [&] {
        dialledAt = loop.tickCount();
        modemStepsBeforeDial = modem.log.size();
        onDialing();
    };
    const std::uint64_t droppedAt = loop.tickCount();
    monitor.disconnect();
    loop.advance(20000);
    EXPECT_EQ(dialledAt - droppedAt, 11000u); // the reconnect at 3 s waited for the poll's end
    EXPECT_EQ(modemStepsBeforeDial, modem.log.size());
    EXPECT_EQ(modem.log.back(), "close");
    EXPECT_EQ(dialer.dials.size(), 2u);
}

// The countdown or the retry can fall due while the disconnected handling pumps, restarting the modem. It runs on
// this very stack, so the tick must come back later rather than wait inside it.
TEST_F(ConnectionControllerTest, AReconnectDueDuringTheDisconnectedHandlingDialsOnceTheHandlingHasEnded) {
    start("[Pripojeni]\r\nProdleva=1\r\n"); // [Modem] Restart: the handling runs the tool for 1.5 s
    connectNow();
    watchForADeadlock();
    std::uint64_t dialledAt = 0;
    auto onDialing = dialer.events.OnDialing;
    dialer.events.OnDialing = [&] {
        dialledAt = loop.tickCount();
        onDialing();
    };
    form->intents().clicked(w::Restartovatpipojen1); // the countdown of 1 s starts
    monitor.disconnect();                            // the handling runs meanwhile
    const std::uint64_t handlingEnded = loop.tickCount();
    loop.advance(5000);
    EXPECT_FALSE(deadlocked);
    EXPECT_EQ(dialer.dials.size(), 2u);
    EXPECT_GE(dialledAt, handlingEnded);
    EXPECT_LE(dialledAt, handlingEnded + 500);
    EXPECT_EQ(log().back(), "Připojení po odpojení");
}

TEST_F(ConnectionControllerTest, ARetryDueDuringTheDisconnectedHandlingDialsOnceTheHandlingHasEnded) {
    start("[Pripojeni]\r\n721=1\r\n");
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(5, 721); // the retry is due in 60 s
    loop.advance(59000);
    monitor.connect(); // another program's connection comes and goes across the retry's moment
    loop.advance(500);
    watchForADeadlock();
    monitor.disconnect();
    const std::uint64_t handlingEnded = loop.tickCount();
    loop.advance(5000);
    EXPECT_FALSE(deadlocked);
    EXPECT_EQ(dialer.dials.size(), 2u);
    EXPECT_EQ(log().back(), "Pokus o připojení: Error 7xx");
    EXPECT_GT(handlingEnded, 60000u);
}

TEST_F(ConnectionControllerTest, TheHandleRefreshTakesTheLastActiveConnection) {
    start();
    dialer.active = {{0x11, 8192, 0, "A", "modem", "x"}, {0x22, 8192, 0, "B", "modem", "y"}};
    loop.advance(1000);
    EXPECT_EQ(st().rasConnHandle, 0x22u);
    dialer.active.clear();
    loop.advance(1000);
    EXPECT_EQ(st().rasConnHandle, 0x22u);
}

TEST_F(ConnectionControllerTest, AHangUpThatNeverEndsIsReportedInsteadOfShowingOdpojeno) {
    start();
    connectNow();
    dialer.hangUpResult = platform::dialerror::kHangUpTimedOut;
    form->intents().clicked(w::SpeedButton2);
    EXPECT_EQ(main(w::Label9).text, "Error: 799 , " + platform::dialErrorText(799));
    EXPECT_EQ(log().back(), "Normální odpojení");
}

struct SaveInterval {
    const char* po;
    int intervalMs;
    friend void PrintTo(const SaveInterval& c, std::ostream* os) { *os << "Po=" << c.po; }
};

class PeriodicSaveIntervalTest : public ConnectionControllerTest, public testing::WithParamInterface<SaveInterval> {};

TEST_P(PeriodicSaveIntervalTest, IsPoMinutesCutToTheLongestTimerInterval) {
    start(std::string("[Ukladani]\r\nPo=") + GetParam().po + "\r\n");
    connectNow();
    EXPECT_EQ(form->timers().timer(16).interval(), GetParam().intervalMs);
    EXPECT_TRUE(form->timers().timer(16).enabled());
}

INSTANTIATE_TEST_SUITE_P(Minutes, PeriodicSaveIntervalTest,
                         testing::Values(SaveInterval{"1", 60'000}, SaveInterval{"35791", 2'147'460'000},
                                         SaveInterval{"35792", std::numeric_limits<int>::max()},
                                         SaveInterval{"65535", std::numeric_limits<int>::max()}),
                         [](const auto& p) { return std::string("Po") + p.param.po; });

TEST_F(ConnectionControllerTest, MinimiseOnConnectAndRestoreOnDisconnect) {
    start("[Aplikace]\r\nPripojeni=1\r\nOdpojeni=1\r\n");
    connectNow();
    EXPECT_FALSE(main(w::TForm1).visible);
    monitor.disconnect();
    EXPECT_TRUE(main(w::TForm1).visible);
}

} // namespace
} // namespace qv::test
