#include "connection/ShutdownCountdown.h"

#include "shell/ShellNames.h"

namespace qv::connection {

namespace {
constexpr int kTimer = 14;
constexpr int kStepSeconds = 5;
} // namespace

ShutdownCountdown::ShutdownCountdown(shell::Logs& logs, shell::TimerSchedule& timers, shell::WindowView& main,
                                     platform::Dialogs& dialogs, platform::Shutdown* shutdown)
    : logs_(logs), timers_(timers), main_(main), dialogs_(dialogs), shutdown_(shutdown) {
    timers_.setHandler(kTimer, [this] { Tick(); });
}

void ShutdownCountdown::start() {
    timers_.timer(kTimer).start();
}

void ShutdownCountdown::Tick() {
    Timer& self = timers_.timer(kTimer);
    // The tray switch serves one disconnection.
    main_.setChecked(names::TForm1::VypnoutPcpoodpojen1, false);
    self.setInterval(kLaterPeriodMs);
    shutdownCountdown_ -= kStepSeconds;
    if (shutdownCountdown_ < 0)
        powerOff();
    if (!dialogs_.showCancelBox(kBoxTitle, kBoxText))
        return;
    self.stop();
    self.setInterval(kFirstPeriodMs);
    shutdownCountdown_ = kStartSeconds;
}

void ShutdownCountdown::powerOff() {
    if (!shutdown_) {
        logs_.WriteConnectionLog(kSimulatedLogText);
        return;
    }
    // A refused or failing request is not reported: the machine stays up and the next tick asks again.
    try {
        shutdown_->powerOff();
    } catch (...) {
    }
}

} // namespace qv::connection
