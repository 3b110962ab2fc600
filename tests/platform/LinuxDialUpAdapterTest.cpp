#include "platform/linux/LinuxDialUpAdapter.h"
#include "LinuxTempDir.h"
#include "common/VirtualEventLoop.h"
#include "platform/DialTexts.h"
#include "platform/linux/LinuxConnectionSource.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace qv::platform {
namespace {

namespace fsys = std::filesystem;

// A pppd that says what the test tells it to, on the test's thread.
struct FakePppd final : PppdProcess {
    int pid_ = 0;
    PppdOutput out;
    std::vector<int> signals;
    std::function<void(int)> onSignal;
    bool reaped = false;

    int pid() const override { return pid_; }
    bool signal(int s) override {
        if (reaped)
            return false;
        signals.push_back(s);
        if (onSignal)
            onSignal(s);
        return true;
    }
    void say(std::string_view line) { out.line(line); }
    void exit(int status) {
        reaped = true;
        out.ended(status, 0);
    }
};

struct FakeLauncher final : PppdLauncher {
    std::vector<FakePppd*> started; ///< owned by the adapter
    std::vector<std::string> calls; ///< "start ENTRY OPTIONS"
    int failWith = 0;
    std::vector<std::pair<int, int>> foreignSignals;
    int foreignResult = 0;

    std::unique_ptr<PppdProcess> start(const std::string& entry, const std::string& options, PppdOutput output,
                                       int& errorCode, std::string& errorText) override {
        calls.push_back("start " + entry + " " + options);
        if (failWith) {
            errorCode = failWith;
            errorText = std::strerror(failWith);
            return nullptr;
        }
        auto p = std::make_unique<FakePppd>();
        p->pid_ = 4242 + static_cast<int>(started.size());
        p->out = std::move(output);
        started.push_back(p.get());
        return p;
    }
    int signalPid(int pid, int signal) override {
        foreignSignals.emplace_back(pid, signal);
        return foreignResult;
    }
};

struct FakeSource final : ActiveConnectionSource {
    std::vector<ActiveConnection> list;
    std::optional<std::vector<ActiveConnection>> listActive(int) override { return list; }
    void readAddresses(const ActiveConnection&, ConnectionDetails&) override {}
};

struct Event {
    int state, error;
    std::string text;
    bool operator==(const Event&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Event& e) {
    return os << "{" << e.state << ", " << e.error << ", " << e.text << "}";
}
Event progress(int state) {
    return {state, 0, dialStateText(state, DialLanguage::Czech)};
}

class LinuxDialUpAdapterTest : public LinuxTempDir {
protected:
    void SetUp() override {
        LinuxTempDir::SetUp();
        fsys::create_directory(dir / "peers");
        dialer = std::make_unique<LinuxDialUpAdapter>(loop, launcher, source, (dir / "peers").string(),
                                                      (dir / "home/.config/quorvex/secrets").string());
        dialer->events.OnAsyncEvent = [this](int s, int e, const std::string& t) { events.push_back({s, e, t}); };
        dialer->events.OnError = [this](int code, const std::string& m) { errors.push_back({0, code, m}); };
        dialer->events.OnDialing = [this] { launcher.calls.push_back("OnDialing"); };
        dialer->Entry = "mobil";
        ASSERT_EQ(dialer->CreateEntry({"mobil", "#777", "/dev/ttyUSB0", "jan", "ta\"jne"}), 0);
    }
    void TearDown() override {
        dialer.reset();
        LinuxTempDir::TearDown();
    }
    FakePppd& pppd() { return *launcher.started.back(); }
    // The link comes up; the system's listing learns of it.
    void connect() {
        ASSERT_EQ(dialer->Dial(), 0);
        for (const char* l :
             {"Serial connection established.", "Using interface ppp0", "Connect: ppp0 <--> /dev/ttyUSB0",
              "local  IP address 10.0.0.2", "remote IP address 10.0.0.1"})
            pppd().say(l);
        source.list.push_back({dialer->connectionHandle(), dialstate::kConnected, 0, "mobil", "PPP", "ppp0"});
        loop.runPosted();
    }

    VirtualEventLoop loop;
    FakeLauncher launcher;
    FakeSource source;
    std::unique_ptr<LinuxDialUpAdapter> dialer;
    std::vector<Event> events, errors;
};

TEST_F(LinuxDialUpAdapterTest, DialStartsPppdWithTheCredentialsOffTheCommandLine) {
    EXPECT_EQ(dialer->Dial(), 0);
    EXPECT_EQ(launcher.calls,
              (std::vector<std::string>{"OnDialing", "start mobil user \"jan\"\npassword \"ta\\\"jne\"\n"}));
    EXPECT_EQ(dialer->connectionHandle(), 4242u);
    EXPECT_TRUE(events.empty()); // nothing reaches the UI thread until it runs posted work
    loop.runPosted();
    EXPECT_EQ(events, std::vector<Event>{progress(0)});
}

TEST_F(LinuxDialUpAdapterTest, ProgressArrivesInOrderNeverMergedOrDropped) {
    ASSERT_EQ(dialer->Dial(), 0);
    // All of it before the UI thread gets to run: each notification still arrives on its own.
    for (const char* l : {"send (ATD#777^M)", "Serial connection established.", "Using interface ppp0",
                          "Connect: ppp0 <--> /dev/ttyUSB0", "PAP authentication failed", "Connection terminated."})
        pppd().say(l);
    pppd().exit(19);
    loop.runPosted();
    std::vector<Event> expected;
    for (int state = 0; state <= 5; ++state)
        expected.push_back(progress(state));
    expected.push_back({5, 691, dialErrorText(691)});
    EXPECT_EQ(events, expected);
}

TEST_F(LinuxDialUpAdapterTest, FailuresBeforeTheDialAreErrorsWithTheirText) {
    dialer->Entry = "none";
    EXPECT_EQ(dialer->Dial(), dialerror::kCannotFindEntry);
    EXPECT_TRUE(launcher.calls.empty()); // not even OnDialing
    dialer->Entry = "mobil";
    launcher.failWith = ENOENT; // no pppd
    EXPECT_EQ(dialer->Dial(), dialerror::kCannotInitialize);
    launcher.failWith = EACCES; // not in the dip group
    EXPECT_EQ(dialer->Dial(), dialerror::kUnknown);
    EXPECT_EQ(errors, (std::vector<Event>{{0, dialerror::kCannotFindEntry, "GetEntryDialParams failed"},
                                          {0, dialerror::kCannotInitialize, "No such file or directory"},
                                          {0, dialerror::kUnknown, "Permission denied"}}));
    loop.runPosted();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(dialer->connectionHandle(), 0u);
}

// The controller ends a dial the monitor never saw by this last notification.
TEST_F(LinuxDialUpAdapterTest, ALinkThatDropsEndsTheDialWithDisconnectedAndNoError) {
    connect();
    events.clear();
    pppd().say("Modem hangup");
    pppd().say("Connection terminated.");
    pppd().exit(16);
    loop.runPosted();
    EXPECT_EQ(events, std::vector<Event>{progress(dialstate::kDisconnected)});
}

TEST_F(LinuxDialUpAdapterTest, HangUpWaitsUntilPppdAndItsInterfaceAreGone) {
    connect();
    std::unique_ptr<Timer> ends, linkGoes;
    pppd().onSignal = [&](int) {
        // pppd closes LCP for 300 ms and exits; the interface is listed 200 ms longer.
        ends = loop.createTimer(300, true, [&, p = &pppd()] {
            ends->stop();
            p->say("Terminating on signal 15");
            p->say("Connection terminated.");
            p->exit(5);
            linkGoes = loop.createTimer(200, true, [&] {
                linkGoes->stop();
                source.list.clear();
            });
        });
    };
    events.clear();
    const auto before = loop.tickCount();
    EXPECT_EQ(dialer->HangUp(4242), 0);
    EXPECT_GE(loop.tickCount() - before, 500u);
    EXPECT_LT(loop.tickCount() - before, 600u);
    EXPECT_EQ(pppd().signals, std::vector<int>{SIGTERM});
    EXPECT_TRUE(events.empty()); // a hung-up dial reports nothing more
    EXPECT_EQ(dialer->connectionHandle(), 0u);
}

TEST_F(LinuxDialUpAdapterTest, HangUpGivesUpAfterItsBoundAndKills) {
    connect();
    const auto before = loop.tickCount();
    EXPECT_EQ(dialer->HangUp(dialer->connectionHandle()), dialerror::kHangUpTimedOut);
    EXPECT_EQ(loop.tickCount() - before, static_cast<std::uint64_t>(LinuxDialUpAdapter::kHangUpBoundMs));
    EXPECT_EQ(pppd().signals, (std::vector<int>{SIGTERM, SIGKILL}));
}

TEST_F(LinuxDialUpAdapterTest, HandlesOfOtherPrograms) {
    const std::uint32_t bareLink = LinuxConnectionSource::kInterfaceHandleBase + 3; // no pppd to signal
    source.list = {{777, dialstate::kConnected, 0, "work", "PPP", "ppp1"},
                   {bareLink, dialstate::kConnected, 0, "", "PPP", "ppp3"}};
    for (std::uint32_t h : {0u, 12345u, bareLink})
        EXPECT_EQ(dialer->HangUp(h), dialerror::kInvalidHandle) << h;
    launcher.foreignResult = EPERM; // another user's pppd
    EXPECT_EQ(dialer->HangUp(777), dialerror::kAccessDenied);
    EXPECT_EQ(loop.tickCount(), 0u); // none of these waited

    launcher.foreignResult = 0;
    auto gone = loop.createTimer(120, true, [&] { source.list.erase(source.list.begin()); });
    EXPECT_EQ(dialer->HangUp(777), 0);
    EXPECT_EQ(launcher.foreignSignals.back(), std::make_pair(777, SIGTERM));
    EXPECT_GE(loop.tickCount(), 120u);
}

TEST_F(LinuxDialUpAdapterTest, DialHangsUpThePreviousConnectionFirst) {
    connect();
    FakePppd* first = &pppd();
    first->onSignal = [&, first](int) {
        first->exit(5);
        source.list.clear();
    };
    ASSERT_EQ(dialer->Dial(), 0);
    EXPECT_EQ(first->signals, std::vector<int>{SIGTERM});
    EXPECT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(dialer->connectionHandle(), 4243u);
}

TEST_F(LinuxDialUpAdapterTest, ActiveConnectionsIncludeTheDialBeforeItsPidFile) {
    std::vector<ActiveConnection> seen;
    dialer->events.OnActiveConnection = [&](const ActiveConnection& c, const std::string&) { seen.push_back(c); };
    ASSERT_EQ(dialer->Dial(), 0);
    pppd().say("Connect: ppp0 <--> /dev/ttyUSB0");
    loop.runPosted();
    EXPECT_EQ(dialer->GetActiveConnections(), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].handle, 4242u);
    EXPECT_EQ(seen[0].state, dialstate::kAuthenticate);
    EXPECT_EQ(seen[0].entryName, "mobil");

    // The pid file knows the unit only; the transcript knows how far the dial got.
    source.list.push_back({4242, dialstate::kAllDevicesConnected, 0, "", "PPP", "ppp0"});
    seen.clear();
    dialer->GetActiveConnections();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].state, dialstate::kAuthenticate);
    EXPECT_EQ(seen[0].entryName, "mobil");
}

TEST_F(LinuxDialUpAdapterTest, OurOwnConnectionIsReportedLastSoItsHandleIsTheOneHeld) {
    // A link of another program is listed after the pppds; the controller keeps the last handle it hears of.
    connect();
    source.list.push_back({0x40000007, dialstate::kConnected, 0, "", "PPP", "ppp7"});
    std::vector<std::uint32_t> seen;
    dialer->events.OnActiveConnection = [&](const ActiveConnection& c, const std::string&) {
        seen.push_back(c.handle);
    };
    dialer->GetActiveConnections();
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x40000007, dialer->connectionHandle()}));
}

TEST_F(LinuxDialUpAdapterTest, EntriesArePeerFilesInNameOrder) {
    for (const char* name : {"Alfa", ".hidden", "backup~"})
        std::ofstream(dir / "peers" / name) << "noauth\n";
    fsys::create_directory(dir / "peers" / "subdir");
    std::vector<std::string> reported;
    dialer->events.OnEntryGet = [&](const std::string& name) { reported.push_back(name); };
    EXPECT_EQ(dialer->GetEntries(), 0);
    EXPECT_EQ(dialer->Entries(), (std::vector<std::string>{"Alfa", "mobil"}));
    EXPECT_EQ(reported, dialer->Entries());

    for (int i = 0; i < 120; ++i)
        std::ofstream(dir / "peers" / ("e" + std::to_string(1000 + i))) << "noauth\n";
    dialer->GetEntries();
    EXPECT_EQ(dialer->Entries().size(), 100u);

    LinuxDialUpAdapter none(loop, launcher, source, (dir / "missing").string(), (dir / "s").string());
    EXPECT_EQ(none.GetEntries(), 0);
    EXPECT_TRUE(none.Entries().empty());
}

} // namespace
} // namespace qv::platform
