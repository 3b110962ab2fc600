#include "app/MainForm.h"

#include "connection/ConnectionTags.h"
#include "extapps/ExternalAppTags.h"
#include "mail/MailNoticeNames.h"
#include "metering/MeteringTags.h"
#include "shell/LocationTags.h"
#include "shell/ProgramInfo.h"
#include "shell/ShellNames.h"

#include "statistics/StatisticsTags.h"
#include <tuple>

namespace qv::app {

namespace {
constexpr int kTrayDisconnected = 1;
} // namespace

MainForm::MainForm(ShellServices services, const shell::AppPaths& paths, Views& views)
    : services_(std::move(services)), paths_(paths), views_(views),
      logs_(services_.fs, services_.clock, services_.locale, paths_), timers_(services_.loop),
      fatalError_(views.fatalError, [this] { return mainColor(); }),
      connectionLog_(views.connectionLog, services_.fs, paths_), about_(views.about), exitDialog_(views.exitDialog),
      settingsFile_(services_.fs, paths_.appDir(), services_.locale),
      accounts_(services_.dialer, views.main, settingsFile_),
      modemRestart_(services_.loop, services_.processes, services_.dialogs, paths_.deviceTool()),
      entryEditor_(services_.dialer, views.entryEditor) {
    logs_.onError([this] { fatalError_.showForError(); });
    connectionHooks_.minimize = [this] { minimize(); };
    connectionHooks_.restore = [this] { restore(); };
    connectionHooks_.quit = [this] { shell::callHook(services_.quit); };
    controller_ = std::make_unique<connection::ConnectionController>(
        connection::ConnectionServices{services_.loop, logs_, timers_, views.main, services_.dialer, services_.monitor,
                                       services_.echo, modemRestart_, accounts_, settings_, state_, services_.pingHost,
                                       [this] { return floatWindowOn_; }},
        connectionHooks_);
    rules_ = std::make_unique<connection::DisconnectRules>(logs_, timers_, views.main, settings_, state_, *controller_,
                                                           services_.locale, ruleInputs_);
    accounts_.onOpenEditor([this](std::optional<platform::EntryDefinition> entry) { openEntryEditor(entry); });
    // Closing the editor brings the main window back, whose activation lists the new or changed entry.
    entryEditor_.onSaved([this] { activated(); });
    wireStatisticsAndMetering();
    wireMail();
    wireModem();
    wireExternalApps();
    wireSchedule();
    timers_.setHandler(12, [this] { labelClearingTick(); });
    timers_.setHandler(22, [this] { signalPollTick(); });
    wireIntents();
    initialView();
}

void MainForm::wireSchedule() {
    shutdownCountdown_ = std::make_unique<connection::ShutdownCountdown>(logs_, timers_, views_.main, services_.dialogs,
                                                                         services_.shutdown);
    schedule_ = std::make_unique<connection::ScheduledActions>(
        connection::ScheduleServices{services_.loop, services_.clock, services_.locale, logs_, timers_, settingsFile_,
                                     settings_, state_, *controller_, *shutdownCountdown_});
    ruleInputs_.startShutdownCountdown = [this] { shutdownCountdown_->start(); };
}

void MainForm::wireSpeedTest() {
    speedTestWindow_ = std::make_unique<shell::SecondaryForm>(views_.speedTest);
    speedTest_ = std::make_unique<tools::SpeedTest>(tools::SpeedTestServices{
        services_.loop, services_.clock, services_.fs, services_.dialogs, services_.workers, services_.downloader,
        services_.echo, state_, views_.speedTest, services_.locale, paths_.appDir(), services_.speedTestServer});
    auto& r = intents_;
    namespace t = names::TForm9;
    r.onClick(names::TForm1::Test1, [this] {
        const bool wasShown = speedTestWindow_->exists() && views_.speedTest.window().visible;
        speedTestWindow_->ensureCreated(mainColor());
        if (!wasShown)
            speedTest_->Shown();
        speedTestWindow_->show();
    });
    r.onClick(t::Button1, [this] { speedTest_->RunSpeedTest(); });
    r.onClick(t::Button2, [this] { speedTest_->CancelSpeedTest(); });
    for (auto ev : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested})
        r.onWindow(t::TForm9, ev, [this] {
            speedTest_->CloseRequested();
            speedTestWindow_->free();
        });
}

void MainForm::wireSettingsDialog() {
    settingsdialog::SettingsDialogHooks h;
    h.setMainColor = [this](std::uint32_t colour) { views_.main.setColor(names::TForm1::TForm1, colour); };
    h.selectDefaultAccount = [this](std::optional<std::int32_t> index) {
        const auto count = views_.main.get(names::TForm1::ComboBox1).items.size();
        if (index && *index >= 0 && static_cast<std::size_t>(*index) < count)
            accounts_.SelectionChanged(*index);
        else
            views_.main.setIndex(names::TForm1::ComboBox1, -1);
    };
    h.floatDefault = [this] {
        return settings::FloatPosition{services_.screenWidth ? services_.screenWidth() - 200 : 0,
                                       services_.mainWindowTop ? services_.mainWindowTop() : 0};
    };
    h.floatPositionLoaded = [this](const settings::FloatPosition& at) { floatPosition_ = at; };
    h.reloadMainRules = [this] {
        externalApps_->LoadExternalApps();
        return externalApps_->rules();
    };
    h.setFloatWindowOn = [this](bool on) { floatWindowOn_ = on; };
    h.floatingExists = [this] { return floating_->exists(); };
    h.closeFloatingWindow = [this] {
        timers_.timer(11).stop();
        while (floating_->timer11Busy())
            services_.loop.pumpWait(100);
        floating_->CloseFloatingWindow();
    };
    h.openFloatingWindow = [this] {
        floating_->OpenFloatingWindow();
        timers_.timer(11).start();
    };
    h.setFloatingOpacity = [this](int position) { floating_->SetFloatingOpacity(position); };
    settingsDialog_ = std::make_unique<settingsdialog::SettingsDialogForm>(
        settingsdialog::SettingsDialogServices{
            services_.loop, logs_, services_.fs, services_.dialogs, services_.desktop, services_.autostart,
            services_.clockSync, settingsFile_, settings_, state_, timers_, mail_->fileLock(), views_.settings,
            services_.locale, paths_.mailAccountsFile(), paths_.externalAppsFile()},
        std::move(h));
    settingsDialog_->wireIntents(intents_);
    for (const auto& w : {names::TForm1::Nastaveni1, names::TForm1::Nastaven1})
        intents_.onClick(w, [this] { settingsDialog_->open(mainColor()); });
}

void MainForm::wireStatisticsAndMetering() {
    views_.floating.hideWindow();
    statsFile_ = std::make_unique<statistics::StatisticsFile>(services_.fs, services_.clock, logs_, settings_,
                                                              paths_.statisticsFile());
    usage_ = std::make_unique<statistics::UsageWindows>(*statsFile_, services_.clock, logs_);
    running_ = std::make_unique<statistics::RunningStatistics>(
        statistics::RunningServices{*statsFile_, *usage_, services_.clock, logs_, settings_, state_, timers_.timer(15),
                                    timers_.timer(16), paths_.userName()});
    statisticsWindow_ = std::make_unique<statistics::StatisticsForm>(statistics::StatisticsWindowServices{
        views_.statistics, views_.usageChart, *statsFile_, *usage_, services_.clock, services_.locale, logs_,
        services_.dialogs, services_.fs, paths_.appDir()});
    meter_ = std::make_unique<metering::TrafficMeter>(metering::MeteringServices{
        logs_, services_.clock, services_.locale, views_.main, views_.floating, services_.interfaces,
        [this] { return running_->currentConnRecord(); }, settings_, state_, [this] { return counterMode_; },
        [this] { return floatWindowOn_ && views_.floating.window().visible; },
        [this] { return usage_->weekTotals(); }});

    timers_.setHandler(4, [this] { meteringTick(); });
    timers_.setHandler(15, [this] { running_->MidnightTick(); });
    timers_.setHandler(16, [this] { running_->PeriodicSaveTick(); });

    hooks_.checkStatisticsFormat = [this] { statsFile_->CheckStatisticsFormat(); };
    hooks_.purgeStatistics = [this] { statsFile_->PurgeStatistics(); };
    hooks_.saveRunningRecord = [this] { running_->CloseAndAppend(); };

    auto& c = connectionHooks_;
    c.OpenRunningRecord = [this] { running_->OpenRunningRecord(); };
    c.fillRunningRecordStart = [this] { running_->FillRunningRecordStart(); };
    c.CloseAndAppend = [this] {
        // A write that fails keeps the file whole and the piece in memory; it is reported, and the rest of the
        // disconnected handling still runs so the next connection starts clean.
        try {
            running_->CloseAndRelease();
        } catch (const statistics::StatisticsFileError&) {
            logs_.ReportError(connection::tags::kDisconnected);
        }
    };
    c.meteringBusy = [this] { return meter_->timer4Busy() || floating_->timer11Busy(); };
    c.resetCounterBaselines = [this] { meter_->resetCounterBaselines(); };
    c.clearConnectionCounters = [this] { meter_->clearConnectionCounters(); };

    ruleInputs_.connMB = [this] { return meter_->counters().connMB; };
    ruleInputs_.downBytesLastTick = [this] { return meter_->counters().downBytesPerSec; };

    wirePacketCaptureAndFloatingWindow();
}

void MainForm::wirePacketCaptureAndFloatingWindow() {
    packetMeter_ = std::make_unique<metering::PacketMeter>(metering::PacketMeterServices{
        services_.loop, logs_, services_.clock, timers_, views_.main, services_.dialogs, services_.captures,
        services_.interfaces, [this] { return running_->currentConnRecord(); }, meter_->counters(),
        [this] {
            platform::ConnectionDetails details;
            services_.monitor.GetConnectionInfo(details);
            return details.deviceName; // the interface's name on Linux
        }});
    floating_ = std::make_unique<metering::FloatingForm>(
        metering::FloatingServices{logs_, timers_, views_.floating, settingsFile_, settings_, state_,
                                   [this] { return floatWindowOn_; }, [this] { return floatPosition_; },
                                   [this] { return mainColor(); }, [this] { return meter_->counters().connMB; }});

    hooks_.discardPacketCapture = [this] { packetMeter_->discardCapture(); };
    hooks_.showFloatingWindowOnTop = [this] { floating_->ShowOnTop(); };
    auto& c = connectionHooks_;
    c.packetCaptureMode = [this] { return !counterMode_; };
    c.captureStartBusy = [this] { return packetMeter_->timer13Busy(); };
    c.setCaptureClient = [this](const std::string& ip) { packetMeter_->setClientIp(ip); };
    c.discardPacketCapture = [this] { packetMeter_->discardCapture(); };
    c.openFloatingWindow = [this] { floating_->OpenFloatingWindow(); };
    c.closeFloatingWindow = [this] { floating_->CloseFloatingWindow(); };
    ruleInputs_.showFloatingClock = [this](const std::string& text) { floating_->showClock(text); };
}

void MainForm::wireMail() {
    mail_ = std::make_unique<mail::MailCheck>(mail::MailServices{
        services_.loop, logs_, services_.fs, services_.workers, services_.pop3, services_.sound, services_.desktop,
        settings_, state_, timers_.timer(20), views_.mailNotice, paths_.mailAccountsFile(), paths_.mailSound(), [this] {
            return shell::ScreenPoint{shell::callHook(services_.screenWidth), shell::callHook(services_.screenHeight)};
        }});
    timers_.setHandler(20, [this] { mail_->Timer20Tick(); });
    // A check thread asks each mailbox only while the line is up; it learns that from the mail check's own flag,
    // kept here from the monitor's reports around the controller's handling of them.
    auto& events = services_.monitor.events;
    events.OnRasConnected = [this, handle = events.OnRasConnected](const platform::ConnectionDetails& d) {
        shell::callHook(handle, d);
        mail_->lineChanged(state_.isConnected);
    };
    events.OnRasDisconnected = [this, handle = events.OnRasDisconnected](const platform::ConnectionDetails& d) {
        mail_->lineChanged(false);
        shell::callHook(handle, d);
    };
}

void MainForm::wireModem() {
    platform::SerialPort& port = services_.modemPort ? *services_.modemPort : absentModem_;
    platform::ModemPortFinder& finder = services_.modemPortFinder ? *services_.modemPortFinder : absentModem_;
    modem_ = std::make_unique<modem::ModemInfo>(
        modem::ModemServices{services_.loop, timers_, views_.main, port, finder, settings_, state_}, modemHooks_);
    modemHooks_.setConnectControls = [this](bool enabled) { controller_->setConnectControls(enabled, false); };
    hooks_.findModemPort = [this] { modem_->FindModemPort(); };
    connectionHooks_.modemPortKnown = [this] { return modem_->portKnown(); };
    connectionHooks_.startModemPoll = [this](bool controlsHeld) { modem_->startPoll(controlsHeld); };
}

void MainForm::wireExternalApps() {
    externalApps_ = std::make_unique<extapps::ExternalApps>(extapps::ExternalAppServices{
        services_.fs, services_.desktop, services_.processTable ? *services_.processTable : noProcesses_,
        services_.clock, services_.locale, settings_, state_, [this] { return meter_->counters().connMB; },
        paths_.externalAppsFile()});
    hooks_.loadExternalApps = [this] { externalApps_->LoadExternalApps(); };
    connectionHooks_.ResetExternalAppFlags = [this] { externalApps_->ResetExternalAppFlags(); };
    timers_.setHandler(
        19, [this] { logs_.guarded(extapps::tags::kCheckTick, [&] { externalApps_->CheckExternalApps(); }); });
}

std::vector<std::string> MainForm::unsetHooks() const {
    const auto& h = hooks_;
    const auto& c = connectionHooks_;
    const auto& r = ruleInputs_;
    const auto& m = modemHooks_;
    // Every hook, with the subsystem that is to fill it.
    const std::vector<std::tuple<const char*, bool, const char*>> all = {
        {"ShellHooks.checkStatisticsFormat", bool(h.checkStatisticsFormat), "statistics"},
        {"ShellHooks.findModemPort", bool(h.findModemPort), "modem information"},
        {"ShellHooks.loadExternalApps", bool(h.loadExternalApps), "external applications"},
        {"ShellHooks.purgeStatistics", bool(h.purgeStatistics), "statistics"},
        {"ShellHooks.discardPacketCapture", bool(h.discardPacketCapture), "packet capture"},
        {"ShellHooks.showFloatingWindowOnTop", bool(h.showFloatingWindowOnTop), "floating window"},
        {"ShellHooks.saveRunningRecord", bool(h.saveRunningRecord), "statistics"},
        {"ConnectionHooks.OpenRunningRecord", bool(c.OpenRunningRecord), "statistics"},
        {"ConnectionHooks.packetCaptureMode", bool(c.packetCaptureMode), "packet capture"},
        {"ConnectionHooks.captureStartBusy", bool(c.captureStartBusy), "packet capture"},
        {"ConnectionHooks.setCaptureClient", bool(c.setCaptureClient), "packet capture"},
        {"ConnectionHooks.openFloatingWindow", bool(c.openFloatingWindow), "floating window"},
        {"ConnectionHooks.closeFloatingWindow", bool(c.closeFloatingWindow), "floating window"},
        {"ConnectionHooks.fillRunningRecordStart", bool(c.fillRunningRecordStart), "statistics"},
        {"ConnectionHooks.ResetExternalAppFlags", bool(c.ResetExternalAppFlags), "external applications"},
        {"ConnectionHooks.resetCounterBaselines", bool(c.resetCounterBaselines), "metering"},
        {"ConnectionHooks.meteringBusy", bool(c.meteringBusy), "metering"},
        {"ConnectionHooks.discardPacketCapture", bool(c.discardPacketCapture), "packet capture"},
        {"ConnectionHooks.CloseAndAppend", bool(c.CloseAndAppend), "statistics"},
        {"ConnectionHooks.clearConnectionCounters", bool(c.clearConnectionCounters), "metering"},
        {"ConnectionHooks.modemPortKnown", bool(c.modemPortKnown), "modem information"},
        {"ConnectionHooks.startModemPoll", bool(c.startModemPoll), "modem information"},
        {"ConnectionHooks.minimize", bool(c.minimize), "shell"},
        {"ConnectionHooks.restore", bool(c.restore), "shell"},
        {"ConnectionHooks.quit", bool(c.quit), "shell"},
        {"RuleInputs.connMB", bool(r.connMB), "metering"},
        {"RuleInputs.downBytesLastTick", bool(r.downBytesLastTick), "metering"},
        {"RuleInputs.showFloatingClock", bool(r.showFloatingClock), "floating window"},
        {"RuleInputs.startShutdownCountdown", bool(r.startShutdownCountdown), "scheduled shutdown"},
        {"ModemHooks.setConnectControls", bool(m.setConnectControls), "connection"},
    };
    std::vector<std::string> unset;
    for (const auto& [name, set, subsystem] : all)
        if (!set)
            unset.push_back(std::string(name) + " (waits for: " + subsystem + ")");
    for (const auto& [widget, subsystem] : intents_.pendingClicks())
        unset.push_back("click " + std::string(widget.window) + "." + std::string(widget.name) +
                        " (waits for: " + subsystem + ")");
    return unset;
}

void MainForm::meteringTick() {
    meter_->DisplayTick();
    // The data rule runs once the tick is over: its hang-up may let the disconnected handling run, which waits
    // for the tick to finish.
    if (state_.isConnected)
        logs_.guarded(metering::tags::kDisplayTick, [&] { rules_->DataRuleStep(); });
}

void MainForm::initialView() {
    shell::WindowView& v = views_.main;
    v.setText(names::TForm1::TForm1, shell::kProgramTitle);
    v.setText(names::TForm1::Label9, "Odpojeno");
    v.setText(names::TForm1::Label8, "Download");
    v.setText(names::TForm1::LabelSignal, "?");
    v.setText(names::TForm1::LabelBattery, "?");
    v.setEnabled(names::TForm1::SpeedButton2, false);
    v.setEnabled(names::TForm1::Odpojit1, false);
    v.setVisible(names::TForm1::TrayIcon1, true);
    views_.exitDialog.setText(names::TForm6::TForm6, "Ukončení aplikace");
    views_.connectionLog.setText(names::TForm10::TForm10, "Log připojení a odpojení");
}

void MainForm::create() {
    logs_.guarded(shell::tags::kMainCreate, [&] {
        services_.monitor.setPollInterval(1000);
        services_.monitor.setEnabled(true);
        shell::callHook(hooks_.checkStatisticsFormat);
        shell::callHook(hooks_.findModemPort);
        views_.main.setIndex(names::TForm1::TrayIcon1, kTrayDisconnected);
        shell::callHook(hooks_.loadExternalApps);
    });
}

void MainForm::activated() {
    logs_.guarded(shell::tags::kMainActivate, [&] {
        views_.main.setItems(names::TForm1::ComboBox1, {});
        loadSettingsRecordOnly();
        if (firstActivation_) {
            firstActivation_ = false;
            if (settings_.purgeOldOn)
                shell::callHook(hooks_.purgeStatistics);
            // The metering mode holds for the whole run.
            counterMode_ = settings_.meterByCounters;
            shell::callHook(hooks_.discardPacketCapture);
            timers_.timer(10).start();
        }
        floatWindowOn_ = settings_.floatWindowOnConnect;
        accounts_.FillAndSelect();
    });
}

void MainForm::loadSettingsRecordOnly() {
    const settings::FloatPosition floatDefault{
        services_.screenWidth ? services_.screenWidth() - 200 : 0,
        services_.mainWindowTop ? services_.mainWindowTop() : 0,
    };
    const auto loaded = settings::LoadSettings(settingsFile_, settings_, floatDefault);
    views_.main.setColor(names::TForm1::TForm1, loaded.color);
    floatPosition_ = loaded.floatPosition;
}

void MainForm::openEntryEditor(std::optional<platform::EntryDefinition> entry) {
    entryEditor_.open(std::move(entry), mainColor());
}

void MainForm::closeRequested() {
    logs_.guarded(shell::tags::kMainCloseRequest, [&] {
        exitDialog_.ensureCreated(mainColor());
        exitDialog_.show();
    });
}

void MainForm::minimize() {
    logs_.guarded(shell::tags::kMainMinimize, [&] {
        // Hidden, the window comes back only through the tray icon; without a tray it goes to the task bar instead,
        // where the user still finds it.
        if (services_.trayAvailable && services_.trayAvailable())
            views_.main.hideWindow();
        else
            views_.main.iconify();
        if (floatWindowOn_ && state_.isConnected)
            shell::callHook(hooks_.showFloatingWindowOnTop);
    });
}

void MainForm::restore() {
    logs_.guarded(shell::tags::kMainRestore, [&] {
        views_.main.showWindow();
        views_.main.raise();
    });
}

void MainForm::ExitKeepConnection() {
    logs_.guarded(shell::tags::kExitKeepConnection, [&] {
        if (state_.disconnectBusy) {
            // The disconnected handling has not yet written the last piece of the running record; it ends the
            // program once it has, so whatever was metered is stored exactly once.
            state_.exitAfterDisconnect = true;
            return;
        }
        // A failure while saving skips the rest: the program keeps running and nothing is lost.
        if (state_.isConnected)
            shell::callHook(hooks_.saveRunningRecord);
        views_.main.setVisible(names::TForm1::TrayIcon1, false);
        shell::callHook(services_.quit);
    });
}

void MainForm::ExitAfterHangUp() {
    logs_.guarded(shell::tags::kExitAfterHangUp, [&] {
        while (state_.disconnectBusy)
            services_.loop.pumpWait(500);
        state_.exitAfterDisconnect = true;
        state_.modemPollAllowed = false;
        state_.suppressAutoRedial = true;
        services_.dialer.HangUp(state_.rasConnHandle);
        logs_.WriteConnectionLog("Odpojení+Ukončení");
    });
}

void MainForm::terminateRequested() {
    // A termination signal or the end of the session always ends the program: the save is tried once, and a failed
    // one is logged under a tag of its own (there is no one left to read the error window).
    if (state_.disconnectBusy) {
        state_.exitAfterDisconnect = true;
        return;
    }
    try {
        if (state_.isConnected)
            shell::callHook(hooks_.saveRunningRecord);
    } catch (...) {
        logs_.logError(shell::tags::kTerminateSave);
    }
    views_.main.setVisible(names::TForm1::TrayIcon1, false);
    shell::callHook(services_.quit);
}

void MainForm::signalPollTick() {
    logs_.guarded(shell::tags::kSignalPoll, [&] {
        const std::string signal = paths_.signalFile();
        if (state_.isConnected) {
            // A connected program ignores a second start.
            if (services_.fs.exists(signal))
                services_.fs.remove(signal);
            return;
        }
        Timer& self = timers_.timer(22);
        self.stop();
        // The poll keeps running whatever happens inside it.
        struct Restart {
            Timer& t;
            ~Restart() { t.start(); }
        } restart{self};
        if (!services_.fs.exists(signal))
            return;
        // A disconnected handling or modem poll in progress may be further down this very stack, pumping: a wait
        // here would never let it end. The signal stays for the next poll instead.
        if (state_.disconnectBusy || state_.modemPollBusy)
            return;
        services_.fs.remove(signal);
        if (!state_.isDialing)
            controller_->Dial("Připojení po odpojení");
    });
}

void MainForm::labelClearingTick() {
    logs_.guarded(shell::tags::kLabelClearing, [&] {
        namespace m = names::TForm1;
        for (const auto& name : {m::Label11, m::Label13, m::Label17, m::Label15, m::Label20, m::Label21, m::Label7})
            views_.main.setText(name, "");
        timers_.timer(12).stop();
    });
}

void MainForm::wireStatisticsWindow() {
    auto& r = intents_;
    auto& form = *statisticsWindow_;
    namespace s = names::TForm4;
    r.onClick(names::TForm1::Statistika1, [this] {
        logs_.guarded(statistics::tags::kShowStatistics, [&] { statisticsWindow_->open(mainColor()); });
    });
    r.onWindow(s::TForm4, shell::WindowEvent::Activated, [&form] { form.ShowStatistics(); });
    r.onIndex(s::ComboBox3, [&form](int index) { form.SelectUser(index); });
    r.onIndex(s::StringGrid1, [&form](int column) { form.SortByColumn(column); }); // a header click
    r.onClick(s::cls1, [&form] { form.ExportSpreadsheet(); });
    r.onClick(s::Graf1, [&form] { form.OpenChart(); });
    for (auto e : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested}) {
        r.onWindow(s::TForm4, e, [&form] { form.close(); });
        r.onWindow(names::TFormChart::TFormChart, e, [&form] { form.chart().free(); });
    }
}

void MainForm::wireIntents() {
    auto& r = intents_;
    auto& c = *controller_;
    namespace m = names::TForm1;
    const auto accountsGuarded = [this](std::function<void()> body) {
        return [this, body = std::move(body)] { logs_.guarded(connection::tags::kAccounts, body); };
    };
    for (const auto& w : {m::SpeedButton1, m::Pipojit1})
        r.onClick(w, [&c] { c.ConnectClicked(); });
    for (const auto& w : {m::SpeedButton2, m::Odpojit1})
        r.onClick(w, [&c] { c.DisconnectClicked(); });
    for (const auto& w : {m::Restartovatpipojen1, m::Restartpipojen1})
        r.onClick(w, [&c] { c.Restart(); });
    r.onClick(m::Nerestartovatpipojen1, [this] { rules_->toggleRulesBlocked(); });
    r.onClick(m::VypnoutPcpoodpojen1, [this] { rules_->toggleShutdownAfterRule(); });
    r.onClick(m::SpeedButton3, accountsGuarded([this] { accounts_.DetectAccount(); }));
    r.onClick(m::Vytvoitnovet1, accountsGuarded([this] { accounts_.NewAccount(); }));
    r.onClick(m::Editovat1, accountsGuarded([this] { accounts_.EditAccount(); }));
    r.onClick(m::Smazat1, accountsGuarded([this] { accounts_.DeleteAccount(); }));
    for (const auto& w : {m::Konec1, m::Konec2})
        r.onClick(w, [this] { closeRequested(); });
    for (const auto& w : {m::TrayIcon1, m::Obnovitaplikaci1})
        r.onClick(w, [this] { restore(); });
    r.onDoubleClick(m::TrayIcon1, [this] { restore(); });
    r.onDoubleClick(m::Label8, [this] { meter_->ToggleSpeedDirection(); });
    r.onClick(m::Zobrazitlog1, [this] {
        logs_.guarded(shell::tags::kShowConnectionLog, [&] { connectionLog_.ShowConnectionLog(mainColor()); });
    });
    for (const auto& w : {m::Edit1, m::Edit2})
        r.onText(w, [this, w](const std::string& text) { accounts_.fieldEdited(w, text); });
    r.onIndex(m::ComboBox1, [this](int index) {
        logs_.guarded(connection::tags::kAccounts, [&] { accounts_.SelectionChanged(index); });
    });
    r.onToggle(m::CheckBox2, [this](bool checked) {
        logs_.guarded(connection::tags::kAccounts, [&] { accounts_.DefaultAccountClicked(checked); });
    });
    r.onToggle(m::CheckBox1, [this](bool checked) { accounts_.storeCredentialsToggled(checked); });
    r.onWindow(m::TForm1, shell::WindowEvent::Activated, [this] { activated(); });
    r.onWindow(m::TForm1, shell::WindowEvent::CloseRequested, [this] { closeRequested(); });
    r.onWindow(m::TForm1, shell::WindowEvent::Minimized, [this] { minimize(); });
    wireStatisticsWindow();
    wireSettingsDialog();
    wireSpeedTest();
    updateCheck_ = std::make_unique<tools::UpdateCheck>(tools::UpdateCheckServices{
        services_.loop, services_.fs, services_.dialogs, services_.workers, services_.downloader, services_.desktop,
        state_, services_.locale, paths_.appDir(), services_.webSite});
    r.onClick(m::Aktualizace1, [this] { updateCheck_->CheckForUpdate(); });
    r.onClick(m::Jtnaweb1, [this] { updateCheck_->OpenWebSite(); });

    namespace x = names::TForm6;
    r.onClick(x::SpeedButton1, [this] { ExitKeepConnection(); });
    r.onClick(x::SpeedButton2, [this] { ExitAfterHangUp(); });
    r.onClick(x::SpeedButton3, [this] { logs_.guarded(shell::tags::kExitCancel, [&] { exitDialog_.free(); }); });
    r.onWindow(x::TForm6, shell::WindowEvent::Activated, [this] {
        logs_.guarded(shell::tags::kExitActivate,
                      [&] { views_.exitDialog.setVisible(x::SpeedButton2, state_.isConnected); });
    });
    for (auto e : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested})
        r.onWindow(x::TForm6, e, [this] { exitDialog_.free(); });

    r.onClick(names::TForm7::Button1, [this] { floating_->ToggleFloatingWindow(); });

    namespace e = names::TFormEntry;
    r.onClick(e::ButtonSave, [this] { logs_.guarded(connection::tags::kAccounts, [&] { entryEditor_.save(); }); });
    r.onClick(e::ButtonCancel, [this] { entryEditor_.cancel(); });
    for (const auto& w : {e::EditName, e::EditNumber, e::EditDevice, e::EditUser, e::EditPassword})
        r.onText(w, [this, w](const std::string& text) { entryEditor_.fieldEdited(w, text); });
    for (auto ev : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested})
        r.onWindow(e::TFormEntry, ev, [this] { entryEditor_.cancel(); });

    namespace a = names::TForm3;
    r.onClick(m::Licence1, [this] { logs_.guarded(shell::tags::kAboutShow, [&] { about_.Show(mainColor()); }); });
    r.onClick(a::Button1, [this] { logs_.guarded(shell::tags::kAboutClose, [&] { about_.window().free(); }); });
    for (auto ev : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested})
        r.onWindow(a::TForm3, ev, [this] { about_.window().free(); });

    namespace l = names::TForm10;
    for (auto ev : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested})
        r.onWindow(l::TForm10, ev, [this] { connectionLog_.window().free(); });

    namespace n = names::TForm11;
    for (const auto& w : {n::TForm11, n::Label1, n::Label2})
        r.onClick(w, [this] { mail_->NoticeClicked(); });
    for (auto ev : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested})
        r.onWindow(n::TForm11, ev, [this] { mail_->NoticeClosed(); });

    namespace f = names::TForm8;
    r.onClick(f::Button1, [this] {
        logs_.guarded(shell::tags::kFatalErrorButton, [&] {
            state_.pingFailures = connection::ControllerState::kPingCheckOff;
            views_.main.setVisible(m::TrayIcon1, false);
            shell::callHook(services_.quit);
        });
    });
    r.onWindow(f::TForm8, shell::WindowEvent::Closed, [this] { fatalError_.window().free(); });
}

} // namespace qv::app
