// The speed test in the provider lab: libcurl's FTP on a worker thread fetches the test file from an anonymous FTP
// server on the provider host across the dial-up link, then the real echo service pings that host. Shaping the
// provider's side of the link to a known rate shows the figures follow it.
#include "Lab.h"
#include "LabFtpServer.h"
#include "LabProgram.h"
#include "shell/ShellNames.h"
#include "tools/SpeedTestNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <regex>

namespace qv::lab {
namespace {

namespace t = names::TForm9;

const std::string kPath = "/OS/Linux/RedHat/redhat/linux/updates/enterprise/2.1ES/en/os/SRPMS/dhcp-2.0pl5-9.src.rpm";

struct SpeedLabTest : ::testing::Test {
    std::unique_ptr<Lab> lab;
    std::unique_ptr<LabFtpServer> ftp;
    std::unique_ptr<Program> p;

    void SetUp() override {
        if (const auto why = Lab::start(lab); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(lab->error(), "");
        ftp = LabFtpServer::inNamespace(lab->netns(), Lab::kProviderHost, kPath, std::string(301'000, 'q'));
        ASSERT_TRUE(ftp && ftp->listening());
        p = std::make_unique<Program>(lab->appDir());
        ASSERT_TRUE(p->fs.writeAtomic(p->paths.settingsFile(), "[Modem]\r\nRestart=0\r\n[Pripojeni]\r\nReDial=0\r\n"));
        ASSERT_TRUE(p->startAndDial());
        p->form.intents().clicked(names::TForm1::Test1);
    }
    void TearDown() override {
        p.reset();
        ftp.reset();
        lab.reset();
    }
    const std::string& text(const shell::WidgetName& w) const { return p->views.speedTest.get(w).text; }
    /// "Spustit test" and the end of the test: the ping average shown.
    void runTest(int ms) {
        p->form.intents().clicked(t::Button1);
        ASSERT_TRUE(p->loop.pumpUntil([&] { return !text(t::Label3).empty() || !p->dialogs.messages.empty(); }, ms));
        ASSERT_EQ(p->dialogs.messages, std::vector<std::string>{});
    }
    int kbps() const {
        std::smatch m;
        const std::string s = text(t::Label2);
        return std::regex_match(s, m, std::regex(R"((\d+) Kbps \((\d+) KBps\))")) ? std::stoi(m[1]) : -1;
    }
};

TEST_F(SpeedLabTest, TheTestFileComesByFtpAndThePingsAnswer) {
    runTest(30'000);
    RecordProperty("download", text(t::Label2));
    RecordProperty("ping", text(t::Label3));
    EXPECT_GT(kbps(), 0) << text(t::Label2);
    EXPECT_TRUE(std::regex_match(text(t::Label7), std::regex(R"(\d+,\d\d MB)"))) << text(t::Label7);
    EXPECT_TRUE(std::regex_match(text(t::Label8), std::regex(R"(\d+,\d\d MB)"))) << text(t::Label8);
    EXPECT_TRUE(std::regex_match(text(t::Label3), std::regex(R"(\d+ ms)"))) << text(t::Label3);
    EXPECT_EQ(p->echo.answers, std::vector<int>(5, 1));
    EXPECT_FALSE(p->fs.exists(p->paths.file("test.tmp")));
    const auto commands = ftp->commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "USER anonymous"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "TYPE I"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "RETR dhcp-2.0pl5-9.src.rpm"), commands.end());
    EXPECT_TRUE(p->views.speedTest.get(t::Button1).enabled);
}

// The provider's side of the link sends at 256 kbit/s: the figure is within a fifth of it.
TEST_F(SpeedLabTest, AShapedLinkGivesItsRate) {
    const std::string tc =
        "ip netns exec " + lab->netns() + " tc qdisc add dev lab0 root tbf rate 256kbit burst 3000 latency 500ms";
    ASSERT_EQ(std::system(tc.c_str()), 0) << tc;
    runTest(40'000);
    RecordProperty("download", text(t::Label2));
    EXPECT_GE(kbps(), 205) << text(t::Label2);
    EXPECT_LE(kbps(), 307) << text(t::Label2);
}

TEST_F(SpeedLabTest, StornoEndsTheTransferAtOnce) {
    const std::string tc =
        "ip netns exec " + lab->netns() + " tc qdisc add dev lab0 root tbf rate 64kbit burst 3000 latency 2000ms";
    ASSERT_EQ(std::system(tc.c_str()), 0) << tc;
    p->form.intents().clicked(t::Button1);
    ASSERT_TRUE(p->loop.pumpUntil([&] { return p->views.speedTest.get(t::ProgressBar1).index > 0; }, 10'000));
    p->form.intents().clicked(t::Button2);
    EXPECT_TRUE(p->views.speedTest.get(t::Button1).enabled);
    p->loop.pumpUntil([] { return false; }, 2'500); // the transfer learns within a second and goes
    EXPECT_EQ(text(t::Label2), "");
    EXPECT_TRUE(p->echo.answers.empty());
    EXPECT_FALSE(p->fs.exists(p->paths.file("test.tmp")));
    EXPECT_EQ(p->dialogs.messages, std::vector<std::string>{});
}

} // namespace
} // namespace qv::lab
