#include "platform/linux/LinuxIcmpEcho.h"
#include "RealTimeWait.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace qv::platform {
namespace {

using Options = LinuxIcmpEcho::Options;

bool permitted(int type) {
    const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

const IcmpEcho::Request kLoopback{"127.0.0.1", 56, 64, 3500, ""};

TEST(LinuxIcmpEcho, LoopbackAnswersOnEachPermittedSocketKind) {
    const bool raw = permitted(SOCK_RAW), dgram = permitted(SOCK_DGRAM);
    if (!raw && !dgram)
        GTEST_SKIP() << "neither a raw ICMP socket (needs CAP_NET_RAW) nor a ping socket "
                        "(net.ipv4.ping_group_range) is permitted here";
    if (raw) {
        const auto [answers, rtt] = LinuxIcmpEcho::echoOnce(kLoopback, Options{true, false}, -1);
        EXPECT_EQ(answers, 1) << "raw socket";
        EXPECT_GE(rtt, 0);
        EXPECT_LT(rtt, 3500);
    }
    if (dgram)
        EXPECT_EQ(LinuxIcmpEcho::echoOnce(kLoopback, Options{false, true}, -1).first, 1) << "datagram socket";
    else
        std::cout << "[ NOTE ] ping sockets not permitted here (ping_group_range); only the raw socket was tried\n";
}

// A request for one link's interface goes by that interface or fails; it never falls back to the routes.
TEST(LinuxIcmpEcho, ARequestBoundToAnInterfaceIsAnsweredThereOrFails) {
    for (const auto& [options, type] :
         {std::pair{Options{true, false}, SOCK_RAW}, {Options{false, true}, SOCK_DGRAM}}) {
        if (!permitted(type))
            continue;
        const char* kind = type == SOCK_RAW ? "raw socket" : "datagram socket";
        EXPECT_EQ(LinuxIcmpEcho::echoOnce({"127.0.0.1", 56, 64, 1000, "lo"}, options, -1).first, 1) << kind;
        EXPECT_EQ(LinuxIcmpEcho::echoOnce({"127.0.0.1", 56, 64, 1000, "qvnone0"}, options, -1).first, 0) << kind;
        EXPECT_EQ(LinuxIcmpEcho::echoOnce({"127.0.0.1", 56, 64, 1000, "a-name-too-long-for-linux"}, options, -1).first,
                  0)
            << kind;
    }
}

TEST(LinuxIcmpEcho, ConcurrentRequestsEachGetTheirOwnReplyOnTheUiThread) {
    if (!permitted(SOCK_RAW) && !permitted(SOCK_DGRAM))
        GTEST_SKIP() << "no ICMP socket kind permitted here";
    VirtualEventLoop loop;
    LinuxIcmpEcho echo(loop);
    std::vector<int> answers;
    const auto caller = std::this_thread::get_id();
    for (int i = 0; i < 4; ++i)
        echo.send(kLoopback, [&](int a, int) {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            answers.push_back(a);
        });
    ASSERT_TRUE(pumpUntil(loop, [&] { return answers.size() == 4; }));
    EXPECT_EQ(answers, (std::vector<int>{1, 1, 1, 1}));
}

TEST(LinuxIcmpEcho, FailuresAreZeroAnswersNeverACrash) {
    // No socket kind at all, as for a normal user on a stock system.
    EXPECT_EQ(LinuxIcmpEcho::echoOnce(kLoopback, Options{false, false}, -1), std::make_pair(0, 0));
    // A name that cannot resolve, and no name.
    EXPECT_EQ(LinuxIcmpEcho::echoOnce({"nonexistent.invalid", 56, 64, 200, ""}, Options{true, true}, -1).first, 0);
    EXPECT_EQ(LinuxIcmpEcho::echoOnce({"", 56, 64, 200, ""}, Options{true, true}, -1).first, 0);

    VirtualEventLoop loop;
    LinuxIcmpEcho echo(loop, Options{false, false});
    int calls = 0, got = -1;
    echo.send(kLoopback, [&](int a, int) {
        ++calls;
        got = a;
    });
    ASSERT_TRUE(pumpUntil(loop, [&] { return calls == 1; }));
    EXPECT_EQ(got, 0);
}

} // namespace
} // namespace qv::platform
