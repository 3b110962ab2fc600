#pragma once

#include "common/VirtualEventLoop.h"
#include "platform/ModemPortFinder.h"
#include "platform/SerialPort.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qv::test {

/// A modem on a scripted AT port. The finder reports `attached`; numbered ports are "COMn". Every port opens unless
/// named in `missing`; what is written is logged, and a command found in `replies` is answered `replyMs` later (the
/// whole text at once; line mode cuts it into lines, text after the last line end waits for more).
class FakeModem final : public platform::SerialPort, public platform::ModemPortFinder {
public:
    explicit FakeModem(VirtualEventLoop& loop) : loop_(loop) {}

    std::string attached;                       ///< what the finder reports
    std::string renamedTo;                      ///< the attached port's name now, when a restart renamed it
    std::set<std::string> missing;              ///< ports that do not open
    std::map<std::string, std::string> replies; ///< command (with its line end) → what the modem sends back
    int replyMs = 100;
    std::vector<std::string> log; ///< "open COM3", "close", "write AT+CBC?\r\n", "probe COM3"

    /// A modem that echoes and answers both commands with these lines (each without its line end).
    void answers(const std::string& signalLine, const std::string& batteryLine) {
        replies["AT+GTSTAT=1\r\n"] = "AT+GTSTAT=1\r\n\r\n" + signalLine + "\r\n\r\nOK\r\n";
        replies["AT+CBC?\r\n"] = "AT+CBC?\r\n\r\n" + batteryLine + "\r\n\r\nOK\r\n";
    }
    /// Data arriving now, as from the wire.
    void arrive(const std::string& text) {
        if (!open_)
            return;
        if (!lineMode_) {
            unread_ += text;
            notify();
            return;
        }
        partial_ += text;
        for (auto end = partial_.find(lineEnd_); open_ && end != std::string::npos; end = partial_.find(lineEnd_)) {
            unread_ += partial_.substr(0, end + lineEnd_.size());
            partial_.erase(0, end + lineEnd_.size());
            notify();
        }
    }
    /// A port error, as the receive thread reports it.
    void fail() {
        if (events.onError)
            events.onError("test");
    }
    const std::string& port() const { return port_; }

    void setPort(const std::string& name) override { port_ = name; }
    void setLineEnd(const std::string& lineEnd) override { lineEnd_ = lineEnd; }
    void setLineMode(bool on) override { lineMode_ = on; }
    bool setOpen(bool open) override {
        if (open == open_)
            return true;
        if (open) {
            if (missing.count(port_))
                return false;
            log.push_back("open " + port_);
        } else {
            log.push_back("close");
            partial_.clear();
            unread_.clear();
            ++opens_;
        }
        open_ = open;
        return true;
    }
    bool isOpen() const override { return open_; }
    bool available() override {
        log.push_back("probe " + port_);
        return open_ || !missing.count(port_);
    }
    bool tryOpen() override { return setOpen(true); }
    bool write(const std::string& text) override {
        if (!open_)
            return false;
        log.push_back("write " + text);
        if (auto r = replies.find(text); r != replies.end()) {
            sent_.push_back(r->second);
            pending_.push_back(loop_.createTimer(replyMs, true, [this, n = pending_.size(), open = opens_] {
                pending_[n]->stop();
                if (open == opens_) { // what comes while the port is closed is lost
                    const std::string reply = sent_[n];
                    arrive(reply);
                }
            }));
        }
        return true;
    }
    std::string readAvailable() override { return std::exchange(unread_, std::string()); }

    std::string attachedTo() override { return attached; }
    std::string numberedPort(int number) override { return "COM" + std::to_string(number); }
    std::string currentName(const std::string& name) override { return renamedTo.empty() ? name : renamedTo; }

private:
    void notify() {
        if (events.onDataAvailable)
            events.onDataAvailable();
    }

    VirtualEventLoop& loop_;
    std::string port_;
    std::string lineEnd_;
    bool lineMode_ = false;
    bool open_ = false;
    std::string partial_;
    std::string unread_;
    std::vector<std::unique_ptr<Timer>> pending_; ///< one per answered write, never freed during a test
    std::vector<std::string> sent_;               ///< the reply to each answered write
    int opens_ = 0;
};

} // namespace qv::test
