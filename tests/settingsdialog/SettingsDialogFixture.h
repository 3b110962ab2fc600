#pragma once

#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "connection/ControllerState.h"
#include "extapps/ExternalAppCodec.h"
#include "mail/MailAccountCodec.h"
#include "mail/MailCipher.h"
#include "settings/LoadSettings.h"
#include "settingsdialog/SettingsDialogForm.h"
#include "settingsdialog/SettingsDialogNames.h"
#include "shell/AppPaths.h"
#include "shell/IntentRouter.h"
#include "shell/Logs.h"
#include "shell/TimerSchedule.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv::test {

namespace d = names::TForm2;

/// The autostart entry: present or not, and whether it can be written at all.
class FakeAutostart final : public platform::Autostart {
public:
    bool present = false;
    bool writable = true;
    int enables = 0;
    int disables = 0;
    bool enable() override {
        ++enables;
        if (writable)
            present = true;
        return writable;
    }
    bool disable() override {
        ++disables;
        present = false;
        return true;
    }
};

/// A synchronisation answers when the test says so; while one is out, another start is refused.
class FakeClockSync final : public platform::ClockSync {
public:
    std::deque<std::function<void(bool)>> pending;
    int starts = 0;
    bool start(std::function<void(bool ok)> done) override {
        ++starts;
        if (!pending.empty())
            return false;
        pending.push_back(std::move(done));
        return true;
    }
    void answer(bool ok) {
        ASSERT_FALSE(pending.empty()) << "no synchronisation outstanding";
        auto done = std::move(pending.front());
        pending.pop_front();
        done(ok);
    }
};

class ModemSettingsShell final : public platform::DesktopShell {
public:
    bool installed = true;
    int opened = 0;
    bool open(const std::string&, const std::string&) override { return true; }
    bool openModemSettings() override {
        ++opened;
        return installed;
    }
};

/// The settings dialog over an in-memory application directory "/app/" (user "alice"), the virtual loop, and hooks
/// that record what the dialog does to the main window.
struct SettingsDialogFixture : testing::Test {
    static constexpr const char* kSettings = "/app/Nastaveni.ini";
    static constexpr const char* kRules = "/app/Data/alice_ExternApp.dat";
    static constexpr const char* kAccounts = "/app/Data/alice_Email.dat";
    static constexpr std::uint32_t kMainColour = 0x00336699;

    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 14, 7, 9, 0})};
    MemoryFileSystem fs;
    RecordingDialogs dialogs;
    ModemSettingsShell desktop;
    FakeAutostart autostart;
    FakeClockSync clockSync;
    LocaleFormats locale;
    shell::AppPaths paths{"/app/", "alice"};
    shell::Logs logs{fs, clock, locale, paths};
    settings::SettingsFile settingsFile{fs, "/app/", locale};
    settings::SettingsRecord record;
    connection::ControllerState state;
    shell::TimerSchedule timers{loop};
    mail::MailFileLock mailLock;
    shell::WindowView view{d::kAll};
    shell::IntentRouter router;

    // What the hooks saw.
    std::vector<std::uint32_t> mainColours;
    std::vector<std::optional<std::int32_t>> defaultAccounts;
    settings::FloatPosition floatPosition{};
    int mainRuleLoads = 0;
    std::vector<extapps::ExternalAppRule> mainRules;
    std::optional<bool> floatWindowOn;
    bool floating = false;
    std::vector<std::string> floatingCalls; ///< "close", "open", "opacity:12"

    std::unique_ptr<settingsdialog::SettingsDialogForm> form;

    SettingsDialogFixture() {
        fs.addDir("/app");
        fs.addDir("/app/Data");
        form = std::make_unique<settingsdialog::SettingsDialogForm>(
            settingsdialog::SettingsDialogServices{loop, logs, fs, dialogs, desktop, &autostart, &clockSync,
                                                   settingsFile, record, state, timers, mailLock, view, locale,
                                                   kAccounts, kRules},
            hooks());
        form->wireIntents(router);
        router.onUnhandled([](const shell::WidgetName& w, shell::IntentRouter::Kind) {
            ADD_FAILURE() << "unhandled " << w.window << "." << w.name;
        });
    }

    settingsdialog::SettingsDialogHooks hooks() {
        settingsdialog::SettingsDialogHooks h;
        h.setMainColor = [this](std::uint32_t c) { mainColours.push_back(c); };
        h.selectDefaultAccount = [this](std::optional<std::int32_t> i) { defaultAccounts.push_back(i); };
        h.floatDefault = [] { return settings::FloatPosition{1080, 100}; };
        h.floatPositionLoaded = [this](const settings::FloatPosition& at) { floatPosition = at; };
        h.reloadMainRules = [this] {
            ++mainRuleLoads;
            mainRules = extapps::decodeRules(fs.readAll(kRules).value_or(""));
            return mainRules;
        };
        h.setFloatWindowOn = [this](bool on) { floatWindowOn = on; };
        h.floatingExists = [this] { return floating; };
        h.closeFloatingWindow = [this] {
            floatingCalls.push_back("close");
            floating = false;
        };
        h.openFloatingWindow = [this] {
            floatingCalls.push_back("open");
            floating = true;
        };
        h.setFloatingOpacity = [this](int p) { floatingCalls.push_back("opacity:" + std::to_string(p)); };
        return h;
    }

    /// The main window's activation loads the record; then the menu, and the window's first activation, as the window
    /// reports its showing.
    void open(const std::string& settingsText = {}) {
        if (!settingsText.empty())
            fs.put(kSettings, cp1250::fromUtf8(settingsText));
        settings::LoadSettings(settingsFile, record, {1080, 100});
        form->open(kMainColour);
        router.windowEvent(d::TForm2, shell::WindowEvent::Activated);
    }
    void click(const shell::WidgetName& w) { router.clicked(w); }
    void toggle(const shell::WidgetName& w, bool on) {
        view.setChecked(w, on); // as the window does before it reports the click
        router.toggled(w, on);
    }
    void type(const shell::WidgetName& w, const std::string& text) {
        view.setText(w, text);
        router.textEdited(w, text);
    }
    void choose(const shell::WidgetName& w, int index) {
        view.setIndex(w, index);
        router.indexChanged(w, index);
    }
    const shell::WidgetState& at(const shell::WidgetName& w) const { return view.get(w); }
    std::string settingsFileText() const {
        auto bytes = const_cast<MemoryFileSystem&>(fs).readAll(kSettings);
        return bytes ? cp1250::toUtf8(*bytes) : std::string("<none>");
    }
    /// The tags of the error log's lines ("date time : tag"), in order.
    std::vector<std::string> errors() {
        std::vector<std::string> out;
        const std::string text = fs.readAll("/app/Error.log").value_or("");
        for (std::size_t at = 0; (at = text.find(" : ", at)) != std::string::npos; at += 3)
            out.push_back(text.substr(at + 3, text.find("\r\n", at) - at - 3));
        return out;
    }

    // The two lists' files.
    void putRules(const std::vector<std::string>& programs) {
        std::vector<extapps::ExternalAppRule> rules(programs.size());
        for (std::size_t i = 0; i < programs.size(); ++i)
            rules[i].path = programs[i];
        fs.put(kRules, extapps::encodeRules(rules));
    }
    std::vector<std::string> rulePaths() {
        std::vector<std::string> out;
        for (const auto& r : extapps::decodeRules(fs.readAll(kRules).value_or("")))
            out.push_back(r.path);
        return out;
    }
    /// Written as the dialog writes it, without the lock, which the test may hold.
    void putAccounts(const std::vector<mail::MailAccount>& list) {
        fs.put(kAccounts, mail::MailCipher().encipher(mail::encodeAccounts(list)));
    }
    std::vector<mail::MailAccount> accounts() {
        return mail::decodeAccounts(mail::MailCipher().decipher(fs.readAll(kAccounts).value_or("")));
    }
};

} // namespace qv::test
