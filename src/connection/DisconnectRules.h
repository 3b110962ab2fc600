#pragma once

#include "common/LocaleFormats.h"
#include "connection/ControllerState.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "shell/ShellNames.h"
#include "shell/TimerSchedule.h"
#include "shell/ViewState.h"

#include <functional>
#include <string>

namespace qv::connection {

class ConnectionController;

/// What the rules read from the metering and hand to other subsystems.
struct RuleInputs {
    std::function<double()> connMB;                            ///< MB moved in this connection
    std::function<double()> downBytesLastTick;                 ///< bytes received in the last metering tick
    std::function<void(const std::string&)> showFloatingClock; ///< the clock text on the floating window
    std::function<void()> startShutdownCountdown;
};

/// The connection clock and the three rules that end a connection: data amount, time online, and a long spell of
/// low download speed; each may ask for one reconnect per connection. The tray switch "Nerestartovat připojení"
/// blocks them ("Blokováno"), "Vypnout PC po odpojení" turns a rule's disconnection into a shutdown.
class DisconnectRules {
public:
    DisconnectRules(shell::Logs& logs, shell::TimerSchedule& timers, shell::WindowView& main,
                    const settings::SettingsRecord& settings, ControllerState& state, ConnectionController& controller,
                    LocaleFormats locale, const RuleInputs& inputs);

    void ClockTick();        ///< Timer8
    void TimeRuleTick();     ///< Timer5
    void DownloadRuleTick(); ///< Timer9
    /// The data rule, run at the end of each metering tick (Timer4).
    void DataRuleStep();

    /// The tray switches; each click toggles the check mark.
    void toggleRulesBlocked();
    void toggleShutdownAfterRule();
    bool rulesBlocked() const { return main_.get(names::TForm1::Nerestartovatpipojen1).checked; }
    bool shutdownAfterRule() const { return main_.get(names::TForm1::VypnoutPcpoodpojen1).checked; }

    void RuleFired(const std::string& logText, bool reconnect, const std::string& countdownText);

private:
    std::string remaining(std::int64_t seconds) const;

    shell::Logs& logs_;
    shell::TimerSchedule& timers_;
    shell::WindowView& main_;
    const settings::SettingsRecord& settings_;
    ControllerState& state_;
    ConnectionController& controller_;
    LocaleFormats locale_;
    const RuleInputs& in_; ///< filled by the shell as the metering comes up
};

} // namespace qv::connection
