#pragma once

#include "platform/Dialogs.h"
#include "platform/Shutdown.h"
#include "shell/Logs.h"
#include "shell/TimerSchedule.h"
#include "shell/ViewState.h"

namespace qv::connection {

/// The ten-second countdown to the power-off (`Timer14`): each tick takes five seconds off and shows a box with
/// "Cancel"; the tick that goes below zero asks for the power-off. Window timers keep running while a box is open,
/// so later ticks stack further boxes; "Cancel" in any of them stops the countdown and puts it back to the start.
class ShutdownCountdown {
public:
    /// `shutdown` may be null: the countdown then only writes to the connection log that it would power off.
    ShutdownCountdown(shell::Logs& logs, shell::TimerSchedule& timers, shell::WindowView& main,
                      platform::Dialogs& dialogs, platform::Shutdown* shutdown);

    /// Starts the countdown; a running one goes on as it is.
    void start();
    void Tick(); ///< Timer14

    /// `shutdownCountdown`: the seconds left.
    int secondsLeft() const { return shutdownCountdown_; }

    static constexpr int kStartSeconds = 10;
    static constexpr int kFirstPeriodMs = 1000;
    static constexpr int kLaterPeriodMs = 5000;
    static constexpr const char* kBoxText = "Vypnutí PC za 10 sekund";
    static constexpr const char* kBoxTitle = "Information";
    static constexpr const char* kSimulatedLogText = "Vypnutí PC (simulace, počítač zůstává zapnutý)";

private:
    void powerOff();

    shell::Logs& logs_;
    shell::TimerSchedule& timers_;
    shell::WindowView& main_;
    platform::Dialogs& dialogs_;
    platform::Shutdown* shutdown_;
    int shutdownCountdown_ = kStartSeconds;
};

} // namespace qv::connection
