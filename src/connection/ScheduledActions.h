#pragma once

#include "common/Clock.h"
#include "common/EventLoop.h"
#include "common/LocaleFormats.h"
#include "connection/ControllerState.h"
#include "connection/ShutdownCountdown.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "shell/TimerSchedule.h"

#include <memory>

namespace qv::connection {

class ConnectionController;

/// What the schedule check works with.
struct ScheduleServices {
    EventLoop& loop;
    const Clock& clock;
    LocaleFormats locale;
    shell::Logs& logs;
    shell::TimerSchedule& timers;
    settings::SettingsFile& settingsFile; ///< [Pripojit] Ano and [Odpojit] Ano are cleared in it
    const settings::SettingsRecord& settings;
    ControllerState& state;
    ConnectionController& controller;
    ShutdownCountdown& countdown;
};

/// The once-a-second schedule check (`Timer21`): the dial at the scheduled connect time, the hang-up at the
/// scheduled disconnect time and, after it, the shutdown countdown. A time is due in the tick whose current time
/// reads the same as it in the user's long time format, so each fires once in its second and again the next day
/// while the settings record is unchanged; the settings file has it switched off for the next reload.
class ScheduledActions {
public:
    explicit ScheduledActions(ScheduleServices services);

    void Tick(); ///< Timer21

private:
    bool dueNow(double timeOfDay) const;
    void connectIfDue();
    void disconnectIfDue();
    /// The dial, once neither the disconnected handling nor the modem poll is busy.
    void connectWhenFree();
    /// After the hang-up: once the disconnected handling is over, the file and the countdown.
    void afterHangUp();
    void startCountdownIfAsked();

    ScheduleServices s_;
    std::unique_ptr<Timer> connectStep_;     ///< the due dial again while a handler it waits for is busy
    std::unique_ptr<Timer> afterHangUpStep_; ///< the hang-up's follow-up, 2500 ms on, then while that is busy
};

} // namespace qv::connection
