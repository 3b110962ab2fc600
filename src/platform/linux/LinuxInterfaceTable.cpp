#include "platform/linux/LinuxInterfaceTable.h"

#include <cerrno>
#include <cstring>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace qv::platform {

namespace {

// Big enough for a dump datagram of the kernel (at most 32 KB unless the reader asks for more); a larger one
// fails the read and the buffer grows for the next.
constexpr std::size_t kInitialBuffer = 64 * 1024;

/// How far one datagram of a link dump's answer took the reading.
enum class LinkDumpStatus { More, Done, Failed };

InterfaceRow rowOf(const ifinfomsg& link, const rtattr* attr, int attrLen) {
    InterfaceRow row;
    bool have64 = false;
    for (; RTA_OK(attr, attrLen); attr = RTA_NEXT(attr, attrLen)) {
        const auto* payload = static_cast<const char*>(RTA_DATA(attr));
        const std::size_t size = RTA_PAYLOAD(attr);
        switch (attr->rta_type) {
        case IFLA_IFNAME:
            row.name.assign(payload, ::strnlen(payload, size));
            break;
        case IFLA_STATS64:
            if (size >= sizeof(rtnl_link_stats64)) {
                // The attribute is only 4-byte aligned.
                rtnl_link_stats64 s;
                std::memcpy(&s, payload, sizeof s);
                row.inOctets = static_cast<std::uint32_t>(s.rx_bytes);
                row.outOctets = static_cast<std::uint32_t>(s.tx_bytes);
                have64 = true;
            }
            break;
        case IFLA_STATS:
            if (!have64 && size >= sizeof(rtnl_link_stats)) {
                rtnl_link_stats s;
                std::memcpy(&s, payload, sizeof s);
                row.inOctets = s.rx_bytes;
                row.outOctets = s.tx_bytes;
            }
            break;
        default:
            break;
        }
    }
    row.description = link.ifi_type == ARPHRD_PPP ? InterfaceTable::kDialUpDescription : row.name;
    row.index = link.ifi_index > 0 ? static_cast<std::uint32_t>(link.ifi_index) : 0;
    return row;
}

/// Appends a row for each link message of `seq` in one received datagram; messages of other sequence numbers
/// (late answers to an abandoned read) are skipped.
LinkDumpStatus appendLinkRows(const std::byte* data, std::size_t size, std::uint32_t seq,
                              std::vector<InterfaceRow>& rows) {
    // NLMSG_OK wants an int length; a datagram never comes near its limit.
    int left = static_cast<int>(size);
    for (auto* msg = reinterpret_cast<const nlmsghdr*>(data); NLMSG_OK(msg, left); msg = NLMSG_NEXT(msg, left)) {
        if (msg->nlmsg_seq != seq)
            continue;
        switch (msg->nlmsg_type) {
        case NLMSG_DONE:
            return LinkDumpStatus::Done;
        case NLMSG_ERROR:
            return LinkDumpStatus::Failed;
        case RTM_NEWLINK: {
            if (msg->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
                return LinkDumpStatus::Failed;
            const auto* link = static_cast<const ifinfomsg*>(NLMSG_DATA(msg));
            const int attrLen = static_cast<int>(msg->nlmsg_len - NLMSG_LENGTH(sizeof(ifinfomsg)));
            rows.push_back(rowOf(*link, IFLA_RTA(link), attrLen));
            break;
        }
        default:
            break;
        }
    }
    return LinkDumpStatus::More;
}

} // namespace

LinuxInterfaceTable::~LinuxInterfaceTable() {
    close();
}

bool LinuxInterfaceTable::open() {
    if (fd_ >= 0)
        return true;
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0)
        return false;
    // The kernel always answers a dump; the time-out only keeps a broken socket from hanging the UI thread.
    const timeval timeout{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (buffer_.empty())
        buffer_.resize(kInitialBuffer);
    return true;
}

void LinuxInterfaceTable::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool LinuxInterfaceTable::read(std::vector<InterfaceRow>& rows) {
    rows.clear();
    if (!open())
        return false;

    struct {
        nlmsghdr header;
        ifinfomsg link;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = ++seq_;
    request.link.ifi_family = AF_UNSPEC;

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
        sent = ::sendto(fd_, &request, request.header.nlmsg_len, 0, reinterpret_cast<const sockaddr*>(&kernel),
                        sizeof kernel);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        close();
        return false;
    }

    for (;;) {
        iovec io{buffer_.data(), buffer_.size()};
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        const ssize_t n = ::recvmsg(fd_, &msg, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || (msg.msg_flags & MSG_TRUNC)) {
            if (n > 0)
                buffer_.resize(buffer_.size() * 2);
            // The rest of this dump may still be queued: a fresh socket starts clean.
            close();
            rows.clear();
            return false;
        }
        switch (appendLinkRows(buffer_.data(), static_cast<std::size_t>(n), seq_, rows)) {
        case LinkDumpStatus::More:
            break;
        case LinkDumpStatus::Done:
            return true;
        case LinkDumpStatus::Failed:
            close();
            rows.clear();
            return false;
        }
    }
}

} // namespace qv::platform
