// The modem lab: the program's modem poll through the real termios serial port, named by QUORVEX_MODEM_PORT as a
// user would name it, against a stand-in modem on a pseudo-terminal pair (lab_modem). The line is the demo line;
// the modem restart tool ends at once. Real time: every wait has a deadline. Needs pseudo-terminals, not root.
#include "RealTimeEventLoop.h"
#include "app/MainForm.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/linux/LinuxModemPortFinder.h"
#include "platform/linux/LinuxSerialPort.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "shell/ShellNames.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace qv::lab {
namespace {

namespace w = names::TForm1;

const std::string kSignalFailed = "Získávání inf. o signálu selhalo..";
const std::string kBatteryFailed = "Získávání inf. o baterii selhalo..";

/// A lab_modem process with its stdin and stdout on pipes.
class StandIn {
public:
    explicit StandIn(std::vector<std::string> args) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        args.insert(args.begin(), QV_LAB_MODEM);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, QV_LAB_MODEM, &fa, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~StandIn() {
        if (toChild_ >= 0)
            ::close(toChild_); // it ends when its stdin closes
        if (fromChild_ >= 0)
            ::close(fromChild_);
        if (pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    /// The next line it printed, or "" after two seconds without one.
    std::string line() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            if (const auto nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{fromChild_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1)
                return "";
            char buf[256];
            const ssize_t n = ::read(fromChild_, buf, sizeof buf);
            if (n <= 0)
                return "";
            buffer_.append(buf, static_cast<std::size_t>(n));
        }
    }
    /// Tells the modem something, and waits until it has taken it.
    bool tell(const std::string& command) {
        const std::string text = command + "\n";
        if (::write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return false;
        for (std::string l = line(); !l.empty(); l = line()) {
            if (l == "ok " + command)
                return true;
            got_.push_back(l);
        }
        return false;
    }
    /// The commands it has taken from the port so far ("got …" lines).
    std::vector<std::string> commands() {
        // Whatever it printed meanwhile is in the pipe already: the poll's port is closed before this is asked.
        pollfd p{fromChild_, POLLIN, 0};
        while (::poll(&p, 1, 0) == 1) {
            char buf[256];
            const ssize_t n = ::read(fromChild_, buf, sizeof buf);
            if (n <= 0)
                break;
            buffer_.append(buf, static_cast<std::size_t>(n));
        }
        for (auto nl = buffer_.find('\n'); nl != std::string::npos; nl = buffer_.find('\n')) {
            got_.push_back(buffer_.substr(0, nl));
            buffer_.erase(0, nl + 1);
        }
        std::vector<std::string> out;
        for (const auto& l : got_)
            if (l.rfind("got ", 0) == 0)
                out.push_back(l.substr(4));
        return out;
    }
    bool running() const { return pid_ > 0 && fromChild_ >= 0; }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffer_;
    std::vector<std::string> got_;
};

/// The modem restart tool, ended as soon as it is started.
class InstantTool final : public platform::ProcessRunner {
public:
    std::unique_ptr<platform::ChildProcess> start(const std::string&, const std::vector<std::string>&,
                                                  std::string&) override {
        struct Done final : platform::ChildProcess {
            bool finished() override { return true; }
        };
        return std::make_unique<Done>();
    }
};

/// The program on the demo line, with the modem's AT port as main() builds it from the environment.
struct Program {
    Program()
        : form(app::ShellServices{.loop = loop,
                                  .clock = clock,
                                  .fs = fs,
                                  .dialer = dialer,
                                  .monitor = monitor,
                                  .echo = echo,
                                  .interfaces = interfaces,
                                  .processes = tool,
                                  .dialogs = dialogs,
                                  .pingHost = "192.0.2.1",
                                  .screenWidth = [] { return 1280; },
                                  .mainWindowTop = [] { return 100; },
                                  .trayAvailable = [] { return false; },
                                  .workers = mail.workers,
                                  .pop3 = mail.pop3,
                                  .sound = mail.sound,
                                  .desktop = mail.desktop,
                                  .screenHeight = [] { return 1024; },
                                  .modemPort = &port,
                                  .modemPortFinder = &finder},
               paths, views) {
        fs.addDir("/app");
        fs.addDir("/app/Data");
    }

    RealTimeEventLoop loop;
    test::FakeMailServices mail;
    platform::LinuxClock clock;
    test::MemoryFileSystem fs;
    platform::SimLine line{loop, fs, "/app/"};
    platform::SimDialUpAdapter dialer{loop, line};
    platform::PollingConnectionMonitor monitor{loop, line};
    platform::SimIcmpEcho echo{loop, line};
    platform::SimInterfaceTable interfaces{line};
    InstantTool tool;
    test::RecordingDialogs dialogs;
    platform::LinuxProcessEnvironment env;
    platform::LinuxSerialPort port{loop};
    platform::LinuxModemPortFinder finder = platform::LinuxModemPortFinder::fromEnvironment(env);
    shell::AppPaths paths{"/app/", "lab"};
    app::Views views;
    app::MainForm form;
};

struct ModemLabTest : ::testing::Test {
    std::unique_ptr<StandIn> modem;
    std::string portPath;
    std::unique_ptr<Program> p;
    std::vector<std::string> label9;

    void SetUp() override {
        modem = std::make_unique<StandIn>(std::vector<std::string>{"serve"});
        ASSERT_TRUE(modem->running());
        portPath = modem->line();
        if (portPath.empty())
            GTEST_SKIP() << "the modem stand-in found no pseudo-terminal here";
        ::setenv(platform::LinuxModemPortFinder::kPortVariable, portPath.c_str(), 1);
    }
    void TearDown() override {
        if (p) {
            EXPECT_EQ(p->fs.readAll(p->paths.errorLog()).value_or(""), "");
        }
        p.reset();
        modem.reset();
        ::unsetenv(platform::LinuxModemPortFinder::kPortVariable);
    }

    /// Starts the program; the start-up chain polls the modem about three seconds later.
    void start(const std::string& settings) {
        p = std::make_unique<Program>();
        p->fs.put(p->paths.settingsFile(), settings);
        p->views.main.subscribe([this](const shell::WidgetName& name) {
            if (name == w::Label9)
                label9.push_back(shown(w::Label9));
        });
        p->form.create();
        p->form.activated();
    }
    const std::string& shown(const shell::WidgetName& name) { return p->views.main.get(name).text; }
    bool pollOver() { return !p->form.state().modemPollBusy && p->views.main.get(w::SpeedButton1).enabled; }
    /// Waits for a poll that is due or running to end.
    bool polled() {
        return p->loop.pumpUntil([&] { return !p->form.timers().timer(3).enabled() && pollOver(); }, 10000);
    }
    /// A poll as the disconnected handling starts it.
    bool pollAgain() {
        label9.clear();
        p->form.connectionHooks().startModemPoll(false);
        return polled();
    }
};

TEST_F(ModemLabTest, SignalAndBatteryAreReadOverTheRealPort) {
    start("[Modem]\r\nTimeout=0,5\r\n");
    EXPECT_EQ(p->form.modem().detectedPort(), portPath);
    ASSERT_TRUE(p->loop.pumpUntil([&] { return p->form.state().modemPollBusy; }, 5000));
    ASSERT_TRUE(polled());
    EXPECT_EQ(shown(w::LabelSignal), "40 %");
    EXPECT_EQ(shown(w::LabelBattery), "80 %");
    EXPECT_EQ(label9, (std::vector<std::string>{"Získávám data z modemu...", "Odpojeno"}));
    EXPECT_EQ(p->views.main.get(w::ProgressBar1).index, 100);
    EXPECT_EQ(p->form.modem().signalLine(), "+GTSTAT: 75\r\n");
    EXPECT_EQ(p->form.modem().batteryLine(), "+CBC: 0,80\r\n");
    EXPECT_FALSE(p->port.isOpen());
    EXPECT_EQ(modem->commands(), (std::vector<std::string>{"AT+GTSTAT=1", "AT+CBC?"}));
}

TEST_F(ModemLabTest, ASilentModemFailsBothStepsThenTheEarlierValuesAreShownAgain) {
    ASSERT_TRUE(modem->tell("silent"));
    start("[Modem]\r\nTimeout=0,5\r\n");
    ASSERT_TRUE(p->loop.pumpUntil([&] { return p->form.state().modemPollBusy; }, 5000));
    ASSERT_TRUE(polled());
    EXPECT_EQ(label9,
              (std::vector<std::string>{"Získávám data z modemu...", kSignalFailed, kBatteryFailed, "Odpojeno"}));
    EXPECT_EQ(shown(w::LabelSignal), "?");
    EXPECT_EQ(shown(w::LabelBattery), "?");

    ASSERT_TRUE(modem->tell("answer"));
    ASSERT_TRUE(modem->tell("signal 0"));
    ASSERT_TRUE(modem->tell("battery 100"));
    ASSERT_TRUE(pollAgain());
    EXPECT_EQ(shown(w::LabelSignal), "100 %");
    EXPECT_EQ(shown(w::LabelBattery), "100 %");

    ASSERT_TRUE(modem->tell("silent"));
    ASSERT_TRUE(pollAgain());
    EXPECT_EQ(label9, std::vector<std::string>{}); // already "Odpojeno": nothing failed
    EXPECT_EQ(shown(w::LabelSignal), "100 %");
    EXPECT_EQ(shown(w::LabelBattery), "100 %");
    EXPECT_EQ(p->views.main.get(w::ProgressBar1).index, 100);
    EXPECT_EQ(modem->commands().size(), 6u); // every poll asked, silent or not
}

TEST_F(ModemLabTest, AReplyWaitsForItsLineEndAndArrivesWhole) {
    // The line end comes 300 ms after the text, within the 1 s wait: each reply is still read whole.
    ASSERT_TRUE(modem->tell("late 300"));
    start("[Modem]\r\nTimeout=1\r\n");
    ASSERT_TRUE(p->loop.pumpUntil([&] { return p->form.state().modemPollBusy; }, 5000));
    ASSERT_TRUE(p->loop.pumpUntil([&] { return !p->form.modem().signalLine().empty(); }, 2000));
    EXPECT_EQ(p->form.modem().signalLine(), "+GTSTAT: 75\r\n");
    ASSERT_TRUE(polled());
    EXPECT_EQ(shown(w::LabelSignal), "40 %");
    EXPECT_EQ(shown(w::LabelBattery), "80 %");
}

TEST_F(ModemLabTest, AReplyCompletedAfterItsWaitServesTheNextPoll) {
    // The signal reply's line end comes after the 0.5 s wait: the signal step fails, the line completes during the
    // battery wait and is kept. The battery reply waits behind it and is still incomplete when the port closes.
    ASSERT_TRUE(modem->tell("late 700"));
    start("[Modem]\r\nTimeout=0,5\r\n");
    ASSERT_TRUE(p->loop.pumpUntil([&] { return p->form.state().modemPollBusy; }, 5000));
    ASSERT_TRUE(polled());
    EXPECT_EQ(label9,
              (std::vector<std::string>{"Získávám data z modemu...", kSignalFailed, kBatteryFailed, "Odpojeno"}));
    EXPECT_EQ(shown(w::LabelSignal), "?");
    EXPECT_EQ(p->form.modem().signalLine(), "+GTSTAT: 75\r\n");
    EXPECT_EQ(p->form.modem().batteryLine(), "");

    ASSERT_TRUE(modem->tell("silent"));
    ASSERT_TRUE(pollAgain());
    EXPECT_EQ(label9, (std::vector<std::string>{kBatteryFailed, "Odpojeno"}));
    EXPECT_EQ(shown(w::LabelSignal), "40 %");
}

TEST_F(ModemLabTest, APortHeldByAnotherProcessIsReportedAndTheControlsComeBack) {
    StandIn holder({"hold", portPath});
    ASSERT_EQ(holder.line(), "held");
    start("[Modem]\r\nTimeout=0,5\r\n");
    ASSERT_TRUE(p->loop.pumpUntil([&] { return p->form.state().modemPollBusy; }, 5000));
    ASSERT_TRUE(polled());
    EXPECT_EQ(label9, (std::vector<std::string>{"Získávám data z modemu...", "Port modemu je pravděpodobně obsazen.",
                                                "Získávání dat z modemu selhalo.."}));
    EXPECT_EQ(shown(w::LabelSignal), "?");
    EXPECT_TRUE(p->views.main.get(w::Pipojit1).enabled);
    EXPECT_FALSE(p->views.main.get(w::Odpojit1).enabled);
    EXPECT_EQ(modem->commands(), std::vector<std::string>{});
}

} // namespace
} // namespace qv::lab
