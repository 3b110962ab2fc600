#pragma once

#include "common/EventLoop.h"
#include "connection/Accounts.h"
#include "connection/ControllerState.h"
#include "connection/ModemRestart.h"
#include "platform/ConnectionMonitor.h"
#include "platform/DialUpAdapter.h"
#include "platform/IcmpEcho.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "shell/TimerSchedule.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qv::connection {

/// Work of other subsystems at its place in the connected and disconnected handling. An unset hook does nothing.
struct ConnectionHooks {
    std::function<void()> OpenRunningRecord;                  ///< connected, first step
    std::function<bool()> packetCaptureMode;                  ///< the metering mode of this run is packet capture
    std::function<bool()> captureStartBusy;                   ///< the capture start-up tick is running
    std::function<void(const std::string&)> setCaptureClient; ///< client address for the capture ("" clears)
    std::function<void()> openFloatingWindow;                 ///< when the floating window is in use and not open
    std::function<void()> closeFloatingWindow;
    std::function<void()> fillRunningRecordStart; ///< start time, date and user of the running record
    std::function<void()> ResetExternalAppFlags;
    std::function<void()> resetCounterBaselines;
    std::function<bool()> meteringBusy; ///< the per-second tick or the floating colour tick runs
    std::function<void()> discardPacketCapture;
    std::function<void()> CloseAndAppend;          ///< finish the running record and append it
    std::function<void()> clearConnectionCounters; ///< byte counters, samples, rule seconds
    std::function<bool()> modemPortKnown;          ///< the modem's AT port was found at start
    /// The modem status poll (Timer3) about a second from now; true when the caller has disabled the connect
    /// controls for it (the poll gives them back).
    std::function<void(bool controlsHeld)> startModemPoll;
    std::function<void()> minimize;
    std::function<void()> restore;
    std::function<void()> quit; ///< end the program (tray icon already removed)
};

/// What the controller needs to run.
struct ConnectionServices {
    EventLoop& loop;
    shell::Logs& logs;
    shell::TimerSchedule& timers;
    shell::WindowView& main;
    platform::DialUpAdapter& dialer;
    platform::ConnectionMonitor& monitor;
    platform::IcmpEcho& echo;
    ModemRestart& modemRestart;
    Accounts& accounts;
    const settings::SettingsRecord& settings;
    ControllerState& state;
    std::string pingHost;
    std::function<bool()> floatWindowOn; ///< the floating window is in use this run
};

/// The connection state machine: when to dial, what dial progress and errors do, the connected and disconnected
/// handling, the redial after an outside drop, restart, the ping liveness check, the automatic connect, and the
/// start-up modem restart. Everything runs on the UI thread; handlers wait with the message-pumping wait, and the
/// controller state's busy flags keep re-entered handlers from doing the same work twice.
class ConnectionController {
public:
    ConnectionController(ConnectionServices services, ConnectionHooks& hooks);

    // Operations offered to the other subsystems.
    /// Dials the current entry unless a dial is in progress, and logs `logText`.
    void Dial(const std::string& logText);
    /// Hangs up for a reason: no redial follows.
    void Disconnect(const std::string& logText);
    /// Starts the reconnect countdown of [Pripojeni] Prodleva seconds.
    void StartCountdown();
    void Restart();
    /// Brings the main window back from the tray.
    void restoreMainWindow();

    // User actions.
    void ConnectClicked();    ///< "Připojit"
    void DisconnectClicked(); ///< "Odpojit"

    // Adapter events.
    void OnDialing();
    void OnAsyncEvent(int state, int error, const std::string& text);
    void OnError(int code, const std::string& message);
    void OnRasConnected(const platform::ConnectionDetails& details);
    void OnRasDisconnected(const platform::ConnectionDetails& details);

    // Timer ticks.
    void RefreshHandleTick();  ///< Timer1
    void AutoConnectTick();    ///< Timer2
    void ReconnectTick();      ///< Timer7
    void StartupRestartTick(); ///< Timer10
    void PingTick();           ///< Timer17
    void RetryTick();          ///< Timer18

    /// A ping outcome: at least one answer clears the failures, none adds one.
    void PingReply(int answers);

    /// "Připojit" (button and tray item) and the tray item "Odpojit".
    void setConnectControls(bool connectEnabled, bool trayDisconnectEnabled);

    static constexpr int kMaxRetries = 10;

private:
    void dialError(int error);
    /// The dialler says our dial is over without an error (state 8193).
    void dialEnded();
    /// Restarts the modem, pauses 100 ms, and gives "Připojit" back.
    void restartModemAround();
    /// Hangs up the held handle; false (with the error shown) when the line would not go away.
    bool hangUp();
    void waitWhile(const std::function<bool()>& busy, int stepMs);
    std::string countdownSeconds() const;

    ConnectionServices s_;
    ConnectionHooks& hooks_;
    std::uint32_t connectionSerial_ = 0;   ///< tells a ping outcome of an earlier connection from the current one
    std::unique_ptr<Timer> reconnectStep_; ///< Timer7's tick again while a handler it waits for is busy
    std::unique_ptr<Timer> retryStep_;     ///< Timer18's likewise
    bool dialLinkUp_ = false;              ///< the dial in progress has reported its link up (8192)
    std::string linkInterface_;            ///< the connection's network interface, for the pings ("" = unknown)
};

} // namespace qv::connection
