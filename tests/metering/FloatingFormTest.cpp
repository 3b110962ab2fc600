#include "metering/FloatingForm.h"

#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "metering/FloatingNames.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::metering {
namespace {

namespace f = names::TForm7;

constexpr std::uint32_t kMainColour = 0x00C0D0E0;

/// The floating window's logic on the virtual loop; connected, the window in use, the settings last loaded with the
/// position (300, 40).
struct FloatingFormTest : testing::Test {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 12, 0, 0, 0})};
    test::MemoryFileSystem fs;
    shell::AppPaths paths{"/app/", "alice"};
    LocaleFormats czech;
    shell::Logs logs{fs, clock, czech, paths};
    shell::TimerSchedule timers{loop};
    shell::WindowView view{f::kAll};
    settings::SettingsFile file{fs, "/cfg/"}; ///< beside the logs, so that it can fail alone
    settings::SettingsRecord settings;
    connection::ControllerState controller;
    bool inUse = true;
    settings::FloatPosition loaded{300, 40};
    std::optional<std::uint32_t> mainColour = kMainColour;
    double connMB = 0;
    FloatingForm form{{logs, timers, view, file, settings, controller, [this] { return inUse; },
                       [this] { return loaded; }, [this] { return mainColour; }, [this] { return connMB; }}};
    int placementChanges = 0;

    void SetUp() override {
        fs.addDir("/app");
        fs.addDir("/cfg");
        controller.isConnected = true;
        form.subscribe([this] { ++placementChanges; });
    }
    std::string ini() { return cp1250::toUtf8(fs.readAll("/cfg/Nastaveni.ini").value_or("")); }
    std::string errorLog() { return cp1250::toUtf8(fs.readAll(paths.errorLog()).value_or("")); }
    std::optional<std::uint32_t> strip() const { return view.get(f::Panel1).color; }
    /// Which of the six upper labels show, in table order, as '1' and '0'.
    std::string upperLabels() const {
        std::string out;
        for (const auto& n : {f::DRLabel1, f::DRLabel2, f::DRLabel5, f::DRLabel6, f::DRLabel4, f::DRLabel3})
            out += view.get(n).visible ? '1' : '0';
        return out;
    }
};

TEST_F(FloatingFormTest, OpensAtTheLoadedPositionExpandedInTheMainColourWithTheChosenOpacity) {
    settings.floatOpacity = 25;
    form.OpenFloatingWindow();
    EXPECT_TRUE(form.exists());
    EXPECT_TRUE(view.window().visible);
    EXPECT_EQ(form.placement(), (FloatingPlacement{300, 40, 115, 62, 250, 0}));
    EXPECT_EQ(view.window().color, kMainColour);
    EXPECT_EQ(strip(), kMainColour);
    EXPECT_EQ(upperLabels(), "111111");

    // Open again while it exists: the window stays as it is.
    loaded = {0, 0};
    form.OpenFloatingWindow();
    EXPECT_EQ(form.placement().left, 300);

    form.CloseFloatingWindow();
    EXPECT_FALSE(form.exists());
    EXPECT_FALSE(view.window().visible);
}

TEST_F(FloatingFormTest, NotInUseItIsNotOpened) {
    inUse = false;
    form.OpenFloatingWindow();
    EXPECT_FALSE(form.exists());
    EXPECT_FALSE(view.has(view.self()));
}

TEST_F(FloatingFormTest, OpacityIsTenTimesTheStep) {
    for (const auto& [step, alpha] : {std::pair{25, 250}, std::pair{0, 0}, std::pair{12, 120}}) {
        settings.floatOpacity = static_cast<std::uint8_t>(step);
        form.OpenFloatingWindow();
        EXPECT_EQ(form.placement().opacity, alpha) << step;
        form.CloseFloatingWindow();
    }
    // The settings dialog's slider acts on an open window only.
    form.SetFloatingOpacity(7);
    EXPECT_EQ(form.placement().opacity, 120);
    form.OpenFloatingWindow();
    form.SetFloatingOpacity(7);
    EXPECT_EQ(form.placement().opacity, 70);
}

struct DragCase {
    const char* what;
    PointerMove pointer;
    bool moves;
    friend void PrintTo(const DragCase& c, std::ostream* os) { *os << c.what; }
};

class DragTest : public FloatingFormTest, public testing::WithParamInterface<DragCase> {};

TEST_P(DragTest, OnlyTheLeftButtonAloneDragsAndEachPositionIsWrittenAtOnce) {
    form.OpenFloatingWindow();
    PointerMove p = GetParam().pointer;
    p.screenX = 812;
    p.screenY = 9;
    form.DragFloatingWindow(p);
    if (GetParam().moves) {
        EXPECT_EQ(form.placement().left, 812);
        EXPECT_EQ(form.placement().top, 9);
        EXPECT_EQ(ini(), "[Okno]\r\nLeft=812\r\nTop=9\r\n");
        p.screenX = 790;
        p.screenY = -3;
        form.DragFloatingWindow(p);
        EXPECT_EQ(ini(), "[Okno]\r\nLeft=790\r\nTop=-3\r\n");
    } else {
        EXPECT_EQ(form.placement().left, 300);
        EXPECT_EQ(form.placement().top, 40);
        EXPECT_FALSE(fs.exists("/cfg/Nastaveni.ini"));
    }
}

PointerMove held(bool left, bool right = false, bool other = false, bool shift = false, bool ctrl = false,
                 bool alt = false) {
    return PointerMove{left, right, other, shift, ctrl, alt, 0, 0};
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, DragTest,
    testing::Values(DragCase{"left", held(true), true}, DragCase{"none", held(false), false},
                    DragCase{"right", held(false, true), false}, DragCase{"left and right", held(true, true), false},
                    DragCase{"left and another button", held(true, false, true), false},
                    DragCase{"left with Shift", held(true, false, false, true), false},
                    DragCase{"left with Ctrl", held(true, false, false, false, true), false},
                    DragCase{"left with Alt", held(true, false, false, false, false, true), false}));

TEST_F(FloatingFormTest, ADragThatCannotWriteTheSettingsIsReported) {
    form.OpenFloatingWindow();
    fs.setReadOnly("/cfg", true);
    form.DragFloatingWindow({true, false, false, false, false, false, 5, 6});
    EXPECT_NE(errorLog().find(" : 11,7\r\n"), std::string::npos) << errorLog();
}

TEST_F(FloatingFormTest, ANewWindowOpensWhereTheSettingsWereLastLoadedNotWhereItWasDragged) {
    form.OpenFloatingWindow();
    form.DragFloatingWindow({true, false, false, false, false, false, 900, 500});
    form.CloseFloatingWindow();
    form.OpenFloatingWindow();
    EXPECT_EQ(form.placement().left, 300); // no load since
    form.CloseFloatingWindow();
    loaded = {900, 500}; // the main window's activation loaded the file again
    form.OpenFloatingWindow();
    EXPECT_EQ(form.placement().left, 900);
    EXPECT_EQ(form.placement().top, 500);
}

TEST_F(FloatingFormTest, CollapseKeepsTheTitleStripAndASecondPressRestoresEverything) {
    form.OpenFloatingWindow();
    view.setText(f::DRLabel2, "12,0 KB/s");
    form.ToggleFloatingWindow();
    EXPECT_EQ(form.placement().clientHeight, 16);
    EXPECT_EQ(form.placement().clientWidth, 115);
    EXPECT_EQ(upperLabels(), "000000");
    EXPECT_TRUE(view.get(f::DRLabel9).visible); // cut off by the height, not hidden
    EXPECT_TRUE(view.get(f::DRLabel10).visible);
    form.ToggleFloatingWindow();
    EXPECT_EQ(form.placement().clientHeight, 62);
    EXPECT_EQ(upperLabels(), "111111");

    // A window closed collapsed comes back expanded, its old values gone.
    form.ToggleFloatingWindow();
    form.CloseFloatingWindow();
    form.OpenFloatingWindow();
    EXPECT_EQ(form.placement().clientHeight, 62);
    EXPECT_EQ(upperLabels(), "111111");
    EXPECT_EQ(view.get(f::DRLabel2).text, "");
}

/// One rule close to firing, or none; the remaining time or data against the thresholds ([Okno] Time 30 s,
/// [Okno] Data 1 MB, the defaults). A rule is on when its limit is given.
struct WarningCase {
    const char* what;
    std::optional<int> timeLimitMinutes, slowMinutes, dataLimitMB;
    int connectedSeconds, lowDownloadSeconds;
    double connMB;
    bool warns;
    friend void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.what; }
};

class WarningTest : public FloatingFormTest, public testing::WithParamInterface<WarningCase> {};

TEST_P(WarningTest, TheTitleStripAlternatesWithRedEachSecondWhileARuleIsClose) {
    const WarningCase& c = GetParam();
    settings.timeLimitOn = c.timeLimitMinutes.has_value();
    settings.timeLimitMinutes = static_cast<std::uint16_t>(c.timeLimitMinutes.value_or(settings.timeLimitMinutes));
    settings.slowDownloadOn = c.slowMinutes.has_value();
    settings.slowDownloadMinutes = static_cast<std::uint16_t>(c.slowMinutes.value_or(settings.slowDownloadMinutes));
    settings.dataLimitOn = c.dataLimitMB.has_value();
    settings.dataLimitMB = static_cast<std::uint16_t>(c.dataLimitMB.value_or(settings.dataLimitMB));
    controller.connectedSeconds = c.connectedSeconds;
    controller.lowDownloadSeconds = c.lowDownloadSeconds;
    connMB = c.connMB;
    form.OpenFloatingWindow();
    timers.timer(11).start();
    std::vector<std::optional<std::uint32_t>> strips;
    for (int i = 0; i < 4; ++i) {
        loop.advance(1000);
        strips.push_back(strip());
    }
    const std::optional<std::uint32_t> red = FloatingForm::kRed, plain = kMainColour;
    if (c.warns)
        EXPECT_EQ(strips, (std::vector{red, plain, red, plain}));
    else
        EXPECT_EQ(strips, (std::vector{plain, plain, plain, plain}));
    EXPECT_EQ(view.window().color, kMainColour);
}

constexpr std::nullopt_t off = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Rules, WarningTest,
    testing::Values(WarningCase{"no rule on", off, off, off, 30 * 60, 0, 1000, false},
                    WarningCase{"time: 30 s left is not yet close", 30, off, off, 30 * 60 - 30, 0, 0, false},
                    WarningCase{"time: 29 s left", 30, off, off, 30 * 60 - 29, 0, 0, true},
                    WarningCase{"time: past the limit while the rules are blocked", 1, off, off, 500, 0, 0, true},
                    WarningCase{"slow download: 29 s of the spell left", off, 45, off, 0, 45 * 60 - 29, 0, true},
                    WarningCase{"data: 1 MB left is not yet close", off, off, 30, 0, 0, 29.0, false},
                    WarningCase{"data: 0.99 MB left", off, off, 30, 0, 0, 29.01, true}));

TEST_F(FloatingFormTest, TheWarningTickRunsOnlyWhileConnectedWithTheWindowShown) {
    settings.timeLimitOn = true;
    settings.timeLimitMinutes = 0;
    timers.timer(11).start();
    loop.advance(1000);
    EXPECT_FALSE(view.has(f::Panel1)); // no window
    form.OpenFloatingWindow();
    controller.isConnected = false;
    loop.advance(1000);
    EXPECT_EQ(strip(), kMainColour);
    controller.isConnected = true;
    inUse = false;
    loop.advance(1000);
    EXPECT_EQ(strip(), kMainColour);
    inUse = true;
    loop.advance(1000);
    EXPECT_EQ(strip(), FloatingForm::kRed);
    EXPECT_FALSE(form.timer11Busy());
}

TEST_F(FloatingFormTest, TheWarningEndingGivesWindowAndStripTheMainColourAgain) {
    settings.dataLimitOn = true;
    settings.dataLimitMB = 30;
    connMB = 29.5;
    form.OpenFloatingWindow();
    timers.timer(11).start();
    loop.advance(1000);
    ASSERT_EQ(strip(), FloatingForm::kRed);
    mainColour = 0x00112233; // the settings dialog chose another colour meanwhile
    settings.dataLimitOn = false;
    loop.advance(1000);
    EXPECT_EQ(strip(), 0x00112233u);
    EXPECT_EQ(view.window().color, 0x00112233u);
}

TEST_F(FloatingFormTest, MinimisingPutsAnExistingWindowOnTopAgain) {
    form.ShowOnTop();
    EXPECT_EQ(form.placement().topmostRequests, 0u);
    form.OpenFloatingWindow();
    const int before = placementChanges;
    form.ShowOnTop();
    EXPECT_EQ(form.placement().topmostRequests, 1u);
    EXPECT_EQ(placementChanges, before + 1);
    EXPECT_TRUE(view.window().visible);
}

TEST_F(FloatingFormTest, TheClockIsShownOnlyOnAnExistingWindow) {
    form.showClock("00:00:01");
    EXPECT_FALSE(view.has(f::DRLabel3));
    form.OpenFloatingWindow();
    form.showClock("00:00:02");
    EXPECT_EQ(view.get(f::DRLabel3).text, "00:00:02");
}

} // namespace
} // namespace qv::metering
