#include "ConnectionFixture.h"

namespace qv::test {
namespace {

struct ModemRestartTest : ConnectionFixture {};

TEST_F(ModemRestartTest, RunsTheToolWithItsFixedArgumentsAndWaitsWhileTheWindowKeepsRunning) {
    start();
    int ticksMeanwhile = 0;
    auto other = loop.createTimer(100, true, [&] { ++ticksMeanwhile; });
    connection::ModemRestart restart(loop, processes, dialogs, paths.deviceTool());
    restart.RestartModem();
    EXPECT_EQ(processes.started, (std::vector<std::string>{"/app/Util/devcon restart USB\\VID_05C6*PID_3196"}));
    EXPECT_EQ(loop.tickCount(), 1500u);
    EXPECT_EQ(ticksMeanwhile, 15);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ModemRestartTest, AMissingToolShowsTheSystemTextAtEachDialErrorAndTheCallerCarriesOn) {
    processes.missingError = "No such file or directory";
    start();
    connection::ModemRestart restart(loop, processes, dialogs, paths.deviceTool());
    restart.RestartModem();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"No such file or directory"}));
    EXPECT_EQ(loop.tickCount(), 0u);
    for (int i = 0; i < 2; ++i) {
        form->intents().clicked(w::SpeedButton1);
        dialer.progress(5, 691);
    }
    EXPECT_EQ(dialogs.messages.size(), 3u);
    EXPECT_TRUE(main(w::SpeedButton1).enabled);
}

TEST_F(ModemRestartTest, StartUpChainRestartsThenConnectsAutomatically) {
    fs.put("/app/Nastaveni.ini", "[Pripojeni]\r\nAuto=1\r\n");
    started(); // Timer10 runs 2 s after the first activation
    loop.advance(2000);
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(loop.tickCount(), 3600u); // 1.5 s tool, 100 ms pause, all inside the tick
    EXPECT_TRUE(main(w::SpeedButton1).enabled);
    EXPECT_FALSE(main(w::Odpojit1).enabled);
    loop.advance(7999);
    EXPECT_TRUE(dialer.dials.empty());
    loop.advance(1);
    EXPECT_EQ(dialer.dials, (std::vector<std::string>{"Alfa"}));
    EXPECT_FALSE(main(w::SpeedButton1).enabled);
    EXPECT_EQ(lines("/app/PO.log").back().substr(lines("/app/PO.log").back().find(" : ") + 3), "Automatické připojení");
}

TEST_F(ModemRestartTest, AConnectionAlreadyUpSuppressesTheWholeStartUpChain) {
    fs.put("/app/Nastaveni.ini", "[Pripojeni]\r\nAuto=1\r\n[Modem]\r\nPort=2\r\n");
    started();
    monitor.connect(); // made outside the program
    loop.advance(20000);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_TRUE(dialer.dials.empty());
    EXPECT_FALSE(form->timers().timer(3).enabled());
    EXPECT_EQ(main(w::Label9).text, "Spojeno");
}

TEST_F(ModemRestartTest, AKnownModemPortStartsThePollAndSaysSo) {
    fs.put("/app/Nastaveni.ini", "[Modem]\r\nPort=2\r\n");
    started();
    loop.advance(2000);
    EXPECT_TRUE(form->timers().timer(3).enabled());
    EXPECT_EQ(main(w::Label9).text, "Získávám data z modemu...");
    EXPECT_FALSE(main(w::SpeedButton1).enabled);
    EXPECT_FALSE(form->timers().timer(2).enabled()); // no automatic connect by default
}

TEST_F(ModemRestartTest, DisconnectRestartsTheModemOnlyWhenConfiguredButDialErrorsAlways) {
    start("[Modem]\r\nRestart=0\r\n");
    connectNow();
    monitor.disconnect();
    EXPECT_TRUE(processes.started.empty());
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(5, 691);
    EXPECT_EQ(processes.started.size(), 1u);
}

} // namespace
} // namespace qv::test
