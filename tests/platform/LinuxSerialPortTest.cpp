#include "platform/linux/LinuxSerialPort.h"
#include "RealTimeWait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace qv::platform {
namespace {

/// A pseudo-terminal pair: the port opens the slave, the test plays the modem on the master.
struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = ::ptsname(master);
    }
    ~Pty() { hangUp(); }
    void hangUp() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    void send(const std::string& text) const {
        ASSERT_EQ(::write(master, text.data(), text.size()), ssize_t(text.size()));
    }
    /// What the port sent, once `count` bytes have come or a second has passed.
    std::string receive(std::size_t count) const {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) == 1) {
                char buf[256];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
};

struct LinuxSerialPortTest : ::testing::Test {
    VirtualEventLoop loop;
    Pty pty;
    LinuxSerialPort port{loop};
    std::vector<std::string> lines; ///< what each data-available event could read
    std::vector<std::string> errors;

    void SetUp() override {
        if (pty.slave.empty())
            GTEST_SKIP() << "no pseudo-terminals here";
        port.setPort(pty.slave);
        port.events.onDataAvailable = [this] { lines.push_back(port.readAvailable()); };
        port.events.onError = [this](const std::string& what) { errors.push_back(what); };
    }
    /// Nothing more is coming: give it the chance anyway.
    void settle() {
        const auto never = [] { return false; };
        pumpUntil(loop, never, 200);
    }
};

TEST_F(LinuxSerialPortTest, OpensAPseudoTerminalAsTheModemsLineWithoutParityOrModemLines) {
    ASSERT_TRUE(port.setOpen(true)) << port.lastError();
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.setOpen(true)); // already open: nothing happens
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.master, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO)); // raw: the modem's echo is the only one
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
    EXPECT_TRUE(errors.empty());
}

TEST_F(LinuxSerialPortTest, CommandsReachTheModemAndItsRepliesArriveLineByLine) {
    port.setLineEnd("\r\n");
    port.setLineMode(true);
    ASSERT_TRUE(port.setOpen(true)) << port.lastError();
    ASSERT_TRUE(port.write("AT+CBC?\r\n"));
    EXPECT_EQ(pty.receive(9), "AT+CBC?\r\n");
    pty.send("AT+CBC?\r\n\r\n+CBC: 0,80\r\n\r\nOK\r\n");
    ASSERT_TRUE(pumpUntil(loop, [&] { return lines.size() == 5; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"AT+CBC?\r\n", "\r\n", "+CBC: 0,80\r\n", "\r\n", "OK\r\n"}));

    // A reply whose line end comes later waits for it, and arrives whole.
    lines.clear();
    pty.send("+GTSTAT: 75,1\r");
    settle();
    EXPECT_TRUE(lines.empty());
    pty.send("\nOK");
    ASSERT_TRUE(pumpUntil(loop, [&] { return !lines.empty(); }));
    settle();
    EXPECT_EQ(lines, std::vector<std::string>{"+GTSTAT: 75,1\r\n"});
}

TEST_F(LinuxSerialPortTest, WithLineModeOffWhatArrivesIsReadAsItComes) {
    ASSERT_TRUE(port.setOpen(true)) << port.lastError();
    pty.send("+CB");
    ASSERT_TRUE(pumpUntil(loop, [&] { return !lines.empty(); }));
    EXPECT_EQ(lines, std::vector<std::string>{"+CB"});
}

TEST_F(LinuxSerialPortTest, WhatArrivedBeforeTheCloseIsNeitherDeliveredNorKept) {
    port.setLineMode(true);
    ASSERT_TRUE(port.setOpen(true)) << port.lastError();
    pty.send("+CBC: 0,80\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // read and posted, not yet run
    port.setOpen(false);
    settle();
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(port.readAvailable(), "");
    EXPECT_FALSE(port.write("AT\r\n"));
}

TEST_F(LinuxSerialPortTest, APortHeldByAnotherIsNeitherAvailableNorOpened) {
    ASSERT_TRUE(port.setOpen(true)) << port.lastError();
    LinuxSerialPort other(loop);
    other.setPort(pty.slave);
    EXPECT_FALSE(other.available());
    EXPECT_FALSE(other.tryOpen());
    EXPECT_FALSE(other.isOpen());
    EXPECT_FALSE(other.lastError().empty());
    EXPECT_TRUE(port.available()); // open already
    port.setOpen(false);
    EXPECT_TRUE(other.available()) << other.lastError();
    EXPECT_FALSE(other.isOpen()); // the probe closes it again
    EXPECT_TRUE(other.tryOpen());
}

TEST_F(LinuxSerialPortTest, AMissingPortDoesNotOpen) {
    port.setPort("/dev/qv-no-such-port");
    EXPECT_FALSE(port.available());
    EXPECT_FALSE(port.setOpen(true));
    EXPECT_FALSE(port.tryOpen());
    EXPECT_FALSE(port.write("AT\r\n"));
    port.setPort("");
    EXPECT_FALSE(port.tryOpen());
    port.setPort("/dev/null"); // no terminal at all
    EXPECT_FALSE(port.tryOpen());
}

TEST_F(LinuxSerialPortTest, ADeviceThatGoesAwayIsAnErrorEvent) {
    ASSERT_TRUE(port.setOpen(true)) << port.lastError();
    pty.hangUp();
    ASSERT_TRUE(pumpUntil(loop, [&] { return !errors.empty(); }));
    EXPECT_EQ(errors.size(), 1u);
    port.setOpen(false); // as the poll does on an error
    EXPECT_FALSE(port.isOpen());
}

} // namespace
} // namespace qv::platform
