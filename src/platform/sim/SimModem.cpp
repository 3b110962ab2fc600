#include "platform/sim/SimModem.h"

#include <algorithm>
#include <utility>

namespace qv::platform {

SimModem::SimModem(EventLoop& loop, SimLine& line) : loop_(loop), line_(line) {
    timer_ = loop_.createTimer(kReplyMs, false, [this] { deliverDue(); });
}

SimModem::~SimModem() = default;

std::string SimModem::numberedPort(int number) {
    return "COM" + std::to_string(number);
}

bool SimModem::setOpen(bool open) {
    if (open == open_)
        return true;
    if (open) {
        if (port_ != kPortName || line_.phase() != SimLine::Phase::Idle)
            return false;
        open_ = true;
        return true;
    }
    open_ = false;
    timer_->stop();
    answers_.clear();
    received_.clear();
    unread_.clear();
    partial_.clear();
    return true;
}

bool SimModem::available() {
    if (open_)
        return true;
    if (!setOpen(true))
        return false;
    setOpen(false);
    return true;
}

bool SimModem::tryOpen() {
    return setOpen(true);
}

bool SimModem::write(const std::string& text) {
    if (!open_)
        return false;
    received_ += text;
    // A command ends at its carriage return; the line feed after it is echoed and otherwise ignored.
    for (auto cr = received_.find('\r'); cr != std::string::npos; cr = received_.find('\r')) {
        std::string command = received_.substr(0, cr);
        received_.erase(0, cr + 1);
        if (!received_.empty() && received_.front() == '\n')
            received_.erase(0, 1);
        command.erase(0, command.find_first_not_of('\n'));
        answer(command);
    }
    return true;
}

void SimModem::answer(const std::string& command) {
    const SimLineControl control = line_.readControl();
    if (control.modem == SimLineControl::Modem::Silent)
        return;
    std::string reply = command + "\r\n";
    if (command == "AT+GTSTAT=1") {
        const int n = control.modem == SimLineControl::Modem::Off ? 125 : control.modemSignal;
        reply += "\r\n+GTSTAT: " + std::to_string(n) + "\r\n\r\nOK\r\n";
    } else if (command == "AT+CBC?") {
        reply += "\r\n+CBC: 0," + std::to_string(control.modemBattery) + "\r\n\r\nOK\r\n";
    } else if (command.empty()) {
        return;
    } else {
        reply += "\r\nOK\r\n";
    }
    answers_.push_back({loop_.tickCount() + kReplyMs, std::move(reply)});
    arm();
}

void SimModem::arm() {
    if (answers_.empty() || timer_->enabled())
        return;
    const std::uint64_t now = loop_.tickCount();
    const std::uint64_t due = answers_.front().due;
    timer_->setInterval(static_cast<int>(std::max<std::uint64_t>(due > now ? due - now : 0, 1)));
    timer_->start();
}

void SimModem::deliverDue() {
    timer_->stop();
    const std::uint64_t now = loop_.tickCount();
    while (open_ && !answers_.empty() && answers_.front().due <= now) {
        std::string text = std::move(answers_.front().text);
        answers_.pop_front();
        if (!lineMode_ || lineEnd_.empty()) {
            unread_ += text;
            if (events.onDataAvailable)
                events.onDataAvailable();
            continue;
        }
        partial_ += text;
        for (auto end = partial_.find(lineEnd_); open_ && end != std::string::npos; end = partial_.find(lineEnd_)) {
            unread_ += partial_.substr(0, end + lineEnd_.size());
            partial_.erase(0, end + lineEnd_.size());
            if (events.onDataAvailable)
                events.onDataAvailable();
        }
    }
    arm();
}

std::string SimModem::readAvailable() {
    return std::exchange(unread_, std::string());
}

} // namespace qv::platform
