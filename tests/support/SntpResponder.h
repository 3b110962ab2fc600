#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

namespace qv::test {

/// A time server for tests: answers SNTP requests on a UDP port from a thread of its own, with a clock that runs
/// `offset` ahead of this machine's, in the way chosen by setAnswer. The socket is made in the constructing
/// thread's network namespace.
class SntpResponder {
public:
    enum class Answer {
        Good,
        WrongOriginate, ///< an answer to some other request
        ClientMode,     ///< mode 3 instead of 4
        KissOfDeath,    ///< stratum 0, "RATE"
        Unsynchronised, ///< leap indicator 3
        Stratum16,      ///< not synchronised to anything
        NoTransmitTime, ///< transmit timestamp 0
        StaleThenGood,  ///< a wrong-originate answer first, the right one 50 ms later
        Silent,         ///< reads the request, never answers
    };

    /// Listens on `host`:`port` (0: a free port).
    SntpResponder(const std::string& host, std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        ::inet_pton(AF_INET, host.c_str(), &a.sin_addr);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~SntpResponder() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    SntpResponder(const SntpResponder&) = delete;
    SntpResponder& operator=(const SntpResponder&) = delete;

    bool listening() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    void setAnswer(Answer answer) { answer_ = answer; }
    /// How far the server's clock runs ahead of this machine's.
    void setOffset(std::chrono::nanoseconds offset) { offsetNs_ = offset.count(); }
    int requests() const { return requests_; }
    /// The first byte of the last request (leap, version, mode).
    int lastRequestHeader() const { return lastHeader_; }

    static std::uint64_t ntpTime(std::chrono::system_clock::time_point t) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
        const auto seconds = static_cast<std::uint64_t>(ns / 1'000'000'000 + 2'208'988'800);
        const auto fraction = (static_cast<std::uint64_t>(ns % 1'000'000'000) << 32) / 1'000'000'000;
        return seconds << 32 | fraction; // modulo 2^32 seconds: the era after 2036 wraps, as on the wire
    }

private:
    using Packet = std::array<unsigned char, 48>;

    static void put(Packet& p, std::size_t at, std::uint64_t v) {
        for (int i = 7; i >= 0; --i, v >>= 8)
            p[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v);
    }
    std::uint64_t serverNow() const {
        return ntpTime(std::chrono::system_clock::now() + std::chrono::nanoseconds(offsetNs_.load()));
    }
    void serve() {
        while (!stopping_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            Packet request{};
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const auto n = ::recvfrom(fd_, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < static_cast<ssize_t>(request.size()))
                continue;
            ++requests_;
            lastHeader_ = request[0];
            const std::uint64_t received = serverNow();
            const Answer answer = answer_;
            if (answer == Answer::Silent)
                continue;
            Packet reply{};
            reply[0] = static_cast<unsigned char>((request[0] & 0x38) | 4); // leap 0, the client's version, server
            reply[1] = 2;
            reply[3] = static_cast<unsigned char>(-20);
            std::memcpy(reply.data() + 12, "LOCL", 4);
            std::memcpy(reply.data() + 24, request.data() + 40, 8); // originate = the request's transmit
            put(reply, 32, received);
            switch (answer) {
            case Answer::ClientMode:
                reply[0] = static_cast<unsigned char>((reply[0] & ~7) | 3);
                break;
            case Answer::KissOfDeath:
                reply[1] = 0;
                std::memcpy(reply.data() + 12, "RATE", 4);
                break;
            case Answer::Unsynchronised:
                reply[0] |= 0xc0;
                break;
            case Answer::Stratum16:
                reply[1] = 16;
                break;
            default:
                break;
            }
            const auto send = [&](const Packet& packet) {
                ::sendto(fd_, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
            };
            Packet other = reply;
            other[31] ^= 0x5a;
            if (answer == Answer::WrongOriginate || answer == Answer::StaleThenGood) {
                put(other, 40, serverNow());
                send(other);
                if (answer == Answer::WrongOriginate)
                    continue;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (answer != Answer::NoTransmitTime)
                put(reply, 40, serverNow());
            send(reply);
        }
    }

    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<Answer> answer_{Answer::Good};
    std::atomic<std::int64_t> offsetNs_{0};
    std::atomic<int> requests_{0};
    std::atomic<int> lastHeader_{0};
    std::thread thread_;
};

} // namespace qv::test
