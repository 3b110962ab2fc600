#include "extapps/ExternalApps.h"

#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "extapps/ExternalAppCodec.h"
#include "support/FakeMailServices.h"
#include "support/FakeProcessTable.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv::extapps {
namespace {

using platform::RunningProcess;
using Opened = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kRules = "/app/Data/alice_ExternApp.dat";

/// The rules on the virtual loop: a one-second timer plays the connection clock (while connected) and then the
/// rules' check, as the main window's timers do.
struct ExternalAppsTest : ::testing::Test {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 7, 59, 50, 0})};
    test::MemoryFileSystem fs;
    test::RecordingDesktopShell desktop;
    test::FakeProcessTable processes;
    settings::SettingsRecord settings;
    connection::ControllerState state;
    double connMB = 0;
    std::unique_ptr<ExternalApps> apps;
    std::unique_ptr<Timer> tick;

    void SetUp() override {
        fs.addDir("/app");
        fs.addDir("/app/Data");
    }
    void load(const std::vector<ExternalAppRule>& rules) {
        fs.put(kRules, encodeRules(rules));
        apps = std::make_unique<ExternalApps>(ExternalAppServices{fs, desktop, processes, clock, LocaleFormats{},
                                                                  settings, state, [this] { return connMB; }, kRules});
        apps->LoadExternalApps();
        tick = loop.createTimer(1000, true, [this] {
            if (state.isConnected)
                ++state.connectedSeconds;
            apps->CheckExternalApps();
        });
    }
    void connect() {
        state.isConnected = true;
        state.connectedSeconds = 0;
        apps->ResetExternalAppFlags();
    }
    void disconnect() {
        state.isConnected = false;
        state.connectedSeconds = 0;
        state.lowDownloadSeconds = 0;
        connMB = 0;
    }
    void seconds(int n) { loop.advance(n * 1000); }
    static ExternalAppRule rule(std::string path) {
        ExternalAppRule r;
        r.path = std::move(path);
        return r;
    }
};

TEST_F(ExternalAppsTest, StartAfterConnectingFiresInItsSecondOnceAndAgainAfterAReconnect) {
    auto r = rule("/opt/Moje programy/MyProgram.exe");
    r.startSecondsAfter = 5;
    load({r});
    seconds(10);
    EXPECT_TRUE(desktop.opened.empty()); // offline the connection clock stays at 0
    connect();
    seconds(4);
    EXPECT_TRUE(desktop.opened.empty());
    seconds(1);
    EXPECT_EQ(desktop.opened, (Opened{{"/opt/Moje programy/MyProgram.exe", "/opt/Moje programy"}}));
    seconds(120);
    EXPECT_EQ(desktop.opened.size(), 1u);
    disconnect();
    connect();
    seconds(5);
    EXPECT_EQ(desktop.opened.size(), 2u);
}

TEST_F(ExternalAppsTest, AConnectWithoutTheRulesFileKeepsTheFlags) {
    auto r = rule("/bin/prog");
    r.startSecondsAfter = 2;
    load({r});
    connect();
    seconds(2);
    ASSERT_EQ(desktop.opened.size(), 1u);
    fs.remove(kRules);
    disconnect();
    connect();
    seconds(5);
    EXPECT_EQ(desktop.opened.size(), 1u);
}

TEST_F(ExternalAppsTest, StopBeforeTheTimeLimitAt1740SecondsOfThirtyMinutes) {
    settings.timeLimitOn = true;
    settings.timeLimitMinutes = 30;
    auto r = rule("C:\\Programy\\MyProgram.exe");
    r.stopSecondsBefore = 60;
    load({r, rule("")});
    processes.running = {{10, "bash"}, {20, "MYPROGRAM.EXE"}};
    connect();
    seconds(1739);
    EXPECT_TRUE(processes.terminated.empty());
    seconds(1);
    EXPECT_EQ(processes.terminated, std::vector<int>{20});
    EXPECT_TRUE(apps->rules()[0].stoppedBeforeTimeLimit);
    processes.running.push_back({30, "MyProgram.exe"});
    seconds(100);
    EXPECT_EQ(processes.terminated, std::vector<int>{20}); // once per connection
}

TEST_F(ExternalAppsTest, StopBeforeTheLowDownloadDisconnectCountsTheLowSpell) {
    settings.slowDownloadOn = true;
    settings.slowDownloadMinutes = 2;
    auto r = rule("/usr/bin/torrent");
    r.stopSecondsBefore = 30;
    load({r});
    processes.running = {{7, "torrent"}};
    connect();
    state.lowDownloadSeconds = 89;
    seconds(1);
    EXPECT_TRUE(processes.terminated.empty());
    state.lowDownloadSeconds = 90;
    seconds(1);
    EXPECT_EQ(processes.terminated, std::vector<int>{7});

    settings.slowDownloadOn = false; // the rule switched off: nothing is stopped
    disconnect();
    connect();
    processes.running = {{8, "torrent"}};
    seconds(1);
    EXPECT_EQ(processes.terminated, std::vector<int>{7});
}

TEST_F(ExternalAppsTest, StopBeforeTheDataLimitOncePerConnectionWhenTheRemainderComesDown) {
    settings.dataLimitOn = true;
    settings.dataLimitMB = 100;
    auto r = rule("/usr/bin/updater");
    r.stopMegabytesBefore = 10;
    load({r});
    processes.running = {{1, "updater"}, {2, "updater"}};
    seconds(5);
    EXPECT_TRUE(processes.terminated.empty()); // offline
    connect();
    connMB = 89.5; // 10.5 MB left
    seconds(1);
    EXPECT_TRUE(processes.terminated.empty());
    connMB = 89.65; // 10.35 MB left: within the margin
    seconds(1);
    EXPECT_EQ(processes.terminated, std::vector<int>{1});
    connMB = 95;
    seconds(5);
    EXPECT_EQ(processes.terminated, std::vector<int>{1});
    disconnect();
    connect();
    connMB = 99; // a fast line jumps past the value: stopped all the same
    seconds(1);
    EXPECT_EQ(processes.terminated, (std::vector<int>{1, 2}));
}

TEST_F(ExternalAppsTest, TimeOfDayStartFiresOncePerLoadNotTheNextDay) {
    auto r = rule("/usr/bin/news");
    r.startAtOn = true;
    r.startAt = oleFromCivil({2020, 6, 1, 8, 0, 0, 0}); // the date does not count
    r.stopAtOn = true;
    r.stopAt = oleTimeOfDay(8, 0, 3);
    load({r});
    processes.running = {{4, "news"}};
    seconds(9);
    EXPECT_TRUE(desktop.opened.empty()); // 07:59:59
    seconds(1);
    EXPECT_EQ(desktop.opened, (Opened{{"/usr/bin/news", "/usr/bin"}}));
    seconds(2);
    EXPECT_TRUE(processes.terminated.empty());
    seconds(1);
    EXPECT_EQ(processes.terminated, std::vector<int>{4});
    processes.running = {{5, "news"}};
    seconds(24 * 3600);
    EXPECT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(processes.terminated, std::vector<int>{4});
    apps->LoadExternalApps(); // the settings dialog rewrote the file
    seconds(24 * 3600);
    EXPECT_EQ(desktop.opened.size(), 2u);
    EXPECT_EQ(processes.terminated, (std::vector<int>{4, 5}));
}

TEST_F(ExternalAppsTest, LoadingClearsFlagsAndAMissingFileKeepsTheList) {
    auto r = rule("/bin/a");
    r.started = r.startedAt = r.stoppedBeforeDataLimit = true;
    load({r});
    EXPECT_FALSE(apps->rules()[0].started);
    EXPECT_FALSE(apps->rules()[0].startedAt);
    EXPECT_FALSE(apps->rules()[0].stoppedBeforeDataLimit);
    fs.remove(kRules);
    apps->LoadExternalApps();
    EXPECT_EQ(apps->rules().size(), 1u);
    fs.put(kRules, encodeRule(rule("/bin/b")) + "x"); // 241 bytes
    apps->LoadExternalApps();
    ASSERT_EQ(apps->rules().size(), 1u);
    EXPECT_EQ(apps->rules()[0].path, "/bin/b");
}

struct StopCase {
    const char* path;
    std::vector<RunningProcess> running;
    std::vector<int> ended;
};

struct StopExternalAppTest : ExternalAppsTest, ::testing::WithParamInterface<StopCase> {};

TEST_P(StopExternalAppTest, EndsTheFirstMatchByNameThenByShortName) {
    load({});
    processes.running = GetParam().running;
    apps->StopExternalApp(GetParam().path);
    EXPECT_EQ(processes.terminated, GetParam().ended);
}

INSTANTIATE_TEST_SUITE_P(
    Names, StopExternalAppTest,
    ::testing::Values(StopCase{"C:\\Prog\\MyProgram.exe", {{3, "MYPROGRAM.EXE"}}, {3}},
                      StopCase{"C:\\Prog\\MyProgram.exe", {{3, "MYPROG~1.EXE"}}, {3}},
                      // The full name wins over an earlier short name.
                      StopCase{"C:\\Prog\\MyProgram.exe", {{2, "MYPROG~1.EXE"}, {3, "myprogram.exe"}}, {3}},
                      // Two instances: only the first found.
                      StopCase{"/opt/app/MyProgram.exe", {{5, "MyProgram.exe"}, {9, "MyProgram.exe"}}, {5}},
                      StopCase{"D:MyProgram.exe", {{6, "MyProgram.exe"}}, {6}},
                      StopCase{"/opt/app/MyProgram.exe", {{1, "MyProgram"}, {2, "MyProgram.exe.bak"}}, {}},
                      StopCase{"/home/alice/a very-long-program-name", {{8, "a very-long-program-name"}}, {8}},
                      StopCase{"/usr/bin/prog", {}, {}}));

TEST(ExternalAppNames, NameDirectoryAndShortForm) {
    EXPECT_EQ(programName("C:\\Program Files\\x;y.exe"), "x;y.exe");
    EXPECT_EQ(programName("/a b/c'd"), "c'd");
    EXPECT_EQ(programName("prog"), "prog");
    EXPECT_EQ(programDirectory("/a b/c'd"), "/a b");
    EXPECT_EQ(programDirectory("/prog"), "/");
    EXPECT_EQ(programDirectory("prog"), "");
    EXPECT_EQ(shortProgramName("C:\\x\\MyProgram.exe"), "MYPROG~1.EXE");
    EXPECT_EQ(shortProgramName("/x/netscape"), "NETSCA~1");
}

} // namespace
} // namespace qv::extapps
