#include "platform/linux/LinuxSerialPort.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace qv::platform {

struct LinuxSerialPort::Link {
    LinuxSerialPort* port;
};

namespace {

std::string systemText(int error) {
    return std::strerror(error);
}

bool configure(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CRTSCTS);
    t.c_cflag |= CS8 | PARENB | PARODD | CSTOPB | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) == 0)
        return true;
    // A pseudo-terminal has no parity: it drops it at the first request and refuses it (EINVAL) at every later
    // open of the same pair. The line without parity is what it offers.
    if (errno != EINVAL)
        return false;
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

LinuxSerialPort::LinuxSerialPort(EventLoop& loop) : loop_(loop), link_(std::make_shared<Link>(Link{this})) {}

LinuxSerialPort::~LinuxSerialPort() {
    close();
    link_->port = nullptr;
}

bool LinuxSerialPort::setOpen(bool open) {
    if (open == isOpen())
        return true;
    if (open)
        return this->open();
    close();
    return true;
}

bool LinuxSerialPort::available() {
    if (isOpen())
        return true;
    if (!open())
        return false;
    close();
    return true;
}

bool LinuxSerialPort::tryOpen() {
    return isOpen() || open();
}

bool LinuxSerialPort::open() {
    lastError_.clear();
    if (device_.empty()) {
        lastError_ = systemText(ENOENT);
        return false;
    }
    // Non-blocking, so that a port without carrier does not wait for one; the receive thread polls.
    const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = systemText(errno); // EBUSY: another program holds it with TIOCEXCL
        return false;
    }
    const auto fail = [&](std::string why) {
        ::close(fd);
        lastError_ = std::move(why);
        return false;
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? "held by another program" : systemText(errno));
    if (!configure(fd))
        return fail(systemText(errno));
    ::ioctl(fd, TIOCEXCL);
    // A pseudo-terminal has no modem lines (ENOTTY); a real port raised them already at the open.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &lines);
    ::tcflush(fd, TCIOFLUSH);
    const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0)
        return fail(systemText(errno));
    fd_ = fd;
    stopFd_ = stopFd;
    ++openSerial_;
    partial_.clear();
    unread_.clear();
    receiver_ = std::thread(receive, std::ref(loop_), std::weak_ptr<Link>(link_), fd_, stopFd_, openSerial_);
    return true;
}

void LinuxSerialPort::close() {
    if (fd_ < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
    if (receiver_.joinable())
        receiver_.join();
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_); // releases the lock too
    ::close(stopFd_);
    fd_ = -1;
    stopFd_ = -1;
    ++openSerial_; // what the thread posted and has not run yet is for a port that is closed
    partial_.clear();
    unread_.clear();
}

bool LinuxSerialPort::write(const std::string& text) {
    if (fd_ < 0)
        return false;
    std::size_t done = 0;
    int waitedMs = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The transmit queue is full: wait for room, a little at a time, within the limit.
        if (waitedMs >= kWriteWaitMs)
            return false;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 50);
        waitedMs += 50;
    }
    return true;
}

std::string LinuxSerialPort::readAvailable() {
    return std::exchange(unread_, std::string());
}

void LinuxSerialPort::received(std::uint64_t openSerial, const std::string& bytes) {
    if (!current(openSerial))
        return;
    if (!lineMode_ || lineEnd_.empty()) {
        unread_ += bytes;
        if (unread_.size() > kBufferBytes)
            unread_.erase(0, unread_.size() - kBufferBytes);
        if (events.onDataAvailable)
            events.onDataAvailable();
        return;
    }
    partial_ += bytes;
    for (auto end = partial_.find(lineEnd_); end != std::string::npos; end = partial_.find(lineEnd_)) {
        unread_ += partial_.substr(0, end + lineEnd_.size());
        partial_.erase(0, end + lineEnd_.size());
        if (events.onDataAvailable)
            events.onDataAvailable();
        if (!current(openSerial))
            return; // the handler closed the port
    }
    // A line end that never comes does not grow the buffer for ever: the oldest bytes go, as in an overrun.
    if (partial_.size() > kBufferBytes)
        partial_.erase(0, partial_.size() - kBufferBytes);
}

void LinuxSerialPort::failed(std::uint64_t openSerial, const std::string& what) {
    if (current(openSerial) && events.onError)
        events.onError(what);
}

void LinuxSerialPort::receive(EventLoop& loop, std::weak_ptr<Link> link, int fd, int stopFd, std::uint64_t openSerial) {
    const auto report = [&](std::string what) {
        loop.post([link, openSerial, what = std::move(what)] {
            if (auto l = link.lock(); l && l->port)
                l->port->failed(openSerial, what);
        });
    };
    char buf[4096];
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        fds[0].revents = fds[1].revents = 0;
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return report(systemText(errno));
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                loop.post([link, openSerial, bytes = std::string(buf, static_cast<std::size_t>(n))] {
                    if (auto l = link.lock(); l && l->port)
                        l->port->received(openSerial, bytes);
                });
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            return report(n == 0 ? "the port was hung up" : systemText(errno));
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return report("the port went away");
    }
}

} // namespace qv::platform
