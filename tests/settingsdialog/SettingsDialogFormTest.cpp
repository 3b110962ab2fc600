#include "SettingsDialogFixture.h"
#include "settingsdialog/SettingsDialogKeys.h"
#include "settingsdialog/SettingsDialogTags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::test {
namespace {

namespace t = settingsdialog::tags;
using Form = settingsdialog::SettingsDialogForm;

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0, end = 0; pos < text.size(); pos = end + 1) {
        end = text.find('|', pos);
        end = end == std::string::npos ? text.size() : end;
        out.push_back(text.substr(pos, end - pos));
    }
    return out;
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\r\n";
    return out;
}

/// What a save of a dialog opened on no settings file at all writes (the dialog in the main window's colour
/// 0x00336699): every key the save writes, with its default, in the order of the writes.
const std::vector<std::string> kDefaultFile = split(
    "[AutoStart]|Spustit=0|"
    "[Pripojeni]|ReDial=1|ReDialTime=0|ReDialTimeHodnota=30|ReDialTimeP=0|ReData=0|ReDataHodnota=30|ReDataP=0|721=1|"
    "Auto=0|Prodleva=20|"
    "[Aplikace]|Pripojeni=0|Odpojeni=0|Barva=3368601|"
    "[Modem]|Restart=1|Port=-1|Timeout=1,5|"
    "[Download]|Restart=0|Down=2|Time=45|Připojit=0|"
    "[Okno]|Show=1|Data=1|Time=30|Pruhled=25|"
    "[Prenos]|Registry=1|Pakety=0|"
    "[A1]|Cesta=|VypnoutTime=0|VypnoutData=0|SpustitPo=0|Spustit=0|SpustitV=0:00:00|Ukoncit=0|UkoncitV=0:00:00|"
    "[Ukladani]|Ukladat=1|Po=60|"
    "[Odstraneni]|Odstranit=1|Po=60|"
    "[AutoRestart]|Restart=0|"
    "[Email]|Kontrola=0|Interval=60|Klient=0|Path=|Zvuk=1|"
    "[Pripojit]|Ano=0|V=0:00:00|"
    "[Odpojit]|Ano=0|V=0:00:00|Vypnout=0");

using SettingsDialogTest = SettingsDialogFixture;

// The save writes what the controls show, so the file proves the defaults shown; a new file's sections come apart
// by an empty line.
TEST_F(SettingsDialogTest, MissingKeysShowTheirDefaultsAndTheSaveWritesThemAllInOrder) {
    open();
    EXPECT_TRUE(at(d::TForm2).visible);
    EXPECT_EQ(at(d::TForm2).color, kMainColour);
    EXPECT_EQ(at(d::TimeoutField).text, "1,5");
    EXPECT_EQ(at(d::OpacitySlider).index, 25);
    EXPECT_EQ(at(d::PortEdit).text, "110");
    EXPECT_EQ(defaultAccounts, (std::vector<std::optional<std::int32_t>>{std::nullopt}));
    EXPECT_EQ(floatPosition, (settings::FloatPosition{1080, 100}));
    EXPECT_FALSE(fs.exists(kSettings)) << "showing and activating never write the file";

    click(d::SaveButton);
    std::string expected;
    for (const auto& l : kDefaultFile)
        expected += (l.starts_with('[') && !expected.empty() ? "\r\n" : "") + l + "\r\n";
    EXPECT_EQ(settingsFileText(), expected);
    EXPECT_FALSE(at(d::TForm2).visible);
    EXPECT_FALSE(form->exists());
    EXPECT_TRUE(errors().empty());
}

// A file written by the dialog loads into the same controls and is written back byte for byte, other sections and
// comments kept; a time of 7:30:00 among them.
TEST_F(SettingsDialogTest, AFileTheDialogWroteComesBackUnchanged) {
    std::vector<std::string> lines = kDefaultFile;
    const std::vector<std::pair<std::string, std::string>> changes = {
        {"Prodleva=20", "Prodleva=45"}, {"Timeout=1,5", "Timeout=3,5"},         {"Port=-1", "Port=2"},
        {"Pruhled=25", "Pruhled=7"},    {"Path=", "Path=/usr/bin/thunderbird"}, {"Barva=3368601", "Barva=-16777211"}};
    for (const auto& [from, to] : changes)
        *std::find(lines.begin(), lines.end(), from) = to;
    const auto scheduled = std::find(lines.begin(), lines.end(), "[Pripojit]");
    scheduled[1] = "Ano=1";
    scheduled[2] = "V=7:30:00";
    lines.insert(lines.begin(), "; hand-written note");
    lines.insert(lines.end(), {"[Ucet]", "Hodnota=1"});
    fs.put(kSettings, cp1250::fromUtf8(crlf(lines)));
    open();
    EXPECT_EQ(at(d::ModemPortList).index, 2);
    EXPECT_EQ(at(d::ConnectAtTime).text, "7:30:00");
    EXPECT_DOUBLE_EQ(record.scheduledConnectTime, 7.5 / 24);
    EXPECT_EQ(record.modemTimeoutSeconds, 3.5);
    EXPECT_EQ(defaultAccounts.back(), 1);
    // The dialog keeps the colour it was given; the main window takes the file's.
    EXPECT_EQ(mainColours.back(), settings::kWindowBackgroundColor);
    view.setColor(d::TForm2, settings::kWindowBackgroundColor);
    click(d::SaveButton);
    EXPECT_EQ(settingsFileText(), crlf(lines));
}

struct ShownValue {
    const char* line; ///< section and key=value in the file
    shell::WidgetName control;
    const char* text; ///< what the field shows; empty for an index
    int index;
};

class ShownValueTest : public SettingsDialogFixture, public testing::WithParamInterface<ShownValue> {};

// Values outside a control's limits are shown within them; a number text that is no number shows the key's default;
// a time shows in the long time format.
TEST_P(ShownValueTest, AStoredValueIsShownWithinTheControlsLimits) {
    const ShownValue& p = GetParam();
    std::string line = p.line;
    const auto slash = line.find('/');
    open("[" + line.substr(0, slash) + "]\r\n" + line.substr(slash + 1) + "\r\n");
    if (*p.text)
        EXPECT_EQ(at(p.control).text, p.text);
    else
        EXPECT_EQ(at(p.control).index, p.index);
}

INSTANTIATE_TEST_SUITE_P(Limits, ShownValueTest,
                         testing::Values(ShownValue{"Pripojeni/ReDataHodnota=70000", d::ReDataField, "10000", 0},
                                         ShownValue{"Pripojeni/ReDialTimeHodnota=0", d::ReDialTimeField, "1", 0},
                                         ShownValue{"Pripojeni/Prodleva=5", d::DelayField, "10", 0},
                                         ShownValue{"Download/Down=0", d::SlowSpeedField, "0", 0},
                                         ShownValue{"Okno/Time=300", d::FloatTimeField, "255", 0},
                                         ShownValue{"Ukladani/Po=19", d::PeriodicSaveField, "20", 0},
                                         ShownValue{"Odstraneni/Po=400", d::PurgeField, "365", 0},
                                         ShownValue{"Email/Interval=abc", d::MailIntervalField, "60", 0},
                                         ShownValue{"Modem/Timeout=9", d::TimeoutField, "5,0", 0},
                                         ShownValue{"Modem/Timeout=0", d::TimeoutField, "1,5", 0},
                                         ShownValue{"Modem/Timeout=2.5", d::TimeoutField, "2,5", 0},
                                         ShownValue{"Modem/Timeout=0,5", d::TimeoutField, "1,0", 0},
                                         ShownValue{"Modem/Port=15", d::ModemPortList, "", 15},
                                         ShownValue{"Modem/Port=16", d::ModemPortList, "", -1},
                                         ShownValue{"Modem/Port=-7", d::ModemPortList, "", -1},
                                         ShownValue{"Okno/Pruhled=40", d::OpacitySlider, "", 25},
                                         ShownValue{"Okno/Pruhled=0", d::OpacitySlider, "", 0},
                                         ShownValue{"Odpojit/V=07:45:10", d::DisconnectAtTime, "7:45:10", 0}));

TEST_F(SettingsDialogTest, ClampedValuesReachTheRecord) {
    open("[Pripojeni]\r\nReDataHodnota=70000\r\nProdleva=5\r\n[Okno]\r\nPruhled=40\r\n[Modem]\r\nPort=16\r\n");
    EXPECT_EQ(record.dataLimitMB, 10000);
    EXPECT_EQ(record.reconnectDelaySeconds, 10);
    EXPECT_EQ(record.floatOpacity, 25);
    EXPECT_EQ(record.modemPortIndex, -1);
}

// Typed text is kept within a field's limits and with the view's decimal mark; text that is no value is left as the
// window had it. A typed time reaches the file and the record.
TEST_F(SettingsDialogTest, TypedTextIsKeptWithinLimitsAndSaved) {
    open();
    const std::vector<std::tuple<shell::WidgetName, std::string, std::string>> typed = {
        {d::DelayField, "5000", "1000"},
        {d::TimeoutField, "2.5", "2,5"},
        {d::PurgeField, "x", "x"},
        {d::StartAtTime, "no time", "no time"},
        {d::DisconnectAtTime, "23:59:59", "23:59:59"}};
    for (const auto& [field, text, shown] : typed) {
        type(field, text);
        EXPECT_EQ(at(field).text, shown) << text;
    }
    view.setText(d::StartAtTime, "0:00:00");
    view.setText(d::PurgeField, "60");
    click(d::SaveButton);
    EXPECT_NE(settingsFileText().find("[Odpojit]\r\nAno=0\r\nV=23:59:59\r\n"), std::string::npos) << settingsFileText();
    EXPECT_DOUBLE_EQ(record.scheduledDisconnectTime, (23 * 3600 + 59 * 60 + 59) / 86400.0);
}

class AutostartAtShowTest : public SettingsDialogFixture, public testing::WithParamInterface<bool> {};

// Merely showing the dialog, and leaving it with "Storno", makes the entry match [AutoStart] Spustit.
TEST_P(AutostartAtShowTest, ShowingTheDialogMakesTheEntryMatchTheFile) {
    const bool on = GetParam();
    autostart.present = !on;
    const std::string file = std::string("[AutoStart]\r\nSpustit=") + (on ? "1" : "0") + "\r\n";
    open(file);
    click(d::CancelButton);
    EXPECT_EQ(autostart.present, on);
    EXPECT_EQ(autostart.enables, on ? 1 : 0);
    EXPECT_EQ(autostart.disables, on ? 0 : 1);
    EXPECT_EQ(settingsFileText(), file);
    EXPECT_FALSE(at(d::TForm2).visible);
}

INSTANTIATE_TEST_SUITE_P(Both, AutostartAtShowTest, testing::Bool());

TEST_F(SettingsDialogTest, AnAutostartEntryThatCannotBeWrittenAtShowSkipsBothLists) {
    autostart.writable = false;
    putRules({"/usr/bin/a"});
    putAccounts({{"pop.a.cz", "ann", "x", "110"}});
    open("[AutoStart]\r\nSpustit=1\r\n");
    EXPECT_EQ(errors(), std::vector<std::string>{t::kShow});
    EXPECT_TRUE(at(d::RuleList).items.empty());
    EXPECT_TRUE(at(d::AccountList).items.empty());
    EXPECT_TRUE(at(d::TForm2).visible) << "the dialog is still usable";
    EXPECT_TRUE(at(d::AutoStartBox).checked);
}

// Ticked, an entry that cannot be written (or no autostart service at all) makes the save write nothing; cleared,
// the save works.
TEST_F(SettingsDialogTest, ASaveThatCannotWriteTheAutostartEntryWritesNothing) {
    for (const bool service : {true, false}) {
        SCOPED_TRACE(service ? "entry not writable" : "no autostart service");
        if (!service) {
            form = std::make_unique<settingsdialog::SettingsDialogForm>(
                settingsdialog::SettingsDialogServices{loop, logs, fs, dialogs, desktop, nullptr, nullptr, settingsFile,
                                                       record, state, timers, mailLock, view, locale, kAccounts,
                                                       kRules},
                hooks());
            router = shell::IntentRouter{};
            form->wireIntents(router);
            fs.remove(kSettings);
            fs.remove("/app/Error.log");
        }
        autostart.writable = false;
        open();
        toggle(d::AutoStartBox, true);
        type(d::DelayField, "99");
        click(d::SaveButton);
        EXPECT_FALSE(fs.exists(kSettings));
        EXPECT_EQ(errors(), std::vector<std::string>{t::kSave});
        EXPECT_TRUE(form->exists());
        EXPECT_EQ(record.reconnectDelaySeconds, 20);

        toggle(d::AutoStartBox, false);
        click(d::SaveButton);
        EXPECT_NE(settingsFileText().find("Prodleva=99"), std::string::npos);
        EXPECT_EQ(record.reconnectDelaySeconds, 99);
        EXPECT_FALSE(form->exists());
        EXPECT_EQ(errors(), std::vector<std::string>{t::kSave});
    }
}

struct MeteringCase {
    const char* name;
    std::vector<shell::WidgetName> clicks; ///< options ticked before the save
    int notices;
};

class MeteringSwitchTest : public SettingsDialogFixture, public testing::WithParamInterface<MeteringCase> {};

TEST_P(MeteringSwitchTest, TheRestartNoticeComesOnlyForARealChange) {
    open();
    for (const auto& option : GetParam().clicks) {
        const auto& other = option == d::CountersOption ? d::PacketsOption : d::CountersOption;
        toggle(option, true);
        EXPECT_FALSE(at(other).checked);
    }
    click(d::SaveButton);
    const std::string notice = std::string("info/ok: ") + Form::kRestartNotice;
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>(static_cast<std::size_t>(GetParam().notices), notice));
}

INSTANTIATE_TEST_SUITE_P(Cases, MeteringSwitchTest,
                         testing::Values(MeteringCase{"Unchanged", {}, 0},
                                         MeteringCase{"ToPackets", {d::PacketsOption}, 1},
                                         MeteringCase{"ThereAndBack", {d::PacketsOption, d::CountersOption}, 0}),
                         [](const testing::TestParamInfo<MeteringCase>& i) { return i.param.name; });

struct FloatingCase {
    const char* name;
    bool shownBefore; ///< [Okno] Show when the dialog was shown
    bool connected;
    bool floatingOpen;
    bool shownAfter;
    std::vector<std::string> calls;
};

class FloatingAtSaveTest : public SettingsDialogFixture, public testing::WithParamInterface<FloatingCase> {};

// The slider sets an open floating window's opacity at once; the save opens or closes the window.
TEST_P(FloatingAtSaveTest, TheSaveOpensOrClosesTheFloatingWindow) {
    const FloatingCase& c = GetParam();
    state.isConnected = c.connected;
    floating = c.floatingOpen;
    open(std::string("[Okno]\r\nShow=") + (c.shownBefore ? "1" : "0") + "\r\n");
    choose(d::OpacitySlider, 12);
    choose(d::OpacitySlider, 30);
    toggle(d::FloatShowBox, c.shownAfter);
    click(d::SaveButton);
    std::vector<std::string> calls{"opacity:12", "opacity:25"};
    calls.insert(calls.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(floatingCalls, calls);
    EXPECT_EQ(floatWindowOn, c.shownAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatingAtSaveTest,
                         testing::Values(FloatingCase{"TurnedOffWhileShown", true, true, true, false, {"close"}},
                                         FloatingCase{"TurnedOffWhileNoneIsOpen", true, false, false, false, {}},
                                         FloatingCase{"TurnedOnOffline", false, false, false, true, {}},
                                         FloatingCase{"TurnedOnOnline", false, true, false, true, {"open"}},
                                         FloatingCase{"KeptOnOnline", true, true, false, true, {}}),
                         [](const testing::TestParamInfo<FloatingCase>& i) { return i.param.name; });

TEST_F(SettingsDialogTest, BoxesEnableTheirControlsAndADisabledBoxKeepsItsTick) {
    open("[Pripojeni]\r\nReDialTime=0\r\nReDialTimeP=1\r\n[Odpojit]\r\nAno=0\r\nVypnout=1\r\n");
    EXPECT_FALSE(at(d::ReDialTimeField).enabled);
    EXPECT_FALSE(at(d::ReDialTimeReconnect).enabled);
    EXPECT_TRUE(at(d::ReDialTimeReconnect).checked);
    EXPECT_FALSE(at(d::PowerOffBox).enabled);
    EXPECT_TRUE(at(d::PeriodicSaveField).enabled);
    EXPECT_FALSE(at(d::MailClientButton).enabled);
    EXPECT_FALSE(at(d::StartAtTime).enabled);

    toggle(d::ReDialTimeBox, true);
    EXPECT_TRUE(at(d::ReDialTimeField).enabled);
    EXPECT_TRUE(at(d::ReDialTimeUnit).enabled);
    toggle(d::PeriodicSaveBox, false);
    EXPECT_FALSE(at(d::PeriodicSaveUnit).enabled);
    toggle(d::StartAtBox, true);
    EXPECT_TRUE(at(d::StartAtTime).enabled);
    click(d::SaveButton);
    const std::string text = settingsFileText();
    EXPECT_NE(text.find("Vypnout=1"), std::string::npos) << "saved although disabled";
    EXPECT_NE(text.find("ReDialTime=1"), std::string::npos);
    EXPECT_NE(text.find("Ukladat=0"), std::string::npos);
}

TEST_F(SettingsDialogTest, ThePageListShowsOneGroup) {
    open();
    EXPECT_EQ(at(d::PageList).items.size(), 6u);
    EXPECT_EQ(at(d::PageList).items[1], "Externí aplikace");
    for (int page = 5; page >= 0; --page) {
        choose(d::PageList, page);
        for (std::size_t i = 0; i < settingsdialog::kPages.size(); ++i)
            EXPECT_EQ(at(settingsdialog::kPages[i].group).visible, static_cast<int>(i) == page) << page << " " << i;
    }
    choose(d::PageList, 9);
    EXPECT_TRUE(at(d::ConnectGroup).visible);
}

// A chosen colour goes to the dialog, the main window and the save; a chosen port to the save and the record. The
// save reprograms the main window's timers from what it wrote, without starting them.
TEST_F(SettingsDialogTest, TheSaveAppliesTheChosenColourPortAndTimers) {
    timers.timer(7).setInterval(20'000);
    open("[Modem]\r\nPort=3\r\n[Ukladani]\r\nPo=30\r\n[Email]\r\nInterval=5\r\n");
    const auto& ports = at(d::ModemPortList).items;
    ASSERT_EQ(ports.size(), 16u);
    EXPECT_EQ(ports.front() + ports.back(), "Com1Com16");
    choose(d::ModemPortList, 15);
    type(d::DelayField, "40");
    dialogs.colorAnswers = {std::nullopt, 0x000000FFu};
    click(d::ColorButton);
    EXPECT_EQ(at(d::TForm2).color, kMainColour);
    click(d::ColorButton);
    EXPECT_EQ(dialogs.colorRequests, (std::vector<std::uint32_t>{kMainColour, kMainColour}));
    EXPECT_EQ(at(d::TForm2).color, 0x000000FFu);
    EXPECT_EQ(mainColours.back(), 0x000000FFu);
    click(d::SaveButton);
    EXPECT_NE(settingsFileText().find("Barva=255\r\n"), std::string::npos);
    EXPECT_EQ(mainColours.back(), 0x000000FFu) << "the reload gives the main window the saved colour";
    EXPECT_NE(settingsFileText().find("Port=15"), std::string::npos);
    EXPECT_EQ(record.modemPortIndex, 15);
    EXPECT_EQ(timers.timer(16).interval(), 30 * 60'000);
    EXPECT_EQ(timers.timer(7).interval(), 40'000);
    EXPECT_EQ(timers.timer(20).interval(), 5 * 60'000);
    EXPECT_FALSE(timers.timer(16).enabled()) << "reprogrammed, not started";
}

TEST_F(SettingsDialogTest, InfoModemSaysSoWhenThereIsNoModemEditor) {
    open();
    click(d::ModemInfoButton);
    EXPECT_TRUE(dialogs.boxes.empty());
    desktop.installed = false;
    click(d::ModemInfoButton);
    EXPECT_EQ(desktop.opened, 2);
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{std::string("error/ok: ") + Form::kNoModemSettings});
}

TEST_F(SettingsDialogTest, TheClockSynchronisationReportsItsOutcome) {
    open();
    click(d::ClockButton);
    click(d::ClockButton); // refused while the first runs
    EXPECT_EQ(clockSync.starts, 2);
    EXPECT_TRUE(dialogs.boxes.empty()) << "the answer comes later";
    clockSync.answer(true);
    click(d::ClockButton);
    clockSync.answer(false);
    EXPECT_EQ(dialogs.boxes, (std::vector<std::string>{std::string("info/yes: ") + Form::kClockSynced,
                                                       std::string("info/yes: ") + Form::kClockNotSynced}));
    click(d::ClockButton);
    form.reset();
    clockSync.answer(true); // the dialog's logic is gone: nothing is shown
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

// Opening again only brings the open dialog to the front, edits kept; an activation reloads the controls from the
// file, so what was not saved is gone; after a close, a new dialog.
TEST_F(SettingsDialogTest, OpeningAgainRaisesAnActivationReloadsAndAfterACloseANewDialog) {
    open("[Pripojeni]\r\nProdleva=25\r\n");
    const auto raises = view.raiseCount();
    type(d::ServerEdit, "pop.x.cz");
    type(d::DelayField, "26");
    form->open(0x00FFFFFF);
    EXPECT_EQ(view.raiseCount(), raises + 1);
    EXPECT_EQ(at(d::ServerEdit).text, "pop.x.cz");
    EXPECT_EQ(at(d::DelayField).text, "26");
    EXPECT_EQ(at(d::TForm2).color, kMainColour);
    EXPECT_EQ(autostart.disables, 1) << "shown once";
    router.windowEvent(d::TForm2, shell::WindowEvent::Activated);
    EXPECT_EQ(at(d::DelayField).text, "25");
    router.windowEvent(d::TForm2, shell::WindowEvent::CloseRequested);
    EXPECT_FALSE(form->exists());
    form->open(0x00FFFFFF);
    EXPECT_EQ(at(d::TForm2).color, 0x00FFFFFFu);
    EXPECT_EQ(at(d::ServerEdit).text, "") << "a new dialog";
    EXPECT_EQ(at(d::PortEdit).text, "110");
}

} // namespace
} // namespace qv::test
