// The program on the demo line in virtual time: the sim dialler, its line, the polling monitor over it.
#include "app/MainForm.h"
#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "statistics/StatisticsCodec.h"
#include "support/DemoLineServices.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace qv::test {
namespace {

struct SimDialTest : ::testing::Test, DemoLineServices {
    shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    std::unique_ptr<app::MainForm> form;

    void start(const std::string& settings, const std::string& lineControl) {
        trayShown = true;
        fs.addDir("/app");
        fs.addDir("/app/Data");
        fs.addDir("/app/Statistiky");
        fs.put("/app/Nastaveni.ini", settings);
        fs.put("/app/sim-line.conf", lineControl);
        form = std::make_unique<app::MainForm>(services(false, false), paths, views);
        form->create();
        form->activated();
        form->timers().timer(10).stop(); // no start-up modem restart
    }
    std::vector<std::string> log() {
        std::vector<std::string> out;
        const std::string text = cp1250::toUtf8(fs.readAll("/app/PO.log").value_or(""));
        for (std::size_t pos = 0; pos < text.size();) {
            const auto end = text.find("\r\n", pos);
            const std::string l = text.substr(pos, end - pos);
            out.push_back(l.substr(l.find(" : ") + 3));
            pos = end == std::string::npos ? text.size() : end + 2;
        }
        return out;
    }
    /// Connections the monitor reported: each one's running record went to the statistics file.
    std::size_t seenConnections() {
        return statistics::decodeFile(fs.readAll("/app/Statistiky/Pripojeni.sts").value_or("")).size();
    }
};

// A link up for one second is often missed by a monitor polling every two: every dial must still end, and each is
// redialled as a drop outside the program, whether the monitor saw it or not.
TEST_F(SimDialTest, LinksThatDropAfterASecondAreRedialledDialAfterDial) {
    start("[Pripojeni]\r\nProdleva=5\r\n", "drop_after=1\n");
    form->intents().clicked(names::TForm1::SpeedButton1);
    loop.advance(180'000);
    const auto entries = log();
    const auto redials = std::count(entries.begin(), entries.end(), "Připojení po odpojení");
    const auto drops = std::count(entries.begin(), entries.end(), "Připojení bylo odpojeno mimo tuto aplikaci");
    EXPECT_GE(redials, 12) << ::testing::PrintToString(entries);
    EXPECT_GE(drops, redials);
    EXPECT_EQ(entries.front(), "Normální připojení");
    EXPECT_GT(seenConnections(), 0u);
    EXPECT_LT(seenConnections(), static_cast<std::size_t>(redials)); // some went unseen: the case at stake

    // The provider stops dropping: the next redial stays up.
    fs.put("/app/sim-line.conf", "");
    loop.advance(20'000);
    EXPECT_TRUE(form->state().isConnected);
    EXPECT_FALSE(form->state().isDialing);
    EXPECT_EQ(views.main.get(names::TForm1::Label9).text, "Spojeno");
    EXPECT_FALSE(fs.exists("/app/Error.log"));
}

TEST_F(SimDialTest, WithoutReDialAnUnseenDropLeavesConnectUsable) {
    start("[Pripojeni]\r\nReDial=0\r\n[Modem]\r\nRestart=0\r\n", "drop_after=1\n");
    for (int i = 0; i < 6; ++i) {
        form->intents().clicked(names::TForm1::SpeedButton1);
        loop.advance(10'000);
        EXPECT_FALSE(form->state().isDialing) << "dial " << i;
        EXPECT_FALSE(form->state().isConnected) << "dial " << i;
        EXPECT_TRUE(views.main.get(names::TForm1::SpeedButton1).enabled) << "dial " << i;
    }
    EXPECT_EQ(log(), std::vector<std::string>(6, "Normální připojení"));
    EXPECT_LT(seenConnections(), 6u);
}

} // namespace
} // namespace qv::test
