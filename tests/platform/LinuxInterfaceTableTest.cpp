#include "platform/linux/LinuxInterfaceTable.h"

#include <gtest/gtest.h>

// Before the kernel headers, which then leave out their own copy of the interface flags.
#include <net/if.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/if_arp.h>
#include <linux/if_tun.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qv::platform {
namespace {

const InterfaceRow* findByName(const std::vector<InterfaceRow>& rows, const std::string& name) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const InterfaceRow& r) { return r.name == name; });
    return it == rows.end() ? nullptr : &*it;
}

TEST(LinuxInterfaceTableTest, LoopbackCountsWhatIsSentTo127001) {
    LinuxInterfaceTable table;
    std::vector<InterfaceRow> before, after;
    ASSERT_TRUE(table.read(before));
    const InterfaceRow* lo = findByName(before, "lo");
    ASSERT_NE(lo, nullptr);
    EXPECT_EQ(lo->description, "lo");
    EXPECT_EQ(lo->index, ::if_nametoindex("lo"));

    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(s, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof self;
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&self), sizeof self), 0);
    ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&self), &len), 0);
    const std::string payload(60'000, 'q');
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(::sendto(s, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&self), sizeof self),
                  static_cast<ssize_t>(payload.size()));
    ::close(s);

    ASSERT_TRUE(table.read(after)); // the second read goes over the socket kept open
    const InterfaceRow* lo2 = findByName(after, "lo");
    ASSERT_NE(lo2, nullptr);
    // Differences modulo 2^32, as the metering takes them; other programs may add to lo meanwhile.
    EXPECT_GE(static_cast<std::uint32_t>(lo2->inOctets - lo->inOctets), 3 * payload.size());
    EXPECT_GE(static_cast<std::uint32_t>(lo2->outOctets - lo->outOctets), 3 * payload.size());
}

// A tun switched to the PPP link type is what the kernel shows for ppp0. Needs CAP_NET_ADMIN.
TEST(LinuxInterfaceTableTest, APppTypeInterfaceIsTheDialUpRowWithItsReceivedBytes) {
    const int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/net/tun: " << std::strerror(errno);
    ifreq ifr{};
    ifr.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strcpy(ifr.ifr_name, "qvppp%d");
    if (::ioctl(fd, TUNSETIFF, &ifr) < 0 || ::ioctl(fd, TUNSETLINK, ARPHRD_PPP) < 0) {
        ::close(fd);
        GTEST_SKIP() << "cannot create a PPP-type tun (needs CAP_NET_ADMIN): " << std::strerror(errno);
    }
    const std::string name = ifr.ifr_name;
    const int ctl = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::ioctl(ctl, SIOCGIFFLAGS, &ifr), 0);
    ifr.ifr_flags |= IFF_UP;
    ASSERT_EQ(::ioctl(ctl, SIOCSIFFLAGS, &ifr), 0);
    ::close(ctl);

    // An IPv4 datagram from the "provider" (TEST-NET addresses; the stack drops it after counting).
    unsigned char packet[84] = {0x45, 0, 0, sizeof packet, 0, 0, 0, 0, 64, 17, 0, 0, 192, 0, 2, 1, 192, 0, 2, 2};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(::write(fd, packet, sizeof packet), static_cast<ssize_t>(sizeof packet));

    LinuxInterfaceTable table;
    std::vector<InterfaceRow> rows;
    ASSERT_TRUE(table.read(rows));
    ::close(fd); // the interface goes away with its descriptor
    const InterfaceRow* ppp = findByName(rows, name);
    ASSERT_NE(ppp, nullptr);
    EXPECT_EQ(ppp->description, InterfaceTable::kDialUpDescription);
    EXPECT_EQ(ppp->inOctets, 5 * sizeof packet);
}

} // namespace
} // namespace qv::platform
