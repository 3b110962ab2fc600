#include "app/MainForm.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "platform/sim/SimModem.h"
#include "support/DemoLineServices.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

namespace w = names::TForm1;

// The demo as scripts/run starts it: the simulated line and its modem, everything else as shipped.
struct DemoModemTest : ::testing::Test, DemoLineServices {
    const shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    std::unique_ptr<app::MainForm> form;

    void SetUp() override {
        fs.addDir("/app");
        fs.addDir("/app/Data");
        form = std::make_unique<app::MainForm>(services(true, false), paths, views);
        form->create();
        form->activated();
    }
    const std::string& shown(const shell::WidgetName& name) { return views.main.get(name).text; }
};

TEST_F(DemoModemTest, SignalAndBatteryAfterStartAndAfterADrop) {
    EXPECT_TRUE(form->modem().portKnown());
    loop.advance(8000); // restart at 2 s for 1.5 s, poll a second later, two replies of 1.5 s
    EXPECT_EQ(shown(w::LabelSignal), "75 %");
    EXPECT_EQ(shown(w::LabelBattery), "80 %");
    EXPECT_EQ(shown(w::Label9), "Odpojeno");
    EXPECT_TRUE(views.main.get(w::SpeedButton1).enabled);

    // The modem's radio goes off while a connection is up: the poll after its end says so.
    fs.put("/app/sim-line.conf", "drop_after=5\nmodem=off\nmodem_battery=64\n");
    form->intents().clicked(w::SpeedButton1);
    loop.advance(4000);
    ASSERT_TRUE(form->state().isConnected);
    std::vector<std::string> texts;
    views.main.subscribe([&](const shell::WidgetName& name) {
        if (name == w::Label9)
            texts.push_back(shown(w::Label9));
    });
    loop.advance(12000); // the drop, the modem restart, the poll
    EXPECT_EQ(shown(w::LabelSignal), "0 %");
    EXPECT_EQ(shown(w::LabelBattery), "64 %");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Modem neni pravděpodobně zapnutý"), texts.end());
}

} // namespace
} // namespace qv::test
