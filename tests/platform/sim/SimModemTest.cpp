#include "platform/sim/SimModem.h"
#include "common/VirtualEventLoop.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::platform {
namespace {

struct SimModemTest : testing::Test {
    VirtualEventLoop loop;
    test::MemoryFileSystem fs;
    SimLine line{loop, fs, "/app/"};
    SimModem modem{loop, line};
    std::vector<std::string> lines; ///< each data-available event's reading, "@tick"

    void SetUp() override {
        modem.events.onDataAvailable = [this] {
            lines.push_back(modem.readAvailable() + "@" + std::to_string(loop.tickCount()));
        };
        modem.setPort(modem.attachedTo());
        modem.setLineEnd("\r\n");
        modem.setLineMode(true);
    }
    void control(const std::string& text) { fs.put("/app/sim-line.conf", text); }
    /// What the modem answers to a command, line by line, once it has had the time.
    std::vector<std::string> ask(const std::string& command) {
        lines.clear();
        EXPECT_TRUE(modem.write(command));
        loop.advance(1000);
        return lines;
    }
};

TEST_F(SimModemTest, AnswersSignalAndBatteryWithEchoAndOkLineByLine) {
    ASSERT_TRUE(modem.setOpen(true));
    EXPECT_EQ(ask("AT+GTSTAT=1\r\n"), (std::vector<std::string>{"AT+GTSTAT=1\r\n@120", "\r\n@120",
                                                                "+GTSTAT: 31\r\n@120", "\r\n@120", "OK\r\n@120"}));
    const auto battery = ask("AT+CBC?\r\n");
    ASSERT_EQ(battery.size(), 5u);
    EXPECT_EQ(battery[2], "+CBC: 0,80\r\n@1120");
    EXPECT_EQ(ask("AT\r\n"), (std::vector<std::string>{"AT\r\n@2120", "\r\n@2120", "OK\r\n@2120"}));
}

TEST_F(SimModemTest, TheControlFileSilencesItSwitchesItOffOrSetsItsReadings) {
    ASSERT_TRUE(modem.setOpen(true));
    control("modem=silent\n");
    EXPECT_EQ(ask("AT+GTSTAT=1\r\n"), std::vector<std::string>{});
    control("modem=off\n");
    EXPECT_EQ(ask("AT+GTSTAT=1\r\n").at(2).substr(0, 14), "+GTSTAT: 125\r\n");
    control("modem_signal=0\nmodem_battery=100\n");
    EXPECT_EQ(ask("AT+GTSTAT=1\r\n").at(2).substr(0, 12), "+GTSTAT: 0\r\n");
    EXPECT_EQ(ask("AT+CBC?\r\n").at(2).substr(0, 13), "+CBC: 0,100\r\n");
}

TEST_F(SimModemTest, ClosingLosesTheAnswersOnTheirWay) {
    ASSERT_TRUE(modem.setOpen(true));
    ASSERT_TRUE(modem.write("AT+CBC?\r\n"));
    modem.setOpen(false);
    EXPECT_FALSE(modem.write("AT\r\n"));
    ASSERT_TRUE(modem.tryOpen());
    loop.advance(1000);
    EXPECT_EQ(lines, std::vector<std::string>{});
}

TEST_F(SimModemTest, OnlyItsOwnPortOpensAndNotWhileTheLineHoldsTheModem) {
    modem.setPort(modem.numberedPort(3));
    EXPECT_FALSE(modem.available());
    modem.setPort(modem.currentName(modem.attachedTo()));
    EXPECT_TRUE(modem.available());
    EXPECT_FALSE(modem.isOpen());
    ASSERT_NE(line.dial("Demo"), 0u);
    EXPECT_FALSE(modem.tryOpen());
    loop.advance(4000); // up
    EXPECT_FALSE(modem.available());
}

TEST(SimLineModemControlTest, ReadsTheModemKeysAndIgnoresBadValues) {
    const auto c = SimLineControl::parse("modem = off\nmodem_signal=0\nmodem_battery=5\n");
    EXPECT_EQ(c.modem, SimLineControl::Modem::Off);
    EXPECT_EQ(c.modemSignal, 0);
    EXPECT_EQ(c.modemBattery, 5);
    const auto d = SimLineControl::parse("modem=loud\nmodem_signal=-1\nmodem_battery=x\n");
    EXPECT_EQ(d.modem, SimLineControl::Modem::Answer);
    EXPECT_EQ(d.modemSignal, 31);
    EXPECT_EQ(d.modemBattery, 80);
    EXPECT_EQ(SimLineControl::parse("modem=silent\nmodem=answer").modem, SimLineControl::Modem::Answer);
}

} // namespace
} // namespace qv::platform
