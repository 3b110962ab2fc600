#include "connection/ScheduledActions.h"

#include "common/Formats.h"
#include "connection/ConnectionController.h"
#include "settings/SettingsWriters.h"

#include <stdexcept>

namespace qv::connection {

namespace {
constexpr const char* kConnectTag = "1265,1";
constexpr const char* kDisconnectTag = "1281,1";
constexpr const char* kCountdownTag = "4411,1";
constexpr int kTimer = 21;
constexpr int kBusyStepMs = 500;
constexpr int kAfterHangUpMs = 2500;
} // namespace

ScheduledActions::ScheduledActions(ScheduleServices services) : s_(std::move(services)) {
    s_.timers.setHandler(kTimer, [this] { Tick(); });
    connectStep_ = s_.loop.createTimer(kBusyStepMs, false, [this] {
        connectStep_->stop();
        s_.logs.guarded(kConnectTag, [&] { connectWhenFree(); });
    });
    afterHangUpStep_ = s_.loop.createTimer(kAfterHangUpMs, false, [this] {
        afterHangUpStep_->stop();
        afterHangUp();
    });
}

bool ScheduledActions::dueNow(double timeOfDay) const {
    return formatLongTime(s_.clock.now(), s_.locale) == formatLongTime(timeOfDay, s_.locale);
}

void ScheduledActions::Tick() {
    // Connect first: with both in the same second while offline, the dial starts and the hang-up finds no
    // connection up yet.
    if (s_.settings.scheduledConnectOn)
        s_.logs.guarded(kConnectTag, [&] { connectIfDue(); });
    if (s_.settings.scheduledDisconnectOn)
        disconnectIfDue();
}

void ScheduledActions::connectIfDue() {
    if (!dueNow(s_.settings.scheduledConnectTime) || s_.state.isConnected)
        return;
    connectWhenFree();
}

void ScheduledActions::connectWhenFree() {
    if (s_.state.isConnected)
        return; // came up while the dial waited
    // The disconnected handling that is busy may be further down this very stack, pumping while it waits for the
    // metering or restarts the modem, and this tick may have come inside that wait: a pumping wait here would
    // never let it finish. The dial comes back on a timer of its own instead.
    if (s_.state.disconnectBusy || s_.state.modemPollBusy) {
        connectStep_->start();
        return;
    }
    if (s_.state.isDialing)
        return;
    s_.controller.Dial("Časové plánované připojení");
    if (!settings::clearScheduledConnect(s_.settingsFile))
        throw std::runtime_error("[Pripojit] Ano could not be written");
}

void ScheduledActions::disconnectIfDue() {
    bool offline = false;
    s_.logs.guarded(kDisconnectTag, [&] {
        if (!dueNow(s_.settings.scheduledDisconnectTime))
            return;
        if (!s_.state.isConnected) {
            offline = true;
            return;
        }
        // Disconnect marks the coming disconnection as expected before it hangs up: no redial follows.
        s_.controller.Disconnect("Časové plánované odpojení");
        // The follow-up waits for the disconnected handling, which may run inside a wait of whoever this tick
        // came in: a timer instead of a pumping wait, for the reason in connectWhenFree.
        afterHangUpStep_->setInterval(kAfterHangUpMs);
        afterHangUpStep_->start();
    });
    if (offline)
        startCountdownIfAsked();
}

void ScheduledActions::afterHangUp() {
    if (s_.state.disconnectBusy) {
        afterHangUpStep_->setInterval(kBusyStepMs);
        afterHangUpStep_->start();
        return;
    }
    bool written = false;
    s_.logs.guarded(kDisconnectTag, [&] {
        if (!settings::clearScheduledDisconnect(s_.settingsFile))
            throw std::runtime_error("[Odpojit] Ano could not be written");
        written = true;
    });
    if (written)
        startCountdownIfAsked();
}

void ScheduledActions::startCountdownIfAsked() {
    s_.logs.guarded(kCountdownTag, [&] {
        if (s_.settings.shutdownAfterScheduledDisconnect)
            s_.countdown.start();
    });
}

} // namespace qv::connection
