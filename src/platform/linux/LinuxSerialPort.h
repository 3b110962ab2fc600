#pragma once

#include "common/EventLoop.h"
#include "platform/SerialPort.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace qv::platform {

/// A serial port over termios: 9600 baud, 8 data bits, odd parity, 2 stop bits, DTR and RTS raised, no flow
/// control. A port is held exclusively while open (an advisory lock that other serial programs honour, and
/// TIOCEXCL); a port another program holds that way does not open. A receive thread per open hands what arrives to
/// the UI thread (`post`), where it is cut into lines; text before a missing line end waits, up to 8192 bytes.
/// On a pseudo-terminal the kernel keeps no parity and has no modem lines: neither is an error.
class LinuxSerialPort final : public SerialPort {
public:
    static constexpr std::size_t kBufferBytes = 8192;
    /// How long a write may wait for room in the transmit queue.
    static constexpr int kWriteWaitMs = 2000;

    explicit LinuxSerialPort(EventLoop& loop);
    ~LinuxSerialPort() override;
    LinuxSerialPort(const LinuxSerialPort&) = delete;
    LinuxSerialPort& operator=(const LinuxSerialPort&) = delete;

    void setPort(const std::string& name) override { device_ = name; }
    void setLineEnd(const std::string& lineEnd) override { lineEnd_ = lineEnd; }
    void setLineMode(bool on) override { lineMode_ = on; }
    bool setOpen(bool open) override;
    bool isOpen() const override { return fd_ >= 0; }
    bool available() override;
    bool tryOpen() override;
    bool write(const std::string& text) override;
    std::string readAvailable() override;

    /// Why the last open failed (the system's text, or "held by another program"); empty after one that worked.
    const std::string& lastError() const { return lastError_; }

private:
    struct Link; // what work posted by the receive thread finds when it runs: this port, unless it has gone

    bool open();
    void close();
    void received(std::uint64_t openSerial, const std::string& bytes);
    void failed(std::uint64_t openSerial, const std::string& what);
    bool current(std::uint64_t openSerial) const { return fd_ >= 0 && openSerial == openSerial_; }
    /// The receive thread: reads until `stopFd` is signalled or the port fails, and posts what it reads.
    static void receive(EventLoop& loop, std::weak_ptr<Link> link, int fd, int stopFd, std::uint64_t openSerial);

    EventLoop& loop_;
    std::shared_ptr<Link> link_;
    std::string device_;
    std::string lineEnd_ = "\r\n";
    bool lineMode_ = false;
    int fd_ = -1;
    int stopFd_ = -1;
    std::thread receiver_;
    std::uint64_t openSerial_ = 0; ///< tells data of an earlier open from this one's
    std::string partial_;          ///< received, before its line end
    std::string unread_;
    std::string lastError_;
};

} // namespace qv::platform
