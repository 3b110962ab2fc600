#include "connection/ConnectionController.h"
#include "shell/ShellNames.h"

#include "connection/ConnectionTags.h"
#include "platform/DialTexts.h"
#include "shell/CallHook.h"

#include <algorithm>
#include <limits>

namespace qv::connection {

namespace w = names::TForm1;

namespace {

constexpr int kTrayConnected = 0;
constexpr int kTrayDisconnected = 1;
constexpr int kTrayWaiting = 2;
constexpr int kMonitorIntervalMs = 2000;
constexpr int kMailIntervalAfterConnectMs = 10000;
constexpr int kReconnectStepMs = 500;
constexpr int kRetryStepMs = 1000;

/// Timer16's interval for [Ukladani] Po minutes. Beyond 35791 minutes the milliseconds leave int: the longest
/// interval a timer takes (about 24.8 days) is as good as never for a save the disconnection makes anyway.
int periodicSaveIntervalMs(std::uint16_t minutes) {
    constexpr std::int64_t kMax = std::numeric_limits<int>::max();
    return static_cast<int>(std::min<std::int64_t>(std::int64_t{minutes} * 60000, kMax));
}

} // namespace

ConnectionController::ConnectionController(ConnectionServices services, ConnectionHooks& hooks)
    : s_(std::move(services)), hooks_(hooks) {
    auto& ev = s_.dialer.events;
    ev.OnDialing = [this] { OnDialing(); };
    ev.OnAsyncEvent = [this](int state, int error, const std::string& text) { OnAsyncEvent(state, error, text); };
    ev.OnError = [this](int code, const std::string& message) { OnError(code, message); };
    ev.OnActiveConnection = [this](const platform::ActiveConnection& c, const std::string&) {
        s_.state.rasConnHandle = c.handle; // the last one reported wins
    };
    s_.monitor.events.OnRasConnected = [this](const platform::ConnectionDetails& d) { OnRasConnected(d); };
    s_.monitor.events.OnRasDisconnected = [this](const platform::ConnectionDetails& d) { OnRasDisconnected(d); };

    auto& t = s_.timers;
    t.setHandler(1, [this] { RefreshHandleTick(); });
    t.setHandler(2, [this] { AutoConnectTick(); });
    t.setHandler(7, [this] { ReconnectTick(); });
    t.setHandler(10, [this] { StartupRestartTick(); });
    t.setHandler(17, [this] { PingTick(); });
    t.setHandler(18, [this] { RetryTick(); });
    reconnectStep_ = s_.loop.createTimer(kReconnectStepMs, false, [this] {
        reconnectStep_->stop();
        ReconnectTick();
    });
    retryStep_ = s_.loop.createTimer(kRetryStepMs, false, [this] {
        retryStep_->stop();
        RetryTick();
    });
}

void ConnectionController::waitWhile(const std::function<bool()>& busy, int stepMs) {
    while (busy())
        s_.loop.pumpWait(stepMs);
}

std::string ConnectionController::countdownSeconds() const {
    return std::to_string(s_.settings.reconnectDelaySeconds) + " sec.";
}

void ConnectionController::setConnectControls(bool connectEnabled, bool trayDisconnectEnabled) {
    s_.main.setEnabled(w::SpeedButton1, connectEnabled);
    s_.main.setEnabled(w::Pipojit1, connectEnabled);
    s_.main.setEnabled(w::Odpojit1, trayDisconnectEnabled);
}

void ConnectionController::Dial(const std::string& logText) {
    if (s_.state.isDialing)
        return;
    s_.dialer.Dial();
    s_.state.rasConnHandle = s_.dialer.connectionHandle();
    s_.logs.WriteConnectionLog(logText);
}

bool ConnectionController::hangUp() {
    const int rc = s_.dialer.HangUp(s_.state.rasConnHandle);
    // A dial that is hung up sends no more progress: it is over, or no dial could ever start again.
    s_.state.isDialing = false;
    if (rc != platform::dialerror::kHangUpTimedOut)
        return true;
    // The line would not go away: say so rather than pretend it is down.
    s_.main.setText(w::Label9, "Error: " + std::to_string(rc) + " , " + platform::dialErrorText(rc));
    return false;
}

void ConnectionController::Disconnect(const std::string& logText) {
    s_.state.suppressAutoRedial = true;
    const bool gone = hangUp();
    s_.logs.WriteConnectionLog(logText);
    if (gone)
        s_.main.setText(w::Label9, "Odpojeno");
}

void ConnectionController::StartCountdown() {
    // A delay of 0 means "at once": a window timer of interval 0 would never fire and the reconnect be lost.
    const int ms = s_.settings.reconnectDelaySeconds * 1000;
    Timer& t = s_.timers.timer(7);
    t.setInterval(ms > 0 ? ms : 1);
    t.start();
}

void ConnectionController::Restart() {
    s_.logs.guarded(tags::kRestart, [&] {
        s_.state.suppressAutoRedial = true;
        s_.state.reconnectPending = true;
        const bool gone = hangUp();
        s_.logs.WriteConnectionLog("Restart připojení");
        if (gone)
            s_.main.setText(w::Label9, "Odpojeno");
        if (s_.state.pingRestartFlag) {
            s_.main.setText(w::Label9, "Restart připojení (několikanásobný chybný ping), připojeni bude obnoveno za " +
                                           countdownSeconds());
            s_.state.pingRestartFlag = false;
            s_.logs.WriteConnectionLog("Restart připojení (několikanásobný chybný ping)");
        } else {
            s_.main.setText(w::Label9, "Restart připojení, připojeni bude obnoveno za " + countdownSeconds());
        }
        StartCountdown();
    });
}

void ConnectionController::restoreMainWindow() {
    shell::callHook(hooks_.restore);
}

void ConnectionController::ConnectClicked() {
    s_.logs.guarded(tags::kConnectClick, [&] {
        s_.accounts.StoreCredentialsBeforeDial();
        Dial("Normální připojení");
    });
}

void ConnectionController::DisconnectClicked() {
    s_.logs.guarded(tags::kDisconnectClick, [&] { Disconnect("Normální odpojení"); });
}

void ConnectionController::OnDialing() {
    s_.logs.guarded(tags::kDialing, [&] {
        s_.state.isDialing = true;
        dialLinkUp_ = false;
        s_.loop.pumpWait(0);
    });
}

void ConnectionController::OnAsyncEvent(int state, int error, const std::string& text) {
    s_.logs.guarded(tags::kDialProgress, [&] {
        s_.main.setText(w::Label9, text);
        if (error != 0)
            dialError(error);
        else if (state == platform::dialstate::kConnected)
            dialLinkUp_ = true;
        else if (state == platform::dialstate::kDisconnected)
            dialEnded();
    });
}

void ConnectionController::dialEnded() {
    auto& st = s_.state;
    // Once the monitor has reported the connection, its disconnected report ends it.
    if (!st.isDialing || st.isConnected || s_.monitor.Online())
        return;
    if (!dialLinkUp_) {
        dialError(platform::dialerror::kPortDisconnected); // over before the link came up, yet without a code
        return;
    }
    // The link came up and went again between two polls of the monitor, which so never saw it. It is a connection
    // lost outside the program all the same: the flags the connected handling would have set, then the
    // disconnected handling, which redials by the usual rules.
    st.isDialing = false;
    st.reconnectPending = false;
    st.suppressAutoRedial = false;
    st.ruleReconnectArmed = true;
    st.redialArmed = true;
    st.error7xxRetries = 0;
    OnRasDisconnected(platform::ConnectionDetails{});
}

void ConnectionController::OnError(int code, const std::string& message) {
    // A request refused at once sends no progress; without this the dialler would stay "dialling" for good and
    // never dial again. It takes the same path as an error reported by progress, after the dial's own log line.
    s_.loop.post([this, code, message] {
        s_.logs.guarded(tags::kDialRefused, [&] {
            s_.main.setText(w::Label9, message);
            dialError(code);
        });
    });
}

void ConnectionController::restartModemAround() {
    s_.modemRestart.RestartModem();
    s_.loop.pumpWait(100);
    s_.main.setEnabled(w::SpeedButton1, true);
    s_.main.setEnabled(w::Pipojit1, true);
}

void ConnectionController::dialError(int error) {
    auto& st = s_.state;
    s_.main.setText(w::Label9, "Error: " + std::to_string(error) + " , " + platform::dialErrorText(error));
    st.suppressAutoRedial = true;
    s_.dialer.HangUp(st.rasConnHandle);
    s_.logs.WriteConnectionLog("Chyba při připojování");
    st.isDialing = false;
    st.reconnectPending = false;
    setConnectControls(false, false);
    s_.main.setEnabled(w::SpeedButton2, false);
    restartModemAround();
    s_.main.setIndex(w::TrayIcon1, kTrayDisconnected);
    const bool retryable = error == platform::dialerror::kNoResponse || error == platform::dialerror::kNoProtocols;
    if (retryable && s_.settings.retryAfterError720or721) {
        if (st.error7xxRetries < kMaxRetries)
            s_.timers.timer(18).start();
        if (st.error7xxRetries < 255)
            ++st.error7xxRetries;
    } else {
        st.error7xxRetries = 0;
    }
}

void ConnectionController::RetryTick() {
    s_.logs.guarded(tags::kRetry, [&] {
        s_.timers.timer(18).stop();
        if (s_.state.isConnected)
            return;
        setConnectControls(false, false);
        if (s_.state.disconnectBusy) {
            retryStep_->start(); // see ReconnectTick
            return;
        }
        Dial("Pokus o připojení: Error 7xx");
    });
}

void ConnectionController::RefreshHandleTick() {
    s_.logs.guarded(tags::kRefreshHandle, [&] { s_.dialer.GetActiveConnections(); });
}

void ConnectionController::OnRasConnected(const platform::ConnectionDetails&) {
    s_.logs.guarded(tags::kConnected, [&] {
        auto& st = s_.state;
        auto& t = s_.timers;
        shell::callHook(hooks_.OpenRunningRecord);
        if (shell::callHook(hooks_.packetCaptureMode)) {
            t.timer(13).start();
            waitWhile([&] { return shell::callHook(hooks_.captureStartBusy); }, 100);
        }
        st.isConnected = true;
        st.isDialing = false;
        ++connectionSerial_;
        platform::ConnectionDetails info;
        s_.monitor.GetConnectionInfo(info);
        s_.main.setText(w::Label6, info.clientIp);
        s_.main.setText(w::Label4, info.serverIp);
        linkInterface_ = info.interfaceName;
        shell::callHook(hooks_.setCaptureClient, info.clientIp);
        st.reconnectPending = false;
        s_.main.setIndex(w::TrayIcon1, kTrayConnected);
        if (s_.floatWindowOn && s_.floatWindowOn())
            shell::callHook(hooks_.openFloatingWindow);
        for (int n : {11, 8, 9, 15, 4})
            t.timer(n).start();
        st.pingFailures = 0;
        t.timer(17).start();
        t.timer(5).start();
        t.timer(16).setInterval(periodicSaveIntervalMs(s_.settings.periodicSaveMinutes));
        t.timer(16).start();
        shell::callHook(hooks_.fillRunningRecordStart);
        s_.main.setEnabled(w::SpeedButton1, false);
        s_.main.setEnabled(w::SpeedButton2, true);
        s_.main.setEnabled(w::Odpojit1, true);
        s_.main.setEnabled(w::Restartpipojen1, true);
        s_.main.setEnabled(w::Pipojit1, false);
        s_.main.setText(w::Label9, "Spojeno");
        st.suppressAutoRedial = false;
        st.ruleReconnectArmed = true;
        st.redialArmed = true;
        st.error7xxRetries = 0;
        shell::callHook(hooks_.ResetExternalAppFlags);
        shell::callHook(hooks_.resetCounterBaselines);
        t.timer(20).setInterval(kMailIntervalAfterConnectMs);
        if (s_.settings.minimizeOnConnect)
            shell::callHook(hooks_.minimize);
        s_.monitor.setPollInterval(kMonitorIntervalMs);
    });
}

void ConnectionController::OnRasDisconnected(const platform::ConnectionDetails&) {
    auto& st = s_.state;
    auto& t = s_.timers;
    st.disconnectBusy = true;
    s_.logs.guarded(tags::kDisconnected, [&] {
        s_.monitor.setEnabled(false);
        st.isConnected = false;
        ++connectionSerial_;
        for (int n : {5, 9, 8, 15, 16, 4, 11})
            t.timer(n).stop();
        waitWhile([&] { return shell::callHook(hooks_.meteringBusy); }, 100);
        shell::callHook(hooks_.discardPacketCapture);
        shell::callHook(hooks_.closeFloatingWindow);
        if (s_.settings.restartModemOnDisconnect) {
            setConnectControls(false, false);
            restartModemAround();
        }
        shell::callHook(hooks_.startModemPoll, false);
        if (!st.suppressAutoRedial && s_.settings.redialOnDrop && st.redialArmed) {
            st.redialArmed = false;
            st.suppressAutoRedial = true;
            st.reconnectPending = true;
            s_.main.setText(w::Label9, "Připojení bylo odpojeno mimo tuto aplikaci, připojení bude obnoveno za " +
                                           countdownSeconds());
            s_.logs.WriteConnectionLog("Připojení bylo odpojeno mimo tuto aplikaci");
            StartCountdown();
        }
        s_.main.setEnabled(w::Odpojit1, false);
        s_.main.setEnabled(w::Restartpipojen1, false);
        s_.main.setEnabled(w::Pipojit1, true);
        if (s_.settings.restoreOnDisconnect)
            shell::callHook(hooks_.restore);
        s_.main.setEnabled(w::SpeedButton1, true);
        s_.main.setEnabled(w::SpeedButton2, false);
        s_.main.setIndex(w::TrayIcon1, st.reconnectPending ? kTrayWaiting : kTrayDisconnected);
        shell::callHook(hooks_.CloseAndAppend);
        s_.main.setText(w::Label4, "");
        s_.main.setText(w::Label6, "");
        st.connectedSeconds = 0;
        st.lowDownloadSeconds = 0;
        st.lowDownloadSum = 0;
        shell::callHook(hooks_.clearConnectionCounters);
        t.timer(12).start();
        shell::callHook(hooks_.setCaptureClient, std::string());
        shell::callHook(hooks_.resetCounterBaselines);
    });
    // Polling comes back on whatever failed above: without it no connection would ever be noticed again.
    s_.monitor.setPollInterval(kMonitorIntervalMs);
    s_.monitor.setEnabled(true);
    st.disconnectBusy = false;
    if (st.exitAfterDisconnect) {
        s_.main.setVisible(w::TrayIcon1, false);
        shell::callHook(hooks_.quit);
    }
}

void ConnectionController::ReconnectTick() {
    s_.logs.guarded(tags::kReconnect, [&] {
        s_.timers.timer(7).stop();
        if (s_.state.isConnected)
            return;
        // The disconnected handling (or the modem poll) that is busy is further down this very stack, pumping
        // while it restarts the modem: a wait here would never let it finish. The tick comes back instead.
        if (s_.state.disconnectBusy || s_.state.modemPollBusy) {
            reconnectStep_->start();
            return;
        }
        Dial("Připojení po odpojení");
    });
}

void ConnectionController::AutoConnectTick() {
    s_.logs.guarded(tags::kAutoConnect, [&] {
        s_.timers.timer(2).stop();
        if (s_.state.isConnected)
            return;
        // A modem poll still running (a long [Modem] Timeout) holds the modem: the dial waits for it.
        waitWhile([&] { return s_.state.modemPollBusy; }, 500);
        if (s_.state.isConnected)
            return;
        setConnectControls(false, false);
        Dial("Automatické připojení");
    });
}

void ConnectionController::StartupRestartTick() {
    s_.logs.guarded(tags::kStartupRestart, [&] {
        s_.timers.timer(10).stop();
        if (s_.state.isConnected)
            return;
        shell::callHook(hooks_.discardPacketCapture);
        setConnectControls(false, false);
        restartModemAround();
        if (shell::callHook(hooks_.modemPortKnown) || s_.settings.modemPortIndex != -1) {
            setConnectControls(false, false);
            s_.main.setText(w::Label9, "Získávám data z modemu...");
            shell::callHook(hooks_.startModemPoll, true);
        }
        if (!s_.state.isConnected && s_.settings.connectAtStart)
            s_.timers.timer(2).start();
    });
}

void ConnectionController::PingTick() {
    s_.logs.guarded(tags::kPingCheck, [&] {
        auto& st = s_.state;
        if (st.pingFailures == ControllerState::kPingCheckOff || !s_.settings.pingWatchdogOn)
            return;
        Timer& self = s_.timers.timer(17);
        self.stop();
        if (st.pingFailures == 4) {
            st.pingFailures = 0;
            st.pingRestartFlag = true;
            Restart();
            return;
        }
        if (!st.isConnected)
            return;
        // The outcome comes back as an event instead of blocking the window for up to 3.5 s; the timer stays
        // stopped until then, so pings never overlap.
        const std::uint32_t serial = connectionSerial_;
        // Bound to the link's interface: with another route to the host (a LAN up beside the modem) an unbound
        // echo would be answered by way of that, and a dead link never noticed.
        const platform::IcmpEcho::Request request{s_.pingHost, 56, 64, 3500, linkInterface_};
        s_.echo.send(request, [this, serial](int answers, int) {
            if (serial != connectionSerial_)
                return; // an answer for a connection that has gone
            PingReply(answers);
            if (s_.state.isConnected)
                s_.timers.timer(17).start();
        });
    });
}

void ConnectionController::PingReply(int answers) {
    s_.logs.guarded(tags::kPingReply, [&] {
        auto& st = s_.state;
        if (st.pingFailures == ControllerState::kPingCheckOff)
            return;
        if (answers > 0)
            st.pingFailures = 0;
        else if (st.pingFailures < 255)
            ++st.pingFailures;
    });
}

} // namespace qv::connection
