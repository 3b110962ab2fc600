#include "modem/ModemInfo.h"

#include "modem/ModemReplies.h"
#include "shell/CallHook.h"
#include "shell/ShellNames.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace qv::modem {

namespace w = names::TForm1;

namespace {

constexpr int kPollTimer = 3;
constexpr const char* kLineEnd = "\r\n";

/// A step of the poll that did not work out; the poll says so and goes on as each step prescribes.
struct StepFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace

ModemInfo::ModemInfo(ModemServices services, ModemHooks& hooks) : s_(std::move(services)), hooks_(hooks) {
    s_.port.events.onDataAvailable = [this] { OnModemData(); };
    s_.port.events.onError = [this](const std::string&) { OnModemError(); };
    s_.timers.setHandler(kPollTimer, [this] { ModemPoll(); });
    replyTimer_ = s_.loop.createTimer(1, false, [this] { replyDue(); });
}

void ModemInfo::FindModemPort() {
    const std::string attached = s_.finder.attachedTo();
    // A numbered port's name ("COM12") gives its number; a system that names its ports gives the name itself.
    detectedNumbered_ = attached.starts_with("COM");
    detectedPort_ = detectedNumbered_ ? comPortDigits(attached) : attached;
}

void ModemInfo::startPoll(bool controlsHeld) {
    controlsHeld_ = controlsHeld_ || controlsHeld;
    pending_ = true;
    // Dials wait for a poll from the moment it is due; without any port, or with polls not allowed, none will run
    // and nothing needs to wait.
    if (s_.state.modemPollAllowed && !(detectedPort_.empty() && s_.settings.modemPortIndex == -1))
        s_.state.modemPollBusy = true;
    s_.timers.timer(kPollTimer).start();
}

void ModemInfo::status(const std::string& text) {
    s_.main.setText(w::Label9, text);
}

void ModemInfo::progress(int position) {
    s_.main.setIndex(w::ProgressBar1, position);
}

void ModemInfo::connectControls(bool enabled) {
    shell::callHook(hooks_.setConnectControls, enabled);
}

void ModemInfo::closePort() {
    s_.port.setOpen(false);
}

void ModemInfo::ModemPoll() {
    s_.timers.timer(kPollTimer).stop();
    if (running_) {
        // Due while a poll waits for a reply: the running one serves, and gives everything back.
        pending_ = controlsHeld_ = false;
        return;
    }
    auto& st = s_.state;
    const bool held = std::exchange(controlsHeld_, false);
    const bool started = std::exchange(pending_, false);
    // The line holds the modem while it is dialled or up; the dial or the connection owns the controls then.
    const bool lineBusy = st.isConnected || st.isDialing;
    if (!st.modemPollAllowed || lineBusy || (detectedPort_.empty() && s_.settings.modemPortIndex == -1)) {
        if (started)
            st.modemPollBusy = false;
        if (held && !lineBusy) { // what the caller did for the poll is undone
            connectControls(true);
            status("Odpojeno");
        }
        return;
    }
    st.modemPollBusy = true;
    running_ = true;
    guarded(&ModemInfo::signalStep);
}

void ModemInfo::guarded(void (ModemInfo::*piece)()) {
    try {
        (this->*piece)();
    } catch (...) {
        failPoll();
    }
}

void ModemInfo::failPoll() {
    progress(0);
    closePort();
    connectControls(true);
    status("Získávání dat z modemu selhalo..");
    endPoll();
}

void ModemInfo::finishPoll() {
    closePort();
    status("Odpojeno");
    connectControls(true);
    endPoll();
}

void ModemInfo::signalFailed() {
    progress(0);
    status("Získávání inf. o signálu selhalo..");
}

void ModemInfo::batteryFailed() {
    // What the signal step reached stays on the bar.
    if (s_.main.get(w::ProgressBar1).index > 0)
        progress(50);
    status("Získávání inf. o baterii selhalo..");
}

void ModemInfo::endPoll() {
    replyTimer_->stop();
    running_ = false;
    s_.state.modemPollBusy = pending_; // another poll may be due already
}

void ModemInfo::signalStep() {
    connectControls(false);
    s_.port.setPort(portName());
    if (!s_.port.available()) {
        progress(0);
        closePort();
        connectControls(true);
        status("Port modemu je pravděpodobně obsazen.");
        batteryStep();
        return;
    }
    s_.port.setLineEnd(kLineEnd);
    s_.port.setLineMode(true);
    if (!s_.port.setOpen(true))
        throw StepFailed("the port would not open");
    try {
        command("AT+GTSTAT=1\r\n", Step::SignalReply);
    } catch (const StepFailed&) {
        signalFailed();
        batteryStep();
    }
}

void ModemInfo::signalReply() {
    try {
        progress(50);
        const std::uint8_t percent = ParseSignal();
        s_.main.setText(w::LabelSignal, std::to_string(percent) + " %");
    } catch (...) {
        signalFailed();
    }
    batteryStep();
}

void ModemInfo::batteryStep() {
    if (!s_.port.tryOpen()) {
        failPoll();
        return;
    }
    try {
        command("AT+CBC?\r\n", Step::BatteryReply);
    } catch (const StepFailed&) {
        batteryFailed();
        finishPoll();
    }
}

void ModemInfo::batteryReply() {
    try {
        progress(100);
        const std::uint8_t percent = ParseBattery();
        s_.main.setText(w::LabelBattery, std::to_string(percent) + " %");
    } catch (...) {
        batteryFailed();
    }
    finishPoll();
}

void ModemInfo::command(const std::string& text, Step next) {
    if (!s_.port.write(text))
        throw StepFailed("the command could not be sent");
    awaiting_ = next;
    // A window timer of interval 0 never fires: a wait of nothing is the shortest one there is.
    replyTimer_->setInterval(std::max(replyWaitMs(s_.settings.modemTimeoutSeconds), 1));
    replyTimer_->start();
}

void ModemInfo::replyDue() {
    replyTimer_->stop();
    if (!running_)
        return;
    if (s_.state.isConnected) {
        // A connection made meanwhile holds the modem and owns the screen: the poll ends quietly.
        closePort();
        endPoll();
        return;
    }
    guarded(awaiting_ == Step::SignalReply ? &ModemInfo::signalReply : &ModemInfo::batteryReply);
}

std::string ModemInfo::portName() const {
    if (detectedPort_.empty())
        return s_.finder.numberedPort(s_.settings.modemPortIndex + 1);
    if (!detectedNumbered_)
        return s_.finder.currentName(detectedPort_);
    int number = 0;
    const char* end = detectedPort_.data() + detectedPort_.size();
    const auto [stop, ec] = std::from_chars(detectedPort_.data(), end, number);
    if (ec != std::errc() || stop != end)
        throw StepFailed("the detected port is no number");
    return s_.finder.numberedPort(number);
}

std::uint8_t ModemInfo::ParseSignal() {
    const auto reading = signalReading(signalLine_);
    if (!reading)
        throw StepFailed("no signal reading");
    if (reading->modemOff) {
        status("Modem neni pravděpodobně zapnutý");
        progress(0);
        closePort();
        connectControls(true);
    }
    return reading->percent;
}

std::uint8_t ModemInfo::ParseBattery() {
    const auto percent = batteryPercent(batteryLine_);
    if (!percent)
        throw StepFailed("no battery reading");
    return *percent;
}

void ModemInfo::OnModemData() {
    const std::string line = s_.port.readAvailable();
    if (line.starts_with("+GTSTAT"))
        signalLine_ = line;
    else if (line.starts_with("+CBC"))
        batteryLine_ = line;
}

void ModemInfo::OnModemError() {
    closePort();
}

} // namespace qv::modem
