#include "app/ShellFixture.h"

#include <functional>
#include <ostream>

namespace qv::test {
namespace {

const std::string kFetching = "Získávám data z modemu...";
const std::string kSignalFailed = "Získávání inf. o signálu selhalo..";
const std::string kBatteryFailed = "Získávání inf. o baterii selhalo..";
const std::string kPortBusy = "Port modemu je pravděpodobně obsazen.";
const std::string kPollFailed = "Získávání dat z modemu selhalo..";
const std::string kModemOff = "Modem neni pravděpodobně zapnutý";

// The start-up chain with the default tool time: the modem restart at 2 s ends at 3.6 s, the poll runs at 4.6 s and
// waits 1.5 s for each reply, so it is over at 7.6 s.
constexpr int kPollAt = 4600;
constexpr int kPollOver = 7600;

struct ModemPollTest : ShellFixture {
    std::vector<std::string> label9;  ///< every status text shown
    std::vector<int> bar;             ///< every progress bar position
    std::vector<std::string> changed; ///< every widget changed
    std::unique_ptr<Timer> later;     ///< something a case does in the middle of the start-up chain

    void startWith(const std::string& ini) {
        if (!ini.empty())
            fs.put("/app/Nastaveni.ini", ini);
        started();
        views.main.subscribe([this](const shell::WidgetName& name) {
            changed.emplace_back(name.name);
            if (name == w::Label9)
                label9.push_back(main(w::Label9).text);
            if (name == w::ProgressBar1)
                bar.push_back(main(w::ProgressBar1).index);
        });
    }
    void forget() {
        label9.clear();
        bar.clear();
        changed.clear();
    }
    /// The user connects, and the line drops again; the disconnected handling starts a poll.
    void connectAndDrop() {
        form->intents().clicked(w::SpeedButton1);
        dialer.progress(0);
        dialer.progress(8192);
        monitor.connect();
        monitor.disconnect();
    }
    /// "Připojit" button, tray "Připojit", tray "Odpojit": 1 enabled, 0 not.
    std::string controls() {
        std::string out;
        for (const auto& name : {w::SpeedButton1, w::Pipojit1, w::Odpojit1})
            out += main(name).enabled ? '1' : '0';
        return out;
    }
    std::string shown(const shell::WidgetName& name) { return main(name).text; }
};

TEST_F(ModemPollTest, NoPortAtAllNothingHappensNotEvenAStatusText) {
    startWith("[Modem]\r\nRestart=0\r\n[Pripojeni]\r\nReDial=0\r\n");
    loop.advance(kPollOver);
    EXPECT_EQ(label9, std::vector<std::string>{});
    connectAndDrop();
    forget();
    loop.advance(5000);
    std::erase_if(changed, [](const std::string& name) { // the label-clearing tick's work
        return name != "Label9" && name != "LabelSignal" && name != "LabelBattery" && name != "ProgressBar1" &&
               name != "SpeedButton1" && name != "Pipojit1" && name != "Odpojit1";
    });
    EXPECT_EQ(changed, std::vector<std::string>{}); // not a status text, not a control, not the bar
    EXPECT_EQ(modem.log, std::vector<std::string>{});
    EXPECT_FALSE(form->state().modemPollBusy);
    EXPECT_EQ(shown(w::LabelSignal), "?");
}

struct DetectionCase {
    std::string attached;
    int configured; ///< [Modem] Port
    std::string renamedTo;
    std::string opened;
    friend std::ostream& operator<<(std::ostream& out, const DetectionCase& c) {
        return out << '"' << c.attached << "\" Port=" << c.configured;
    }
};

struct ModemPortDetectionTest : ModemPollTest, ::testing::WithParamInterface<DetectionCase> {};

TEST_P(ModemPortDetectionTest, TheDetectedPortWinsOverTheConfiguredOne) {
    const auto& c = GetParam();
    modem.attached = c.attached;
    modem.renamedTo = c.renamedTo;
    startWith("[Modem]\r\nPort=" + std::to_string(c.configured) + "\r\n");
    loop.advance(kPollOver);
    ASSERT_FALSE(modem.log.empty());
    EXPECT_EQ(modem.log.front(), "probe " + c.opened);
    EXPECT_EQ(modem.port(), c.opened);
    EXPECT_EQ(form->modem().portKnown(), !c.attached.empty());
}

INSTANTIATE_TEST_SUITE_P(Ports, ModemPortDetectionTest,
                         ::testing::Values(DetectionCase{"COM3", -1, "", "COM3"},
                                           DetectionCase{"COM12", -1, "", "COM12"},
                                           DetectionCase{"COM3", 4, "", "COM3"}, DetectionCase{"", 4, "", "COM5"},
                                           DetectionCase{"COM123", -1, "", "COM12"},
                                           DetectionCase{"/dev/ttyUSB2", 0, "", "/dev/ttyUSB2"},
                                           // A restart of the modem renamed its port: the name of the moment is used.
                                           DetectionCase{"/dev/ttyUSB2", -1, "/dev/ttyUSB3", "/dev/ttyUSB3"}));

struct ReadingCase {
    std::string signalLine;
    std::string batteryLine;
    std::string signal;
    std::string battery;
    std::vector<std::string> texts;
    std::vector<int> bar;
    friend std::ostream& operator<<(std::ostream& out, const ReadingCase& c) {
        return out << '"' << c.signalLine << "\" \"" << c.batteryLine << '"';
    }
};

struct ModemReadingTest : ModemPollTest, ::testing::WithParamInterface<ReadingCase> {};

TEST_P(ModemReadingTest, ThePollShowsBothReadingsAndEndsDisconnected) {
    const auto& c = GetParam();
    modem.attached = "COM3";
    modem.answers(c.signalLine, c.batteryLine);
    startWith("");
    loop.advance(kPollAt + 1);
    EXPECT_EQ(controls(), "000"); // held while the poll waits
    EXPECT_TRUE(form->state().modemPollBusy);
    loop.advance(kPollOver - kPollAt - 1);
    EXPECT_EQ(shown(w::LabelSignal), c.signal);
    EXPECT_EQ(shown(w::LabelBattery), c.battery);
    EXPECT_EQ(label9, c.texts);
    EXPECT_EQ(bar, c.bar);
    EXPECT_EQ(controls(), "110");
    EXPECT_FALSE(form->state().modemPollBusy);
    EXPECT_FALSE(modem.isOpen());
    EXPECT_EQ(form->modem().signalLine(), c.signalLine + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ModemReadingTest,
    ::testing::Values(
        ReadingCase{"+GTSTAT: 75,1", "+CBC: 0,100", "40 %", "100 %", {kFetching, "Odpojeno"}, {50, 100}},
        ReadingCase{"+GTSTAT: 0", "+CBC: 0,80", "100 %", "80 %", {kFetching, "Odpojeno"}, {50, 100}},
        // The modem answers with its radio off: said at once, then the battery step's text.
        ReadingCase{"+GTSTAT: 125,1", "+CBC: 0,80", "0 %", "80 %", {kFetching, kModemOff, "Odpojeno"}, {50, 0, 100}}));

TEST_F(ModemPollTest, TheModemOffClosesThePortAndTheBatteryStepOpensItAgain) {
    modem.attached = "COM3";
    modem.answers("+GTSTAT: 125,1", "+CBC: 0,80");
    startWith("");
    loop.advance(kPollOver);
    EXPECT_EQ(modem.log, (std::vector<std::string>{"probe COM3", "open COM3", "write AT+GTSTAT=1\r\n", "close",
                                                   "open COM3", "write AT+CBC?\r\n", "close"}));
}

TEST_F(ModemPollTest, AFirstSilentPollFailsBothALaterOneRepeatsTheLastValues) {
    modem.attached = "COM3";
    startWith("[Modem]\r\nRestart=0\r\n[Pripojeni]\r\nReDial=0\r\n");
    loop.advance(kPollAt + 1500);
    EXPECT_EQ(shown(w::Label9), kSignalFailed); // visible during the battery wait
    loop.advance(1500);
    EXPECT_EQ(label9, (std::vector<std::string>{kFetching, kSignalFailed, kBatteryFailed, "Odpojeno"}));
    EXPECT_EQ(bar, (std::vector<int>{50, 0, 100, 50}));
    EXPECT_EQ(shown(w::LabelSignal), "?");
    EXPECT_EQ(shown(w::LabelBattery), "?");
    EXPECT_EQ(controls(), "110");

    modem.answers("+GTSTAT: 75,1", "+CBC: 0,80");
    connectAndDrop();
    loop.advance(4000);
    EXPECT_EQ(shown(w::LabelSignal), "40 %");
    EXPECT_EQ(shown(w::LabelBattery), "80 %");

    modem.replies.clear(); // silent again
    connectAndDrop();
    forget();
    loop.advance(4000);
    EXPECT_EQ(label9, std::vector<std::string>{"Odpojeno"}); // no failure: the stored replies are read again
    EXPECT_EQ(bar, (std::vector<int>{50, 100}));
    EXPECT_EQ(shown(w::LabelSignal), "40 %");
    EXPECT_EQ(shown(w::LabelBattery), "80 %");
}

TEST_F(ModemPollTest, APortHeldElsewhereSaysSoThenThatNothingCouldBeRead) {
    modem.attached = "COM3";
    modem.missing = {"COM3"};
    startWith("");
    loop.advance(kPollOver);
    EXPECT_EQ(label9, (std::vector<std::string>{kFetching, kPortBusy, kPollFailed}));
    EXPECT_EQ(bar, (std::vector<int>{0}));
    EXPECT_EQ(modem.log, (std::vector<std::string>{"probe COM3"}));
    EXPECT_EQ(controls(), "110");
}

TEST_F(ModemPollTest, APortErrorDuringAWaitClosesThePortAndThatStepFails) {
    modem.attached = "COM3";
    modem.answers("+GTSTAT: 75,1", "+CBC: 0,80");
    modem.replyMs = 200;
    auto error = loop.createTimer(kPollAt + 100, true, [&] { modem.fail(); });
    startWith("");
    loop.advance(kPollOver);
    EXPECT_EQ(label9, (std::vector<std::string>{kFetching, kSignalFailed, "Odpojeno"}));
    EXPECT_EQ(shown(w::LabelSignal), "?");
    EXPECT_EQ(shown(w::LabelBattery), "80 %"); // the battery step opened the port again
}

// A [Modem] Port carried over from another installation holds the connect controls at start-up: however the poll
// ends, they come back, and the user can dial.
struct ControlsCase {
    std::string name;
    std::function<void(ModemPollTest&)> arrange;
    friend std::ostream& operator<<(std::ostream& out, const ControlsCase& c) { return out << c.name; }
};

struct ModemControlsTest : ModemPollTest, ::testing::WithParamInterface<ControlsCase> {};

TEST_P(ModemControlsTest, TheConnectControlsComeBackAndConnectDials) {
    GetParam().arrange(*this);
    startWith(fs.exists("/app/Nastaveni.ini") ? "" : "[Modem]\r\nPort=2\r\n");
    loop.advance(kPollAt - 1);
    EXPECT_EQ(controls(), "000");
    EXPECT_EQ(shown(w::Label9), kFetching);
    loop.advance(kPollOver - kPollAt + 1);
    EXPECT_EQ(controls(), "110");
    EXPECT_NE(shown(w::Label9), kFetching);
    EXPECT_FALSE(form->state().modemPollBusy);
    form->intents().clicked(w::SpeedButton1);
    EXPECT_EQ(dialer.dials.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, ModemControlsTest,
    ::testing::Values(ControlsCase{"Answers", [](ModemPollTest& m) { m.modem.answers("+GTSTAT: 75,1", "+CBC: 0,80"); }},
                      ControlsCase{"Silent", [](ModemPollTest&) {}},
                      ControlsCase{"PortMissing", [](ModemPollTest& m) { m.modem.missing = {"COM3"}; }},
                      ControlsCase{"ModemOff",
                                   [](ModemPollTest& m) { m.modem.answers("+GTSTAT: 125,1", "+CBC: 0,80"); }},
                      ControlsCase{"GarbledDetectedPort", [](ModemPollTest& m) { m.modem.attached = "COMX"; }},
                      ControlsCase{"NoPortLeftWhenThePollRuns",
                                   [](ModemPollTest& m) {
                                       // The settings are read again before the poll, now without a port.
                                       m.fs.put("/app/Nastaveni.ini", "[Modem]\r\nPort=2\r\n");
                                       m.later = m.loop.createTimer(4000, true, [&m] {
                                           m.later->stop();
                                           m.fs.put("/app/Nastaveni.ini", "");
                                           m.form->activated();
                                       });
                                   }}),
    [](const ::testing::TestParamInfo<ControlsCase>& p) { return p.param.name; });

TEST_F(ModemPollTest, TheAutomaticConnectWaitsForAPollStillRunning) {
    modem.attached = "COM3"; // silent, and each reply waited for 5 s: the poll runs from 4.6 s to 14.6 s
    startWith("[Pripojeni]\r\nAuto=1\r\n[Modem]\r\nTimeout=5\r\n");
    std::uint64_t dialledAt = 0;
    std::string modemAtDial;
    dialer.events.OnDialing = [&] {
        dialledAt = loop.tickCount();
        modemAtDial = modem.log.back();
    };
    loop.advance(20000);
    EXPECT_EQ(dialledAt, 14600u); // due at 11.6 s, checked every 500 ms
    EXPECT_EQ(modemAtDial, "close");
    EXPECT_EQ(controls(), "000"); // the automatic connect holds them for its dial
}

TEST_F(ModemPollTest, ASecondStartDuringThePollDialsOnceThePollHasEnded) {
    modem.attached = "COM3";
    startWith("[Modem]\r\nTimeout=5\r\n");
    std::uint64_t dialledAt = 0;
    dialer.events.OnDialing = [&] { dialledAt = loop.tickCount(); };
    loop.advance(5000); // inside the poll's first wait
    fs.put("/app/Data/Start", "");
    loop.advance(15000);
    EXPECT_GE(dialledAt, 14600u);
    EXPECT_LT(dialledAt, 15100u);
    EXPECT_EQ(dialer.dials.size(), 1u);
}

TEST_F(ModemPollTest, ADialStartedBeforeThePollIsDueLeavesTheModemAlone) {
    modem.attached = "COM3";
    modem.answers("+GTSTAT: 75,1", "+CBC: 0,80");
    startWith("[Modem]\r\nRestart=0\r\n[Pripojeni]\r\nReDial=0\r\n");
    loop.advance(kPollOver);
    modem.log.clear();
    connectAndDrop();
    form->intents().clicked(w::SpeedButton1); // the poll of this drop is due in a second
    dialer.progress(0);
    const std::string dialling = shown(w::Label9);
    loop.advance(3000);
    EXPECT_EQ(modem.log, std::vector<std::string>{});
    EXPECT_EQ(shown(w::Label9), dialling);
    EXPECT_FALSE(form->state().modemPollBusy);
}

TEST_F(ModemPollTest, AConnectionMadeDuringThePollEndsItQuietly) {
    modem.attached = "COM3";
    modem.answers("+GTSTAT: 75,1", "+CBC: 0,80");
    startWith("");
    loop.advance(kPollAt + 500);
    monitor.connect(); // made by another program
    loop.advance(3000);
    EXPECT_EQ(shown(w::Label9), "Spojeno");
    EXPECT_EQ(controls(), "001");
    EXPECT_EQ(modem.log.back(), "close");
    EXPECT_EQ(shown(w::LabelBattery), "?");
    EXPECT_FALSE(form->state().modemPollBusy);
}

TEST_F(ModemPollTest, NoPollFollowsTheDisconnectOfExitAfterHangUp) {
    modem.attached = "COM3";
    modem.answers("+GTSTAT: 75,1", "+CBC: 0,80");
    startWith("[Modem]\r\nRestart=0\r\n");
    loop.advance(kPollOver);
    modem.log.clear();
    form->intents().clicked(w::SpeedButton1);
    dialer.progress(0);
    dialer.progress(8192);
    monitor.connect();
    form->ExitAfterHangUp();
    monitor.disconnect();
    loop.advance(5000);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(modem.log, std::vector<std::string>{});
    EXPECT_FALSE(form->state().modemPollBusy);
}

} // namespace
} // namespace qv::test
