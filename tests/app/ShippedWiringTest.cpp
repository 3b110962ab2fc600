#include "app/MainForm.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "metering/FloatingNames.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "platform/sim/SimModem.h"
#include "platform/sim/SimPacketCapture.h"
#include "shell/ShellNames.h"
#include "support/DemoLineServices.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"
#include "tools/SpeedTestNames.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

/// The composition the program ships, on the demo line.
struct Shipped : DemoLineServices {
    const shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    app::MainForm form{services(), paths, views};

    Shipped() { fs.addDir("/app"); }
};

// Every hook and menu action that still does nothing would be listed with the subsystem it waits for; in the
// shipped composition none is left, and a hook left unset by mistake shows up here.
TEST(ShippedWiringTest, NoHookOrMenuItemIsLeftUnset) {
    Shipped shipped;
    app::MainForm& form = shipped.form;

    EXPECT_EQ(form.unsetHooks(), std::vector<std::string>{});
}

class DemoLineMeteringTest : public testing::TestWithParam<bool> {};

// The demo meters its line in either mode: by the interface counters, or by the packets its capture hands over.
TEST_P(DemoLineMeteringTest, TheDemoLineIsMeteredInEitherMode) {
    const bool byPackets = GetParam();
    Shipped s;
    s.fs.put("/app/Nastaveni.ini", std::string("[Prenos]\r\nRegistry=") + (byPackets ? "0" : "1") +
                                       "\r\n[Modem]\r\nRestart=0\r\n[Okno]\r\nShow=1\r\n");
    s.form.create();
    s.form.activated();
    s.form.timers().timer(10).stop();
    s.form.intents().clicked(names::TForm1::SpeedButton1);
    s.loop.advance(12'000);
    ASSERT_TRUE(s.form.state().isConnected);
    std::uint64_t in0 = 0, out0 = 0;
    s.line.counters(in0, out0);
    s.loop.advance(30'000);
    std::uint64_t in = 0, out = 0;
    s.line.counters(in, out);

    const auto& c = s.form.meter().counters();
    ASSERT_GT(in - in0, 100'000u);
    // The line's first connection, so its counters started at zero: never more than moved, and what moved in the
    // half minute, but for the last second (or the last packet's worth).
    EXPECT_LE(c.connDownBytes, in);
    EXPECT_LE(c.connUpBytes, out);
    EXPECT_GE(c.connDownBytes, (in - in0) * 0.95);
    EXPECT_GE(c.connUpBytes, (out - out0) * 0.95);
    const statistics::StatisticsRecord* record = s.form.running().currentConnRecord();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Down1 + record->Down2, c.connDownBytes);
    const platform::PacketCapture* capture = s.form.packetMeter().captureInstance();
    EXPECT_EQ(capture && capture->Active(), byPackets);
    EXPECT_NE(s.views.floating.get(names::TForm7::DRLabel2).text, "");
}

INSTANTIATE_TEST_SUITE_P(Modes, DemoLineMeteringTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "ByPackets" : "ByCounters"; });

// "O aplikaci": the update check answers offline at once and the web page opens in the desktop's opener; the
// composition without a downloader reaches no server.
TEST(ShippedWiringTest, TheAboutMenuChecksForUpdatesAndOpensTheWebSite) {
    Shipped s;
    s.form.create();
    s.form.activated();
    s.form.intents().clicked(names::TForm1::Aktualizace1);
    EXPECT_EQ(s.dialogs.boxes, std::vector<std::string>{"info/yes: Nejste online"});
    s.form.state().isConnected = true;
    s.fs.put("/app/verze.txt", "1.32\n");
    s.form.intents().clicked(names::TForm1::Aktualizace1);
    s.mail.workers.runAll();
    s.loop.advance(0);
    EXPECT_EQ(s.dialogs.boxes.back(), "error/yes: Nepodařilo se připojit na server");
    s.form.intents().clicked(names::TForm1::Jtnaweb1);
    ASSERT_EQ(s.mail.desktop.opened.size(), 1u);
    EXPECT_EQ(s.mail.desktop.opened[0].first, "http://www.quorvex.cz/");
}

// "Test Rychlosti" → "Test" opens the speed test window cleared; offline its start says so; closing it frees it.
TEST(ShippedWiringTest, TheSpeedTestWindowOpensRunsAndCloses) {
    Shipped s;
    s.form.create();
    s.form.activated();
    auto& view = s.views.speedTest;
    view.setText(names::TForm9::Label2, "stale");
    s.form.intents().clicked(names::TForm1::Test1);
    EXPECT_TRUE(view.window().visible);
    EXPECT_EQ(view.get(names::TForm9::Label2).text, "");
    EXPECT_FALSE(view.get(names::TForm9::Button2).enabled);
    s.form.intents().clicked(names::TForm9::Button1);
    EXPECT_EQ(s.dialogs.messages, std::vector<std::string>{"Nejste online"});
    s.form.intents().windowEvent(names::TForm9::TForm9, shell::WindowEvent::Closed);
    EXPECT_FALSE(view.window().visible);
}

} // namespace
} // namespace qv::test
