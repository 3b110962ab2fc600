#pragma once

#include "common/EventLoop.h"
#include "connection/ControllerState.h"
#include "platform/ModemPortFinder.h"
#include "platform/SerialPort.h"
#include "settings/SettingsRecord.h"
#include "shell/TimerSchedule.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qv::modem {

/// What the modem information needs of the connection control. An unset hook does nothing.
struct ModemHooks {
    /// "Připojit" (button and tray item) enabled or not; the tray item "Odpojit" is disabled either way.
    std::function<void(bool connectEnabled)> setConnectControls;
};

struct ModemServices {
    EventLoop& loop;
    shell::TimerSchedule& timers; ///< Timer3 runs the poll
    shell::WindowView& main;
    platform::SerialPort& port;
    platform::ModemPortFinder& finder;
    const settings::SettingsRecord& settings; ///< [Modem] Port and Timeout
    connection::ControllerState& state;       ///< modemPollBusy, modemPollAllowed; the line's state
};

/// The modem's signal and battery in the main window's "Modem info": finding the modem's AT port once at start,
/// and the one-shot poll that asks the modem for both over that port while the line is down. The poll runs on the
/// UI thread; other handlers run while it waits for a reply, so it holds the connect controls disabled meanwhile,
/// and `modemPollBusy` keeps the dials waiting until it has ended. It waits on a timer of its own rather than in a
/// message-pumping wait: a dial that waits for it in such a wait would otherwise sit on top of the poll's wait on
/// the stack, and neither could ever finish.
class ModemInfo final {
public:
    ModemInfo(ModemServices services, ModemHooks& hooks);

    /// Once, at the main window's creation: the detected port.
    void FindModemPort();
    /// A port was detected at start.
    bool portKnown() const { return !detectedPort_.empty(); }

    /// Starts Timer3: one poll about a second from now. `controlsHeld`: the caller has disabled the connect
    /// controls for the poll, which gives them back however it ends. From now until the poll has ended the dials
    /// wait (`modemPollBusy`).
    void startPoll(bool controlsHeld);

    void ModemPoll();    ///< Timer3: sends the first command; the reply timer runs the rest
    void OnModemData();  ///< a line arrived
    void OnModemError(); ///< the port failed: closed

    /// The percentages of the stored replies. They throw when the reply holds no number; a signal reading of 0
    /// means the modem is off, which the poll shows at once.
    std::uint8_t ParseSignal();
    std::uint8_t ParseBattery();

    const std::string& detectedPort() const { return detectedPort_; }
    const std::string& signalLine() const { return signalLine_; }
    const std::string& batteryLine() const { return batteryLine_; }

private:
    enum class Step { SignalReply, BatteryReply };

    /// Runs one piece of the poll; whatever escapes its own handling ends the poll as failed.
    void guarded(void (ModemInfo::*piece)());
    void signalStep();
    void signalReply();
    void batteryStep();
    void batteryReply();
    void signalFailed();
    void batteryFailed();
    /// The poll ends as failed: the bar back to 0, the port closed, the controls given back.
    void failPoll();
    /// The poll ends after its battery step, whatever the two steps found.
    void finishPoll();
    void endPoll();
    /// Writes an AT command and waits [Modem] Timeout for the reply to arrive, then runs `next`.
    void command(const std::string& text, Step next);
    void replyDue();
    std::string portName() const;
    void status(const std::string& text);
    void progress(int position);
    void connectControls(bool enabled);
    void closePort();

    ModemServices s_;
    ModemHooks& hooks_;
    std::string detectedPort_;     ///< empty when no modem was found at start
    bool detectedNumbered_ = true; ///< a port number ("3", "12"); else the system's name of the port
    std::string signalLine_;
    std::string batteryLine_;
    bool pending_ = false; ///< started and not yet run: the busy flag is the poll's
    bool controlsHeld_ = false;
    bool running_ = false;
    Step awaiting_ = Step::SignalReply;
    std::unique_ptr<Timer> replyTimer_;
};

} // namespace qv::modem
