#pragma once

#include "app/ShellHooks.h"
#include "app/Views.h"
#include "common/Clock.h"
#include "common/EventLoop.h"
#include "common/LocaleFormats.h"
#include "connection/Accounts.h"
#include "connection/ConnectionController.h"
#include "connection/ControllerState.h"
#include "connection/DisconnectRules.h"
#include "connection/EntryEditor.h"
#include "connection/ModemRestart.h"
#include "connection/ScheduledActions.h"
#include "connection/ShutdownCountdown.h"
#include "extapps/ExternalApps.h"
#include "mail/MailCheck.h"
#include "metering/FloatingForm.h"
#include "metering/PacketMeter.h"
#include "metering/TrafficMeter.h"
#include "modem/ModemInfo.h"
#include "platform/AbsentModem.h"
#include "platform/Autostart.h"
#include "platform/ClockSync.h"
#include "platform/ConnectionMonitor.h"
#include "platform/DesktopShell.h"
#include "platform/DialUpAdapter.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/IcmpEcho.h"
#include "platform/InterfaceTable.h"
#include "platform/ModemPortFinder.h"
#include "platform/PacketCapture.h"
#include "platform/Pop3Client.h"
#include "platform/ProcessRunner.h"
#include "platform/ProcessTable.h"
#include "platform/SerialPort.h"
#include "platform/Shutdown.h"
#include "platform/SoundPlayer.h"
#include "platform/UrlDownloader.h"
#include "platform/WorkerThreads.h"
#include "settings/LoadSettings.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "settingsdialog/SettingsDialogForm.h"
#include "shell/AboutForm.h"
#include "shell/AppPaths.h"
#include "shell/ConnectionLogForm.h"
#include "shell/FatalErrorForm.h"
#include "shell/IntentRouter.h"
#include "shell/Logs.h"
#include "shell/SecondaryForm.h"
#include "shell/TimerSchedule.h"
#include "statistics/RunningStatistics.h"
#include "statistics/StatisticsFile.h"
#include "statistics/StatisticsForm.h"
#include "statistics/UsageTotals.h"
#include "tools/SpeedTest.h"
#include "tools/UpdateCheck.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::app {

/// What the shell needs from outside: the loop, the clock, files, the locale, and a few facts of the screen.
/// Built with designated initializers: the services a composition leaves out are empty (no mail sound, no modem,
/// no capture, no tray), and a new service never breaks the existing compositions.
struct ShellServices {
    EventLoop& loop;
    const Clock& clock;
    platform::FileSystem& fs;
    LocaleFormats locale{};
    platform::DialUpAdapter& dialer;
    platform::ConnectionMonitor& monitor;
    platform::IcmpEcho& echo;
    platform::InterfaceTable& interfaces;
    platform::ProcessRunner& processes;
    platform::Dialogs& dialogs;
    std::string pingHost{};               ///< the ping liveness check's test host
    std::function<void()> quit{};         ///< ends the message loop
    std::function<int()> screenWidth{};   ///< for the floating window's default left edge
    std::function<int()> mainWindowTop{}; ///< for the floating window's default top edge
    /// Whether the desktop shows tray icons now; unset means it does not.
    std::function<bool()> trayAvailable{};
    // The mail check's: the check and the sound run on worker threads, which also use `fs` and `loop.post`.
    platform::WorkerThreads& workers;
    platform::Pop3Client& pop3;
    platform::SoundPlayer& sound;
    platform::DesktopShell& desktop;
    std::function<int()> screenHeight{};       ///< with screenWidth, where the new-mail notice appears
    platform::SerialPort* modemPort = nullptr; ///< the modem's AT port (none: there is no modem)
    platform::ModemPortFinder* modemPortFinder = nullptr;
    /// The packet metering's captures; null where the program cannot capture.
    platform::PacketCaptureFactory* captures = nullptr;
    /// The user's running programs, which the external application rules stop; none: nothing is ever stopped.
    platform::ProcessTable* processTable = nullptr;
    /// The update check's downloads (on `workers`); none: the server is never reached.
    platform::UrlDownloader* downloader = nullptr;
    tools::WebSite webSite{};                 ///< where the published version and the web page are
    tools::SpeedTestServer speedTestServer{}; ///< the speed test's FTP server and ping address
    /// The shutdown countdown's power-off; none (the demo line): the countdown only writes to the connection log
    /// that it would power off.
    platform::Shutdown* shutdown = nullptr;
    /// The desktop's autostart entry of the program; none: it can never be written (the settings dialog says so).
    platform::Autostart* autostart = nullptr;
    /// Sets the clock from a time server; none: every synchronisation fails.
    platform::ClockSync* clockSync = nullptr;
};

/// The main window `TForm1` and the shell around it: creation and activation steps, the timer schedule, close
/// request and exit dialog, minimise and restore, the logs and their windows, the second-start signal poll.
/// It owns the settings record and the controller state for the whole run.
class MainForm final {
public:
    MainForm(ShellServices services, const shell::AppPaths& paths, Views& views);

    /// The creation step (once, before the window is first shown).
    void create();
    /// The show/activation step.
    void activated();
    /// Close box and "Konec": opens the exit dialog instead of closing.
    void closeRequested();
    void minimize();
    void restore();
    /// End of the session or a termination signal: end as "Ukončit" does.
    void terminateRequested();

    // The exit dialog's two exit paths.
    void ExitKeepConnection();
    void ExitAfterHangUp();

    /// Where the windows send what the user does.
    shell::IntentRouter& intents() { return intents_; }

    /// The hooks and menu actions that still do nothing, each as "name (waits for: subsystem)". Shrinks to none as
    /// the remaining subsystems land.
    std::vector<std::string> unsetHooks() const;

    ShellHooks& hooks() { return hooks_; }
    connection::ConnectionHooks& connectionHooks() { return connectionHooks_; }
    connection::ConnectionController& controller() { return *controller_; }
    connection::Accounts& accounts() { return accounts_; }
    connection::DisconnectRules& rules() { return *rules_; }
    connection::RuleInputs& ruleInputs() { return ruleInputs_; }
    metering::TrafficMeter& meter() { return *meter_; }
    mail::MailCheck& mail() { return *mail_; }
    extapps::ExternalApps& externalApps() { return *externalApps_; }
    connection::ShutdownCountdown& shutdownCountdown() { return *shutdownCountdown_; }
    modem::ModemInfo& modem() { return *modem_; }
    modem::ModemHooks& modemHooks() { return modemHooks_; }
    metering::PacketMeter& packetMeter() { return *packetMeter_; }
    metering::FloatingForm& floating() { return *floating_; }
    statistics::RunningStatistics& running() { return *running_; }
    statistics::UsageWindows& usage() { return *usage_; }
    statistics::StatisticsForm& statisticsWindow() { return *statisticsWindow_; }
    shell::Logs& logs() { return logs_; }
    shell::TimerSchedule& timers() { return timers_; }
    connection::ControllerState& state() { return state_; }
    const settings::SettingsRecord& settings() const { return settings_; }
    bool counterMode() const { return counterMode_; }
    bool floatWindowOn() const { return floatWindowOn_; }
    settings::FloatPosition floatPosition() const { return floatPosition_; }
    settings::SettingsFile& settingsFile() { return settingsFile_; }
    std::optional<std::uint32_t> mainColor() const { return views_.main.window().color; }
    settingsdialog::SettingsDialogForm& settingsDialog() { return *settingsDialog_; }

private:
    void initialView();
    void wireIntents();
    void loadSettingsRecordOnly();
    void openEntryEditor(std::optional<platform::EntryDefinition> entry);
    void wireStatisticsAndMetering();
    void wireStatisticsWindow();
    void wireMail();
    void wireModem();
    void wireExternalApps();
    void wirePacketCaptureAndFloatingWindow();
    void wireSpeedTest();
    void wireSchedule();
    void wireSettingsDialog();
    void meteringTick();      // Timer4
    void signalPollTick();    // Timer22
    void labelClearingTick(); // Timer12

    ShellServices services_;
    const shell::AppPaths& paths_;
    Views& views_;
    shell::Logs logs_;
    shell::IntentRouter intents_;
    shell::TimerSchedule timers_;
    ShellHooks hooks_;
    shell::FatalErrorForm fatalError_;
    shell::ConnectionLogForm connectionLog_;
    shell::AboutForm about_;
    shell::SecondaryForm exitDialog_;

    settings::SettingsFile settingsFile_;
    settings::SettingsRecord settings_;
    connection::ControllerState state_;
    connection::Accounts accounts_;
    connection::ModemRestart modemRestart_;
    connection::EntryEditor entryEditor_;
    connection::ConnectionHooks connectionHooks_;
    std::unique_ptr<connection::ConnectionController> controller_;
    connection::RuleInputs ruleInputs_;
    std::unique_ptr<connection::DisconnectRules> rules_;
    std::unique_ptr<statistics::StatisticsFile> statsFile_;
    std::unique_ptr<statistics::UsageWindows> usage_;
    std::unique_ptr<statistics::RunningStatistics> running_;
    std::unique_ptr<statistics::StatisticsForm> statisticsWindow_;
    std::unique_ptr<metering::TrafficMeter> meter_;
    std::unique_ptr<mail::MailCheck> mail_;
    platform::NoProcessTable noProcesses_;
    std::unique_ptr<extapps::ExternalApps> externalApps_;
    platform::AbsentModem absentModem_;
    modem::ModemHooks modemHooks_;
    std::unique_ptr<modem::ModemInfo> modem_;
    std::unique_ptr<metering::PacketMeter> packetMeter_;
    std::unique_ptr<metering::FloatingForm> floating_;
    std::unique_ptr<tools::UpdateCheck> updateCheck_;
    std::unique_ptr<shell::SecondaryForm> speedTestWindow_;
    std::unique_ptr<tools::SpeedTest> speedTest_;
    std::unique_ptr<settingsdialog::SettingsDialogForm> settingsDialog_;
    bool firstActivation_ = true;
    bool counterMode_ = true;
    bool floatWindowOn_ = true;
    settings::FloatPosition floatPosition_;
    std::unique_ptr<connection::ShutdownCountdown> shutdownCountdown_;
    std::unique_ptr<connection::ScheduledActions> schedule_;
};

} // namespace qv::app
