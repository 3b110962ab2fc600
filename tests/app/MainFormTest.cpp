#include "ShellFixture.h"

namespace qv::test {
namespace {

struct MainFormTest : ShellFixture {};

TEST_F(MainFormTest, CreationStepRunsItsHooksInOrder) {
    std::vector<std::string> order;
    make();
    auto& h = form->hooks();
    h.checkStatisticsFormat = [&] { order.push_back("statistics"); };
    h.findModemPort = [&] { order.push_back("modem"); };
    h.loadExternalApps = [&] { order.push_back("extapps"); };
    form->create();
    EXPECT_EQ(order, (std::vector<std::string>{"statistics", "modem", "extapps"}));
    EXPECT_EQ(monitor.calls, (std::vector<std::string>{"interval:1000", "enable:1000"}));
}

TEST_F(MainFormTest, EveryActivationLoadsTheSettingsButOnlyTheFirstStartsTheStartUpChain) {
    fs.put("/app/Nastaveni.ini", "[Aplikace]\r\nBarva=255\r\n[Prenos]\r\nRegistry=0\r\n[Okno]\r\nShow=0\r\n");
    int purges = 0;
    make().hooks().purgeStatistics = [&] { ++purges; };
    form->create();
    EXPECT_FALSE(form->timers().timer(10).enabled());
    form->activated();
    EXPECT_EQ(main(w::TForm1).color, 0x0000FFu);
    EXPECT_FALSE(form->counterMode());
    EXPECT_FALSE(form->floatWindowOn());
    EXPECT_TRUE(form->timers().timer(10).enabled());
    EXPECT_EQ(purges, 1);
    EXPECT_EQ(form->floatPosition(), (settings::FloatPosition{1080, 100}));

    // Later activations reload the record; the metering mode stays as chosen at the first one.
    fs.put("/app/Nastaveni.ini", "[Prenos]\r\nRegistry=1\r\n[Okno]\r\nShow=1\r\n");
    form->timers().timer(10).stop();
    form->activated();
    EXPECT_FALSE(form->counterMode());
    EXPECT_TRUE(form->floatWindowOn());
    EXPECT_FALSE(form->timers().timer(10).enabled());
    EXPECT_EQ(purges, 1);
    EXPECT_EQ(main(w::TForm1).color, 0xFF000005u);
}

TEST_F(MainFormTest, AFailingActivationIsReportedWithItsTag) {
    make().hooks().purgeStatistics = [] { throw 1; };
    form->activated();
    EXPECT_EQ(lines("/app/Error.log"), (std::vector<std::string>{"5.3.2026 14:07:09 : 121,1"}));
    EXPECT_TRUE(views.fatalError.window().visible);
}

TEST_F(MainFormTest, MinimiseHidesToTheTrayAndTrayClicksRestore) {
    int floating = 0;
    started().hooks().showFloatingWindowOnTop = [&] { ++floating; };
    form->intents().windowEvent(w::TForm1, shell::WindowEvent::Minimized);
    EXPECT_FALSE(main(w::TForm1).visible);
    EXPECT_EQ(views.main.iconifyCount(), 0u);
    EXPECT_EQ(floating, 0); // offline: no floating window
    form->intents().clicked(w::TrayIcon1);
    EXPECT_TRUE(main(w::TForm1).visible);

    form->state().isConnected = true;
    form->intents().windowEvent(w::TForm1, shell::WindowEvent::Minimized);
    EXPECT_EQ(floating, 1);
    const auto raises = views.main.raiseCount();
    form->intents().doubleClicked(w::TrayIcon1);
    form->intents().clicked(w::Obnovitaplikaci1);
    EXPECT_TRUE(main(w::TForm1).visible);
    EXPECT_EQ(views.main.raiseCount(), raises + 2);
}

// Without a tray nothing could bring a hidden window back: every minimise, the user's and the one after a connect
// alike, sends it to the task bar instead, still visible there, and a restore brings it up again.
TEST_F(MainFormTest, WithoutATrayMinimiseGoesToTheTaskBarInsteadOfHiding) {
    fs.put("/app/Nastaveni.ini", "[Aplikace]\r\nPripojeni=1\r\n");
    trayShown = false;
    int floating = 0;
    started().hooks().showFloatingWindowOnTop = [&] { ++floating; };
    form->intents().windowEvent(w::TForm1, shell::WindowEvent::Minimized);
    EXPECT_TRUE(main(w::TForm1).visible);
    EXPECT_EQ(views.main.iconifyCount(), 1u);
    const auto raises = views.main.raiseCount();
    form->restore();
    EXPECT_EQ(views.main.raiseCount(), raises + 1);

    form->controller().ConnectClicked();
    monitor.connect(); // [Aplikace] Pripojeni minimises at every connect
    EXPECT_TRUE(main(w::TForm1).visible);
    EXPECT_EQ(views.main.iconifyCount(), 2u);
    EXPECT_EQ(floating, 1); // the floating window still comes to the top

    // A tray that appears later is used from then on.
    trayShown = true;
    form->intents().windowEvent(w::TForm1, shell::WindowEvent::Minimized);
    EXPECT_FALSE(main(w::TForm1).visible);
    EXPECT_EQ(views.main.iconifyCount(), 2u);
}

TEST_F(MainFormTest, LabelClearingEmptiesTheConnectionValuesOnceASecondAfterItStarts) {
    started();
    for (const auto& name :
         {w::Label7, w::Label11, w::Label13, w::Label15, w::Label17, w::Label20, w::Label21, w::Label24})
        views.main.setText(name, "x");
    form->timers().timer(12).start();
    loop.advance(999);
    EXPECT_EQ(main(w::Label11).text, "x");
    loop.advance(1);
    for (const auto& name : {w::Label7, w::Label11, w::Label13, w::Label15, w::Label17, w::Label20, w::Label21})
        EXPECT_EQ(main(name).text, "") << name;
    EXPECT_EQ(main(w::Label24).text, "x"); // the totals of the last connection stay
    EXPECT_FALSE(form->timers().timer(12).enabled());
}

} // namespace
} // namespace qv::test
