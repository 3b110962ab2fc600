#include "ConnectionFixture.h"

namespace qv::test {
namespace {

struct DisconnectRulesTest : ConnectionFixture {
    double mb = 0;
    double downBytes = 0;
    int shutdowns = 0;
    void begin(const std::string& ini) {
        start(ini + "[Modem]\r\nRestart=0\r\n");
        auto& in = form->ruleInputs();
        in.connMB = [this] { return mb; };
        in.downBytesLastTick = [this] { return downBytes; };
        in.startShutdownCountdown = [this] { ++shutdowns; };
        form->timers().setHandler(4, [this] { form->rules().DataRuleStep(); });
        connectNow();
    }
    void tick(int seconds = 1) { loop.advance(1000 * seconds); }
};

TEST_F(DisconnectRulesTest, TimeRuleFiresOnTheTickThatReachesTheLimitWithTheClockShowingTheTimeLeft) {
    begin("[Pripojeni]\r\nReDialTime=1\r\nReDialTimeHodnota=1\r\n");
    tick(5);
    EXPECT_EQ(main(w::Label11).text, "00:00:05");
    EXPECT_EQ(main(w::Label13).text, "00:00:55");
    tick(54);
    EXPECT_TRUE(dialer.hangUps.empty());
    tick();
    EXPECT_EQ(dialer.hangUps.size(), 1u);
    EXPECT_EQ(log().back(), "Časové odpojení");
    EXPECT_EQ(main(w::Label9).text, "Odpojeno");
    EXPECT_FALSE(form->timers().timer(5).enabled());
    monitor.disconnect();
    EXPECT_EQ(st().connectedSeconds, 0u);
    loop.advance(60000);
    EXPECT_EQ(dialer.dials.size(), 1u); // no reconnect asked for
}

TEST_F(DisconnectRulesTest, DataRuleCountsEqualityAsReached) {
    begin("[Pripojeni]\r\nReData=1\r\nReDataHodnota=30\r\n");
    form->intents().clicked(w::Nerestartovatpipojen1);
    mb = 31;
    tick();
    EXPECT_EQ(main(w::Label17).text, "Blokováno");
    form->intents().clicked(w::Nerestartovatpipojen1);
    mb = 29.99;
    tick();
    EXPECT_TRUE(dialer.hangUps.empty());
    EXPECT_EQ(main(w::Label13).text, "Nenastaveno"); // the rules that are off
    EXPECT_EQ(main(w::Label21).text, "Nenastaveno");
    mb = 30.00;
    tick();
    EXPECT_EQ(dialer.hangUps.size(), 1u);
    EXPECT_EQ(log().back(), "Datové odpojení");
    EXPECT_FALSE(form->timers().timer(4).enabled());
}

TEST_F(DisconnectRulesTest, BlockedRulesShowBlokovanoUntilUnblockedThenFire) {
    begin("[Pripojeni]\r\nReDialTime=1\r\nReDialTimeHodnota=1\r\n");
    form->intents().clicked(w::Nerestartovatpipojen1);
    EXPECT_TRUE(main(w::Nerestartovatpipojen1).checked);
    tick(60);
    // The clock writes the negative remainder, the rule tick then writes "Blokováno" over it.
    EXPECT_EQ(main(w::Label13).text, "Blokováno");
    tick(5);
    EXPECT_TRUE(dialer.hangUps.empty());
    EXPECT_TRUE(st().isConnected);
    form->intents().clicked(w::Nerestartovatpipojen1);
    EXPECT_FALSE(main(w::Nerestartovatpipojen1).checked);
    tick();
    EXPECT_EQ(dialer.hangUps.size(), 1u);
}

TEST_F(DisconnectRulesTest, ADownloadSpellIsJudgedByTheAverageOfItsOwnSamples) {
    begin("[Download]\r\nRestart=1\r\nDown=2\r\nTime=1\r\n");
    downBytes = 5000;
    tick();
    EXPECT_EQ(st().lowDownloadSeconds, 0u);
    downBytes = 1000;
    tick(); // the first slow second restarts the spell: the sum still holds the 5
    EXPECT_EQ(st().lowDownloadSeconds, 0u);
    EXPECT_EQ(st().lowDownloadSum, 0.0);
    tick();
    EXPECT_EQ(st().lowDownloadSeconds, 1u);
    EXPECT_EQ(main(w::Label20).text, "00:00:01");
    EXPECT_EQ(main(w::Label21).text, "00:00:59");
    tick(58);
    EXPECT_TRUE(dialer.hangUps.empty());
    tick();
    EXPECT_EQ(dialer.hangUps.size(), 1u);
    EXPECT_EQ(log().back(), "Pokles downloadu");
}

TEST_F(DisconnectRulesTest, AFastSecondEndsTheSpellButKeepsTheSum) {
    begin("[Download]\r\nRestart=1\r\nDown=2\r\nTime=45\r\n");
    downBytes = 1000;
    tick(3);
    EXPECT_EQ(st().lowDownloadSeconds, 3u);
    downBytes = 2000; // at the threshold is not slow
    tick();
    EXPECT_EQ(st().lowDownloadSeconds, 0u);
    EXPECT_EQ(st().lowDownloadSum, 5.0);
}

TEST_F(DisconnectRulesTest, ARuleReconnectsOncePerConnectionAndAgainAfterTheRenewedOne) {
    begin("[Pripojeni]\r\nReDialTime=1\r\nReDialTimeHodnota=1\r\nReDialTimeP=1\r\n");
    tick(60);
    EXPECT_EQ(main(w::Label9).text, "Časové odpojení, připojeni bude obnoveno za 20 sec.");
    EXPECT_EQ(tray(), 2);
    EXPECT_FALSE(main(w::SpeedButton1).enabled);
    EXPECT_FALSE(main(w::Pipojit1).enabled);
    monitor.disconnect();
    EXPECT_EQ(tray(), 2);
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 2u);
    EXPECT_EQ(log().back(), "Připojení po odpojení");

    dialer.progress(8192);
    monitor.connect();
    tick(60);
    monitor.disconnect();
    loop.advance(20000);
    EXPECT_EQ(dialer.dials.size(), 3u);
}

TEST_F(DisconnectRulesTest, WithShutdownAfterDisconnectARuleStartsTheCountdownAndNeverReconnects) {
    begin("[Pripojeni]\r\nReDialTime=1\r\nReDialTimeHodnota=1\r\nReDialTimeP=1\r\n");
    form->intents().clicked(w::VypnoutPcpoodpojen1);
    form->intents().windowEvent(w::TForm1, shell::WindowEvent::Minimized);
    tick(60);
    EXPECT_EQ(shutdowns, 1);
    EXPECT_TRUE(main(w::TForm1).visible);
    monitor.disconnect();
    loop.advance(60000);
    EXPECT_EQ(dialer.dials.size(), 1u);
}

} // namespace
} // namespace qv::test
