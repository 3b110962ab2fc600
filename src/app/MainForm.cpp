#include "app/MainForm.h"

#include "connection/ConnectionTags.h"
#include "metering/MeteringTags.h"
#include "shell/LocationTags.h"

namespace qv::app {

namespace {
constexpr int kTrayDisconnected = 1;
} // namespace

MainForm::MainForm(ShellServices services, const shell::AppPaths& paths, Views& views)
    : services_(std::move(services)), paths_(paths), views_(views),
      logs_(services_.fs, services_.clock, services_.locale, paths_), timers_(services_.loop),
      fatalError_(views.fatalError, [this] { return mainColor(); }),
      connectionLog_(views.connectionLog, services_.fs, paths_), exitDialog_(views.exitDialog),
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
                                       services_.echo, modemRestart_, accounts_, settings_, state_, modemPoll_,
                                       services_.pingHost, [this] { return floatWindowOn_; }},
        connectionHooks_);
    rules_ = std::make_unique<connection::DisconnectRules>(logs_, timers_, views.main, settings_, state_, *controller_,
                                                           services_.locale, ruleInputs_);
    accounts_.onOpenEditor([this](std::optional<platform::EntryDefinition> entry) { openEntryEditor(entry); });
    // Closing the editor brings the main window back, whose activation lists the new or changed entry.
    entryEditor_.onSaved([this] { activated(); });
    wireStatisticsAndMetering();
    timers_.setHandler(12, [this] { labelClearingTick(); });
    timers_.setHandler(22, [this] { signalPollTick(); });
    initialView();
}

void MainForm::wireStatisticsAndMetering() {
    views_.floating.hideWindow();
    statsFile_ = std::make_unique<statistics::StatisticsFile>(services_.fs, services_.clock, logs_, settings_,
                                                              paths_.statisticsFile());
    usage_ = std::make_unique<statistics::UsageWindows>(*statsFile_, services_.clock, logs_);
    running_ = std::make_unique<statistics::RunningStatistics>(
        statistics::RunningServices{*statsFile_, *usage_, services_.clock, logs_, settings_, state_, timers_.timer(15),
                                    timers_.timer(16), paths_.userName()});
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
    c.meteringBusy = [this] { return meter_->timer4Busy(); };
    c.resetCounterBaselines = [this] { meter_->resetCounterBaselines(); };
    c.clearConnectionCounters = [this] { meter_->clearConnectionCounters(); };

    ruleInputs_.connMB = [this] { return meter_->counters().connMB; };
    ruleInputs_.downBytesLastTick = [this] { return meter_->counters().downBytesPerSec; };
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
    v.setText("TForm1", "Quorvex 1.32 Beta");
    v.setText("Label9", "Odpojeno");
    v.setText("Label8", "Download");
    v.setText("LabelSignal", "?");
    v.setText("LabelBattery", "?");
    v.setEnabled("SpeedButton2", false);
    v.setEnabled("Odpojit1", false);
    v.setVisible("TrayIcon1", true);
    views_.exitDialog.setText("TForm6", "Ukončení aplikace");
    views_.connectionLog.setText("TForm10", "Log připojení a odpojení");
}

void MainForm::create() {
    logs_.guarded(shell::tags::kMainCreate, [&] {
        services_.monitor.setPollInterval(1000);
        services_.monitor.setEnabled(true);
        shell::callHook(hooks_.checkStatisticsFormat);
        shell::callHook(hooks_.findModemPort);
        views_.main.setIndex("TrayIcon1", kTrayDisconnected);
        shell::callHook(hooks_.loadExternalApps);
    });
}

void MainForm::activated() {
    logs_.guarded(shell::tags::kMainActivate, [&] {
        views_.main.setItems("ComboBox1", {});
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
    views_.main.setColor("TForm1", loaded.color);
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
        views_.main.hideWindow();
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
        // A failure while saving skips the rest: the program keeps running and nothing is lost.
        if (state_.isConnected)
            shell::callHook(hooks_.saveRunningRecord);
        views_.main.setVisible("TrayIcon1", false);
        shell::callHook(services_.quit);
    });
}

void MainForm::ExitAfterHangUp() {
    logs_.guarded(shell::tags::kExitAfterHangUp, [&] {
        while (state_.disconnectBusy)
            services_.loop.pumpWait(500);
        state_.exitAfterDisconnect = true;
        modemPoll_.modemPollAllowed = false;
        state_.suppressAutoRedial = true;
        services_.dialer.HangUp(state_.rasConnHandle);
        logs_.WriteConnectionLog("Odpojení+Ukončení");
    });
}

void MainForm::terminateRequested() {
    ExitKeepConnection();
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
        services_.fs.remove(signal);
        while (state_.disconnectBusy || modemPoll_.modemPollBusy)
            services_.loop.pumpWait(500);
        if (!state_.isDialing)
            controller_->Dial("Připojení po odpojení");
    });
}

void MainForm::labelClearingTick() {
    logs_.guarded(shell::tags::kLabelClearing, [&] {
        for (const char* name : {"Label11", "Label13", "Label17", "Label15", "Label20", "Label21", "Label7"})
            views_.main.setText(name, "");
        timers_.timer(12).stop();
    });
}

void MainForm::clicked(const std::string& window, const std::string& widget) {
    if (window == "TForm1") {
        auto& c = *controller_;
        if (widget == "SpeedButton1" || widget == "Pipojit1")
            c.ConnectClicked();
        else if (widget == "SpeedButton2" || widget == "Odpojit1")
            c.DisconnectClicked();
        else if (widget == "Restartovatpipojen1" || widget == "Restartpipojen1")
            c.Restart();
        else if (widget == "Nerestartovatpipojen1")
            rules_->toggleRulesBlocked();
        else if (widget == "VypnoutPcpoodpojen1")
            rules_->toggleShutdownAfterRule();
        else if (widget == "SpeedButton3")
            logs_.guarded(connection::tags::kAccounts, [&] { accounts_.DetectAccount(); });
        else if (widget == "Vytvoitnovet1")
            logs_.guarded(connection::tags::kAccounts, [&] { accounts_.NewAccount(); });
        else if (widget == "Editovat1")
            logs_.guarded(connection::tags::kAccounts, [&] { accounts_.EditAccount(); });
        else if (widget == "Smazat1")
            logs_.guarded(connection::tags::kAccounts, [&] { accounts_.DeleteAccount(); });
        else if (widget == "Konec1" || widget == "Konec2")
            closeRequested();
        else if (widget == "TrayIcon1" || widget == "Obnovitaplikaci1")
            restore();
        else if (widget == "Zobrazitlog1")
            logs_.guarded(shell::tags::kShowConnectionLog, [&] { connectionLog_.ShowConnectionLog(mainColor()); });
    } else if (window == "TForm6") {
        if (widget == "SpeedButton1")
            ExitKeepConnection();
        else if (widget == "SpeedButton2")
            ExitAfterHangUp();
        else if (widget == "SpeedButton3")
            logs_.guarded(shell::tags::kExitCancel, [&] { exitDialog_.free(); });
    } else if (window == "TFormEntry") {
        if (widget == "ButtonSave")
            logs_.guarded(connection::tags::kAccounts, [&] { entryEditor_.save(); });
        else if (widget == "ButtonCancel")
            entryEditor_.cancel();
    } else if (window == "TForm8" && widget == "Button1") {
        logs_.guarded(shell::tags::kFatalErrorButton, [&] {
            state_.pingFailures = connection::ControllerState::kPingCheckOff;
            views_.main.setVisible("TrayIcon1", false);
            shell::callHook(services_.quit);
        });
    }
}

void MainForm::doubleClicked(const std::string& window, const std::string& widget) {
    if (window != "TForm1")
        return;
    if (widget == "TrayIcon1")
        restore();
    else if (widget == "Label8")
        meter_->ToggleSpeedDirection();
}

void MainForm::contextMenu(const std::string&, const std::string&) {}

void MainForm::textEdited(const std::string& window, const std::string& widget, const std::string& text) {
    if (window == "TForm1")
        accounts_.fieldEdited(widget, text);
    else if (window == "TFormEntry")
        entryEditor_.fieldEdited(widget, text);
}

void MainForm::indexChanged(const std::string& window, const std::string& widget, int index) {
    if (window == "TForm1" && widget == "ComboBox1")
        logs_.guarded(connection::tags::kAccounts, [&] { accounts_.SelectionChanged(index); });
}

void MainForm::toggled(const std::string& window, const std::string& widget, bool checked) {
    if (window != "TForm1")
        return;
    if (widget == "CheckBox2")
        logs_.guarded(connection::tags::kAccounts, [&] { accounts_.DefaultAccountClicked(checked); });
    else if (widget == "CheckBox1")
        accounts_.storeCredentialsToggled(checked);
}

void MainForm::windowEvent(const std::string& window, shell::WindowEvent event) {
    if (window == "TForm1") {
        if (event == shell::WindowEvent::Activated)
            activated();
        else if (event == shell::WindowEvent::CloseRequested)
            closeRequested();
        else if (event == shell::WindowEvent::Minimized)
            minimize();
    } else if (window == "TForm6") {
        if (event == shell::WindowEvent::Activated)
            logs_.guarded(shell::tags::kExitActivate,
                          [&] { views_.exitDialog.setVisible("SpeedButton2", state_.isConnected); });
        else if (event == shell::WindowEvent::Closed || event == shell::WindowEvent::CloseRequested)
            exitDialog_.free();
    } else if (window == "TForm10" &&
               (event == shell::WindowEvent::Closed || event == shell::WindowEvent::CloseRequested)) {
        connectionLog_.window().free();
    } else if (window == "TFormEntry" &&
               (event == shell::WindowEvent::Closed || event == shell::WindowEvent::CloseRequested)) {
        entryEditor_.cancel();
    } else if (window == "TForm8" && event == shell::WindowEvent::Closed) {
        fatalError_.window().free();
    }
}

} // namespace qv::app
