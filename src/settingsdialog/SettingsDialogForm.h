#pragma once

#include "common/EventLoop.h"
#include "common/LocaleFormats.h"
#include "connection/ControllerState.h"
#include "extapps/ExternalAppRule.h"
#include "mail/MailFileLock.h"
#include "platform/Autostart.h"
#include "platform/ClockSync.h"
#include "platform/DesktopShell.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "settings/LoadSettings.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "settingsdialog/MailAccountEditor.h"
#include "settingsdialog/RuleEditor.h"
#include "shell/IntentRouter.h"
#include "shell/Logs.h"
#include "shell/SecondaryForm.h"
#include "shell/TimerSchedule.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::settingsdialog {

struct SettingsDialogServices {
    EventLoop& loop;
    shell::Logs& logs;
    platform::FileSystem& fs;
    platform::Dialogs& dialogs;
    platform::DesktopShell& desktop; ///< opens the system's modem settings
    platform::Autostart* autostart;  ///< none: the entry can never be written
    platform::ClockSync* clockSync;  ///< none: every synchronisation fails
    settings::SettingsFile& settingsFile;
    settings::SettingsRecord& settings; ///< the main window's record, which the dialog's loads fill
    const connection::ControllerState& state;
    shell::TimerSchedule& timers; ///< Timer7, Timer16 and Timer20, reprogrammed by the save
    mail::MailFileLock& mailLock; ///< `mailFileBusy`
    shell::WindowView& view;      ///< TForm2
    LocaleFormats locale;
    std::string accountsFile; ///< the user's "Data/<user>_Email.dat"
    std::string rulesFile;    ///< the user's "Data/<user>_ExternApp.dat"
};

/// What the dialog changes in the main window and its floating window.
struct SettingsDialogHooks {
    std::function<void(std::uint32_t)> setMainColor;
    /// [Ucet] Hodnota as a load through the dialog finds it: the main window's account list selects that entry;
    /// nothing (or an index past the list) selects none.
    std::function<void(std::optional<std::int32_t>)> selectDefaultAccount;
    /// The floating window's position when the file has none (screen width − 200, the main window's top).
    std::function<settings::FloatPosition()> floatDefault;
    /// [Okno] Left and Top as a load through the dialog found them.
    std::function<void(const settings::FloatPosition&)> floatPositionLoaded;
    /// Reads the rules file into the main window's rule list; returns that list.
    std::function<std::vector<extapps::ExternalAppRule>()> reloadMainRules;
    /// `floatWindowOn`, which the save sets from [Okno] Show.
    std::function<void(bool)> setFloatWindowOn;
    std::function<bool()> floatingExists;
    /// Stops the floating window's warning tick, waits for a running one and closes the window.
    std::function<void()> closeFloatingWindow;
    /// Opens the floating window (position, colour and opacity as just loaded) and starts its warning tick.
    std::function<void()> openFloatingWindow;
    /// The transparency slider moved (0 … 25): an open floating window takes it at once.
    std::function<void(int)> setFloatingOpacity;
};

/// The settings dialog `TForm2` "Nastavení": at most one, non-modal, in the main window's colour. Showing it writes or
/// removes the autostart entry as [AutoStart] Spustit says and reads the account and rule lists; each activation
/// loads every key of the settings file into its control (and the record from the controls); the save writes every
/// key in one rewrite of the file, loads them again and reprograms the main window's timers and floating window.
/// The account and rule lists are written at once on each change, independently of the save. UI thread only.
class SettingsDialogForm final {
public:
    static constexpr const char* kRestartNotice = "Nastavení monitorování přenosu dat se projeví\n"
                                                  "až po restartu Aplikace.";
    static constexpr const char* kClockSynced = "Synchronizace úspěšná.";
    static constexpr const char* kClockNotSynced = "Synchronizace neúspěšná!";
    static constexpr const char* kNoModemSettings =
        "Nastavení modemu nelze otevřít: v systému není nainstalován editor modemů a vytáčených připojení.";

    SettingsDialogForm(SettingsDialogServices services, SettingsDialogHooks hooks);
    ~SettingsDialogForm();
    SettingsDialogForm(const SettingsDialogForm&) = delete;
    SettingsDialogForm& operator=(const SettingsDialogForm&) = delete;

    /// Every intent of the dialog's widgets.
    void wireIntents(shell::IntentRouter& router);

    /// The menu: creates and shows the dialog in `mainColor`, or brings the open one to the front.
    void open(std::optional<std::uint32_t> mainColor);
    /// The window became the program's active window (its showing too).
    void Activated();
    /// "Uložit nastavení".
    void Save();
    /// "Storno" and the window frame: closes without writing the settings file.
    void Close();

    void PageChosen(int index);
    void PageClicked();
    void BoxToggled(const shell::WidgetName& box, bool checked);
    void OptionToggled(const shell::WidgetName& option, bool checked);
    /// A number field stepped: its text is kept within its limits.
    void NumberEdited(const shell::WidgetName& field, const std::string& text);
    /// A time field changed; text that is no time of day is ignored.
    void TimeEdited(const shell::WidgetName& field, const std::string& text);
    void TextEdited(const shell::WidgetName& edit, const std::string& text);
    void OpacityMoved(int position);
    void PortChosen(int index);
    /// "Vybrat barvu".
    void ChooseColor();
    /// "Info modem".
    void ModemInfo();
    /// "Synchronizovat".
    void SynchronizeClock();
    /// "Cesta" of the mail program.
    void BrowseMailClient();

    bool exists() const { return window_.exists(); }
    RuleEditor& rules() { return rules_; }
    MailAccountEditor& accounts() { return accounts_; }

private:
    void show();
    /// LoadSettings through the dialog; the floating window's position defaults to `floatDefault` when given,
    /// else to the main window's default.
    void loadThroughDialog(std::optional<settings::FloatPosition> floatDefault = std::nullopt);
    void applyDependencies();
    void setDependents(const shell::WidgetName& box, bool on);
    void writeSettingsFile();
    void applySaved();
    void resetView();

    SettingsDialogServices s_;
    SettingsDialogHooks hooks_;
    shell::SecondaryForm window_;
    RuleEditor rules_;
    MailAccountEditor accounts_;
    bool meteringAtShow_ = true;                ///< meterByCounters when the dialog was shown
    bool floatingAtShow_ = true;                ///< floatWindowOnConnect when the dialog was shown
    std::shared_ptr<SettingsDialogForm*> self_; ///< lets a clock synchronisation's answer find this object, or not
};

} // namespace qv::settingsdialog
