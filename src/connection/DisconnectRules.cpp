#include "connection/DisconnectRules.h"
#include "shell/ShellNames.h"

#include "common/Formats.h"
#include "connection/ConnectionController.h"

namespace qv::connection {

namespace w = names::TForm1;

namespace {
constexpr const char* kClockTag = "401,1";        // Timer8
constexpr const char* kTimeRuleTag = "411,1";     // Timer5
constexpr const char* kDownloadRuleTag = "421,1"; // Timer9
constexpr const char* kTraySwitchTag = "431,1";
constexpr const char* kNotSet = "Nenastaveno";
constexpr const char* kBlocked = "Blokováno";
constexpr int kTrayWaiting = 2;
} // namespace

DisconnectRules::DisconnectRules(shell::Logs& logs, shell::TimerSchedule& timers, shell::WindowView& main,
                                 const settings::SettingsRecord& settings, ControllerState& state,
                                 ConnectionController& controller, LocaleFormats locale, const RuleInputs& inputs)
    : logs_(logs), timers_(timers), main_(main), settings_(settings), state_(state), controller_(controller),
      locale_(std::move(locale)), in_(inputs) {
    timers_.setHandler(8, [this] { ClockTick(); });
    timers_.setHandler(5, [this] { TimeRuleTick(); });
    timers_.setHandler(9, [this] { DownloadRuleTick(); });
}

std::string DisconnectRules::remaining(std::int64_t seconds) const {
    return formatDuration(seconds);
}

void DisconnectRules::ClockTick() {
    logs_.guarded(kClockTag, [&] {
        ++state_.connectedSeconds;
        const std::string text = formatDuration(state_.connectedSeconds);
        main_.setText(w::Label11, text);
        if (state_.isConnected && in_.showFloatingClock)
            in_.showFloatingClock(text);
        main_.setText(w::Label13, settings_.timeLimitOn ? remaining(std::int64_t{settings_.timeLimitMinutes} * 60 -
                                                                    state_.connectedSeconds)
                                                        : kNotSet);
    });
}

void DisconnectRules::DataRuleStep() {
    const double mb = in_.connMB ? in_.connMB() : 0.0;
    if (!(settings_.dataLimitOn && settings_.dataLimitMB <= mb))
        return;
    if (rulesBlocked()) {
        main_.setText(w::Label17, kBlocked);
        return;
    }
    timers_.timer(4).stop();
    RuleFired("Datové odpojení", settings_.dataLimitReconnect, "Datové odpojení, připojeni bude obnoveno za ");
}

void DisconnectRules::TimeRuleTick() {
    logs_.guarded(kTimeRuleTag, [&] {
        if (!(settings_.timeLimitOn && std::int64_t{settings_.timeLimitMinutes} * 60 <= state_.connectedSeconds))
            return;
        if (rulesBlocked()) {
            main_.setText(w::Label13, kBlocked);
            return;
        }
        timers_.timer(5).stop();
        RuleFired("Časové odpojení", settings_.timeLimitReconnect, "Časové odpojení, připojeni bude obnoveno za ");
    });
}

void DisconnectRules::DownloadRuleTick() {
    logs_.guarded(kDownloadRuleTag, [&] {
        const double current = (in_.downBytesLastTick ? in_.downBytesLastTick() : 0.0) / 1000.0;
        const double threshold = settings_.slowDownloadKBps;
        state_.lowDownloadSum += current;
        if (current < threshold) {
            ++state_.lowDownloadSeconds;
            // A spell is judged by the average of its own samples: a sum still holding faster seconds restarts it.
            if (state_.lowDownloadSum / state_.lowDownloadSeconds > threshold) {
                state_.lowDownloadSeconds = 0;
                state_.lowDownloadSum = 0;
            }
        } else {
            state_.lowDownloadSeconds = 0;
        }
        main_.setText(w::Label20, formatDuration(state_.lowDownloadSeconds));
        const std::int64_t limit = std::int64_t{settings_.slowDownloadMinutes} * 60;
        main_.setText(w::Label21, settings_.slowDownloadOn ? remaining(limit - state_.lowDownloadSeconds) : kNotSet);
        if (!(settings_.slowDownloadOn && limit <= state_.lowDownloadSeconds))
            return;
        if (rulesBlocked()) {
            main_.setText(w::Label21, kBlocked);
            return;
        }
        timers_.timer(9).stop();
        RuleFired("Pokles downloadu", settings_.slowDownloadReconnect,
                  "Pokles downloadu odpojení, připojeni bude obnoveno za ");
    });
}

void DisconnectRules::RuleFired(const std::string& logText, bool reconnect, const std::string& countdownText) {
    controller_.Disconnect(logText);
    if (shutdownAfterRule()) {
        if (in_.startShutdownCountdown)
            in_.startShutdownCountdown();
        controller_.restoreMainWindow();
        return;
    }
    if (!(reconnect && state_.ruleReconnectArmed))
        return;
    state_.ruleReconnectArmed = false;
    main_.setText(w::Label9, countdownText + std::to_string(settings_.reconnectDelaySeconds) + " sec.");
    state_.reconnectPending = true;
    for (const shell::WidgetName& name : {w::SpeedButton1, w::SpeedButton2, w::Pipojit1, w::Odpojit1})
        main_.setEnabled(name, false);
    main_.setIndex(w::TrayIcon1, kTrayWaiting);
    controller_.StartCountdown();
}

void DisconnectRules::toggleRulesBlocked() {
    logs_.guarded(kTraySwitchTag, [&] { main_.setChecked(w::Nerestartovatpipojen1, !rulesBlocked()); });
}

void DisconnectRules::toggleShutdownAfterRule() {
    logs_.guarded(kTraySwitchTag, [&] { main_.setChecked(w::VypnoutPcpoodpojen1, !shutdownAfterRule()); });
}

} // namespace qv::connection
