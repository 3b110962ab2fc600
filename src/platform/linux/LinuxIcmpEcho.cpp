#include "platform/linux/LinuxIcmpEcho.h"

#include "platform/linux/UniqueFd.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qv::platform {

namespace {

constexpr int kMaxData = 1472; // what fits one Ethernet-sized packet; the program sends 56

std::optional<in_addr> resolve(const std::string& host) {
    in_addr a{};
    if (host.empty())
        return std::nullopt;
    if (::inet_pton(AF_INET, host.c_str(), &a) == 1)
        return a;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_RAW;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list)
        return std::nullopt;
    a = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr;
    ::freeaddrinfo(list);
    return a;
}

std::uint16_t checksum(const unsigned char* data, std::size_t n) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < n; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (n % 2)
        sum += static_cast<std::uint32_t>(data[n - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

} // namespace

LinuxIcmpEcho::LinuxIcmpEcho(EventLoop& loop, Options options)
    : loop_(loop), options_(options), stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      alive_(std::make_shared<bool>(true)) {}

LinuxIcmpEcho::~LinuxIcmpEcho() {
    *alive_ = false;
    const std::uint64_t one = 1;
    (void)!::write(stopFd_, &one, sizeof one);
    for (auto& w : workers_)
        w.thread.join();
    ::close(stopFd_);
}

void LinuxIcmpEcho::send(const Request& request, Done done) {
    std::erase_if(workers_, [](Worker& w) {
        if (!w.finished->load())
            return false;
        w.thread.join();
        return true;
    });
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread t([this, request, done = std::move(done), finished, alive = alive_] {
        const auto [answers, rtt] = echoOnce(request, options_, stopFd_);
        loop_.post([done, alive, answers = answers, rtt = rtt] {
            if (*alive && done)
                done(answers, rtt);
        });
        finished->store(true);
    });
    workers_.push_back({std::move(t), std::move(finished)});
}

std::pair<int, int> LinuxIcmpEcho::echoOnce(const Request& request, Options options, int stopFd) {
    const auto target = resolve(request.host);
    if (!target)
        return {0, 0};
    bool raw = false;
    int fd = -1;
    if (options.rawSocket) {
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        raw = fd >= 0;
    }
    if (fd < 0 && options.datagramSocket)
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return {0, 0}; // no permission for either kind: a failed ping, as the check expects
    const UniqueFd sock(fd);
    // An echo meant for one link that cannot be held to it fails rather than go out by another route and report
    // that link alive. Binding needs CAP_NET_RAW for a raw socket (which has it anyway) and, for a ping socket,
    // Linux 5.7 or later; an interface that has gone fails the same way.
    if (!request.interfaceName.empty() && ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, request.interfaceName.data(),
                                                       static_cast<socklen_t>(request.interfaceName.size())) != 0)
        return {0, 0};
    const int ttl = request.ttl;
    ::setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);

    // A raw socket sees every ICMP message of the host: the id (our pid) and a sequence per request pick ours
    // out, also among this program's concurrent requests. A datagram socket's id is set by the kernel, which
    // delivers only the socket's own replies.
    static std::atomic<std::uint16_t> nextSequence{0};
    const std::uint16_t sequence = ++nextSequence;
    const std::uint16_t id = static_cast<std::uint16_t>(::getpid());
    const int dataBytes = std::clamp(request.dataBytes, 0, kMaxData);
    std::vector<unsigned char> packet(8 + static_cast<std::size_t>(dataBytes));
    packet[0] = ICMP_ECHO;
    packet[4] = static_cast<unsigned char>(id >> 8);
    packet[5] = static_cast<unsigned char>(id);
    packet[6] = static_cast<unsigned char>(sequence >> 8);
    packet[7] = static_cast<unsigned char>(sequence);
    for (int i = 0; i < dataBytes; ++i)
        packet[8 + static_cast<std::size_t>(i)] = static_cast<unsigned char>('a' + i % 23);
    const std::uint16_t sum = checksum(packet.data(), packet.size());
    packet[2] = static_cast<unsigned char>(sum >> 8);
    packet[3] = static_cast<unsigned char>(sum);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = *target;
    using Clock = std::chrono::steady_clock;
    const auto sent = Clock::now();
    if (::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0)
        return {0, 0};
    const auto deadline = sent + std::chrono::milliseconds(std::max(request.timeoutMs, 0));

    std::vector<unsigned char> buf(65536);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left < 0)
            return {0, 0};
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int n = ::poll(fds, stopFd >= 0 ? 2 : 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || (fds[1].revents & POLLIN))
            return {0, 0};
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t got = ::recvfrom(fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return {0, 0}; // an ICMP error for the datagram socket: unreachable
        }
        std::size_t offset = 0;
        if (raw) {
            if (got < 20)
                continue;
            offset = static_cast<std::size_t>(buf[0] & 0x0f) * 4; // raw sockets deliver the IP header too
        }
        if (static_cast<std::size_t>(got) < offset + 8 || from.sin_addr.s_addr != target->s_addr)
            continue;
        const unsigned char* icmp = buf.data() + offset;
        const std::uint16_t replyId = static_cast<std::uint16_t>(icmp[4] << 8 | icmp[5]);
        const std::uint16_t replySeq = static_cast<std::uint16_t>(icmp[6] << 8 | icmp[7]);
        if (icmp[0] != ICMP_ECHOREPLY || replySeq != sequence || (raw && replyId != id))
            continue;
        const auto rtt = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count();
        return {1, static_cast<int>(rtt)};
    }
}

} // namespace qv::platform
