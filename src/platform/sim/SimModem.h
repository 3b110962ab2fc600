#pragma once

#include "common/EventLoop.h"
#include "platform/ModemPortFinder.h"
#include "platform/SerialPort.h"
#include "platform/sim/SimLine.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace qv::platform {

/// The demo line's modem on its AT port, found as kPortName. It echoes each command and answers "AT+GTSTAT=1" and
/// "AT+CBC?" (any other command with "OK") kReplyMs later, line by line, as a real modem does; the control file
/// of the line (read at each command) makes it silent or report the modem off, and sets its readings. While the
/// line is dialled or up the dial-up connection holds the modem and the port does not open. Everything runs from
/// timers of the given loop; the line must outlive it.
class SimModem final : public SerialPort, public ModemPortFinder {
public:
    static constexpr const char* kPortName = "sim:modem";
    static constexpr int kReplyMs = 120;

    SimModem(EventLoop& loop, SimLine& line);
    ~SimModem() override;
    SimModem(const SimModem&) = delete;
    SimModem& operator=(const SimModem&) = delete;

    void setPort(const std::string& name) override { port_ = name; }
    void setLineEnd(const std::string& lineEnd) override { lineEnd_ = lineEnd; }
    void setLineMode(bool on) override { lineMode_ = on; }
    bool setOpen(bool open) override;
    bool isOpen() const override { return open_; }
    bool available() override;
    bool tryOpen() override;
    bool write(const std::string& text) override;
    std::string readAvailable() override;

    std::string attachedTo() override { return kPortName; }
    /// The demo has no numbered ports.
    std::string numberedPort(int number) override;
    std::string currentName(const std::string& attached) override { return attached; }

private:
    struct Answer {
        std::uint64_t due;
        std::string text;
    };
    void answer(const std::string& command);
    void deliverDue();
    void arm();

    EventLoop& loop_;
    SimLine& line_;
    std::unique_ptr<Timer> timer_;
    std::string port_;
    std::string lineEnd_ = "\r\n";
    bool lineMode_ = false;
    bool open_ = false;
    std::string received_;       ///< command text without its carriage return yet
    std::deque<Answer> answers_; ///< in order of due time
    std::string unread_;         ///< delivered and not read
    std::string partial_;        ///< received text before its line end (line mode)
};

} // namespace qv::platform
