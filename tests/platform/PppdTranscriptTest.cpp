#include "platform/linux/PppdTranscript.h"
#include "platform/DialTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>

namespace qv::platform {
namespace {

using P = PppdProgress;

// Replays a recorded transcript: its lines, then the end given by a "## exit N" or "## killed N" line ("## "
// lines are otherwise comments).
std::vector<P> replay(const std::string& name, PppdTranscript& t) {
    std::ifstream in(std::string(QV_PPPD_DATA_DIR) + "/" + name + ".txt", std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::vector<P> out = t.started();
    const auto add = [&](const std::vector<P>& more) { out.insert(out.end(), more.begin(), more.end()); };
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("## exit ", 0) == 0)
            add(t.exited(std::stoi(line.substr(8))));
        else if (line.rfind("## killed ", 0) == 0)
            add(t.killed(std::stoi(line.substr(10))));
        else if (line.rfind("## ", 0) != 0)
            add(t.line(line));
    }
    return out;
}

std::vector<P> upTo(std::initializer_list<int> states, P last = {-1, 0}) {
    std::vector<P> out;
    for (int s : states)
        out.push_back({s, 0});
    if (last.state >= 0)
        out.push_back(last);
    return out;
}

struct Recorded {
    const char* file;
    std::vector<P> expected;
};

class PppdRecordedTranscripts : public ::testing::TestWithParam<Recorded> {};

TEST_P(PppdRecordedTranscripts, MapToTheProgressAndTheErrorOfTheDial) {
    PppdTranscript t;
    EXPECT_EQ(replay(GetParam().file, t), GetParam().expected);
    EXPECT_TRUE(t.finished());
}

const auto kAll = {0, 1, 2, 3, 4, 5, 14, 18, 8192, 8193};

INSTANTIATE_TEST_SUITE_P(
    Pppd, PppdRecordedTranscripts,
    ::testing::Values(
        // Up, then ended: by our SIGTERM, by the peer, by a modem hangup; and with noise around it.
        Recorded{"good-dial-pap", upTo(kAll)}, Recorded{"good-dial-chap-no-remote", upTo(kAll)},
        Recorded{"disconnect-after-connect", upTo(kAll)}, Recorded{"garbage", upTo(kAll)},
        // Failures, with the state reached so far.
        Recorded{"pap-failure", upTo({0, 1, 2, 3, 4, 5}, {5, 691})},
        Recorded{"lcp-timeout", upTo({0, 1, 2, 3, 4, 5}, {5, 721})},
        Recorded{"ipcp-failure", upTo({0, 1, 2, 3, 4, 5, 14}, {14, 720})},
        Recorded{"chat-busy", upTo({0, 1, 2}, {2, 676})}, Recorded{"chat-no-answer", upTo({0, 1, 2}, {2, 678})},
        Recorded{"chat-no-dialtone", upTo({0, 1, 2}, {2, 680})}, Recorded{"chat-timeout", upTo({0, 1, 2}, {2, 678})},
        Recorded{"device-locked", upTo({0}, {0, 633})}, Recorded{"device-busy", upTo({0}, {0, 633})},
        Recorded{"device-missing", upTo({0}, {0, 608})}, Recorded{"missing-peers-file", upTo({0}, {0, 623})},
        Recorded{"no-dev-ppp", upTo({0}, {0, 711})}, Recorded{"hung-up-during-lcp", upTo({0, 1, 2, 3, 4, 5}, {5, 631})},
        Recorded{"hung-up-during-chat", upTo({0, 1, 2}, {2, 631})}, Recorded{"silent-death", upTo({0}, {0, 619})}),
    [](const ::testing::TestParamInfo<Recorded>& p) {
        std::string n = p.param.file;
        std::replace(n.begin(), n.end(), '-', '_');
        return n;
    });

TEST(PppdTranscript, LearnsTheInterfaceTheDeviceAndBothAddresses) {
    PppdTranscript pap;
    replay("good-dial-pap", pap);
    EXPECT_EQ(pap.interfaceName(), "ppp0");
    EXPECT_EQ(pap.deviceName(), "/dev/ttyUSB0");
    EXPECT_EQ(pap.clientIp(), "10.64.64.64");
    EXPECT_EQ(pap.serverIp(), "10.112.112.112");
    EXPECT_EQ(pap.finalError(), 0);

    PppdTranscript chap;
    replay("good-dial-chap-no-remote", chap);
    EXPECT_EQ(chap.interfaceName(), "ppp1");
    EXPECT_EQ(chap.clientIp(), "100.72.4.19");
    EXPECT_EQ(chap.serverIp(), "");
}

// Feeds lines to a started transcript; returns the notifications of the lines only.
std::vector<P> feed(PppdTranscript& t, std::initializer_list<const char*> lines) {
    t.started();
    std::vector<P> out;
    for (const char* l : lines)
        for (const P& p : t.line(l))
            out.push_back(p);
    return out;
}

TEST(PppdTranscript, ASilenceAfterTheLocalAddressMeansConnected) {
    PppdTranscript t;
    EXPECT_EQ(feed(t, {"Connect: ppp0 <--> /dev/ttyUSB0", "local  IP address 10.0.0.2"}),
              (std::vector<P>{{5, 0}, {18, 0}}));
    EXPECT_TRUE(t.awaitingRemote());
    EXPECT_EQ(t.quiet(), (std::vector<P>{{8192, 0}}));
    EXPECT_TRUE(t.quiet().empty());
    EXPECT_TRUE(t.line("remote IP address 10.0.0.1").empty()); // late, and already counted
    EXPECT_EQ(t.exited(16), (std::vector<P>{{8193, 0}}));

    // pppd prints the local address only once the interface is configured: an end right after it was a link.
    PppdTranscript ended;
    feed(ended, {"local  IP address 10.0.0.2"});
    EXPECT_EQ(ended.exited(5), (std::vector<P>{{8192, 0}, {8193, 0}}));
}

TEST(PppdTranscript, AnEndBeforeTheLinkIsUpIsNeverASuccess) {
    for (int status = 0; status <= 30; ++status) {
        PppdTranscript silent, midway;
        feed(silent, {});
        EXPECT_NE(silent.exited(status).back().error, 0) << "silent exit " << status;
        feed(midway, {"Connect: ppp0 <--> /dev/ttyUSB0", "PAP authentication succeeded"});
        EXPECT_NE(midway.exited(status).back().error, 0) << "exit " << status;
    }
    // After progress an unknown end is unknown (silence is the port's fault: the silent-death transcript).
    PppdTranscript later, killed, crashed;
    feed(later, {"Connect: ppp0 <--> /dev/ttyUSB0"});
    EXPECT_EQ(later.exited(99), (std::vector<P>{{5, 635}}));
    // A killing signal is someone's request; a crash loses the port.
    feed(killed, {});
    EXPECT_EQ(killed.killed(SIGKILL), (std::vector<P>{{0, 631}}));
    feed(crashed, {"send (ATZ^M)"});
    EXPECT_EQ(crashed.killed(SIGSEGV), (std::vector<P>{{1, 619}}));
}

TEST(PppdTranscript, AChatTimeoutCountsAsNoAnswerOnlyAfterTheDial) {
    PppdTranscript t;
    feed(t, {"send (ATZ^M)", "expect (OK)", "ERROR^M", "alarm", "Failed", "Connect script failed"});
    EXPECT_EQ(t.exited(8), (std::vector<P>{{1, 652}}));
}

TEST(PppdTranscript, NothingCountsAfterTheEnd) {
    PppdTranscript t;
    feed(t, {"local  IP address 10.0.0.2", "remote IP address 10.0.0.1"});
    EXPECT_EQ(t.killed(SIGKILL), (std::vector<P>{{8193, 0}}));
    EXPECT_TRUE(t.line("Connection terminated.").empty());
    EXPECT_TRUE(t.exited(0).empty());
    EXPECT_EQ(t.finalError(), 0);
}

TEST(PppdTranscript, EveryCodeOfTheTableHasATextOfItsOwn) {
    for (const auto& rule : pppdErrorRules())
        EXPECT_EQ(dialErrorText(rule.error).rfind("Dial-up error", 0), std::string::npos) << rule.error;
}

} // namespace
} // namespace qv::platform
