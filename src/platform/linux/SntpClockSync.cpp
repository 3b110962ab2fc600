#include "platform/linux/SntpClockSync.h"

#include "platform/linux/UniqueFd.h"

#include "platform/linux/SpawnAttributes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;
#include <utility>

namespace qv::platform {

namespace {

using namespace std::chrono;
using Steady = steady_clock;

constexpr std::size_t kPacketSize = 48;
constexpr std::size_t kOriginate = 24;
constexpr std::size_t kReceive = 32;
constexpr std::size_t kTransmit = 40;
constexpr std::int64_t kUnixToNtp = 2'208'988'800; // seconds from 1900-01-01 to 1970-01-01
constexpr std::int64_t kEra = std::int64_t{1} << 32;

using Fd = UniqueFd;

std::uint64_t readBig(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | p[i];
    return v;
}

void writeBig(unsigned char* p, std::uint64_t v) {
    for (int i = 7; i >= 0; --i) {
        p[i] = static_cast<unsigned char>(v);
        v >>= 8;
    }
}

/// Nanoseconds since 1970 as an NTP timestamp (32.32 fixed point from 1900, era kept modulo 2^32).
std::uint64_t toNtp(std::int64_t unixNs) {
    const std::int64_t seconds = unixNs / 1'000'000'000 + kUnixToNtp;
    const std::int64_t ns = unixNs % 1'000'000'000;
    const auto fraction = (static_cast<std::uint64_t>(ns) << 32) / 1'000'000'000; // below 2^62: no overflow
    return static_cast<std::uint64_t>(seconds) << 32 | fraction;
}

/// An NTP timestamp as nanoseconds since 1970. A clear top bit is read as the era that starts in 2036 (RFC 4330,
/// section 3), which keeps the years 1968 to 2104 apart.
std::int64_t fromNtp(std::uint64_t ntp) {
    std::int64_t seconds = static_cast<std::int64_t>(ntp >> 32);
    if ((ntp >> 63) == 0)
        seconds += kEra;
    const auto fraction = ntp & 0xffffffffu;
    const auto ns = static_cast<std::int64_t>((fraction * 1'000'000'000) >> 32);
    return (seconds - kUnixToNtp) * 1'000'000'000 + ns;
}

std::int64_t unixNs(system_clock::time_point t) {
    return duration_cast<nanoseconds>(t.time_since_epoch()).count();
}

/// A name lookup that may outlive the wait for it: the thread that runs getaddrinfo owns a share of this, and
/// whoever lets go last frees the answer.
struct Lookup {
    Fd done{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::mutex mutex;
    addrinfo* list = nullptr;
    ~Lookup() {
        if (list)
            ::freeaddrinfo(list);
    }
};

struct AddrInfoFree {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using AddrList = std::unique_ptr<addrinfo, AddrInfoFree>;

/// How many milliseconds are left until `deadline`, 0 at the latest.
int msLeft(Steady::time_point deadline) {
    return static_cast<int>(std::max<std::int64_t>(0, duration_cast<milliseconds>(deadline - Steady::now()).count()));
}

/// Waits for `fd` to be readable; false when the deadline passed or `stopFd` woke the wait first.
bool waitReadable(int fd, int stopFd, Steady::time_point deadline) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int n = ::poll(fds, stopFd >= 0 ? 2 : 1, msLeft(deadline));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || (stopFd >= 0 && (fds[1].revents & POLLIN)))
            return false;
        return true;
    }
}

AddrList resolve(const std::string& host, std::uint16_t port, int stopFd, Steady::time_point deadline) {
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0)
        return AddrList(list); // an address: nothing to wait for

    // A name: the resolver's own waits (resolv.conf's timeout × attempts) can be far longer than ours.
    auto lookup = std::make_shared<Lookup>();
    if (lookup->done.get() < 0)
        return nullptr;
    hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    std::thread([lookup, host, service, hints] {
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0)
            found = nullptr;
        {
            const std::lock_guard hold(lookup->mutex);
            lookup->list = found;
        }
        const std::uint64_t one = 1;
        (void)!::write(lookup->done.get(), &one, sizeof one);
    }).detach();
    if (!waitReadable(lookup->done.get(), stopFd, deadline))
        return nullptr;
    const std::lock_guard hold(lookup->mutex);
    return AddrList(std::exchange(lookup->list, nullptr));
}

/// A UDP socket connected to the first of `list` that can be reached from here; -1 when none can.
int connectedSocket(const addrinfo* list) {
    for (const addrinfo* a = list; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        // Connected: only this peer's datagrams reach us, and its ICMP refusal comes back as an error.
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0)
            return fd;
        ::close(fd);
    }
    return -1;
}

/// Whether a reply that echoes our request is one to set the clock from.
bool usable(const unsigned char* reply) {
    const int leap = reply[0] >> 6;
    const int version = reply[0] >> 3 & 7;
    const int mode = reply[0] & 7;
    const int stratum = reply[1];
    return leap != 3 && version >= 1 && mode == 4 && stratum >= 1 && stratum <= 15 && readBig(reply + kTransmit) != 0;
}

} // namespace

std::optional<std::pair<std::string, std::uint16_t>> SntpClockSync::parseServer(const std::string& text) {
    std::string host = text;
    std::string port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            port = rest.substr(1);
            if (port.empty())
                return std::nullopt;
        }
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        host = text.substr(0, text.find(':'));
        port = text.substr(text.find(':') + 1);
        if (port.empty())
            return std::nullopt;
    } // more than one colon: an IPv6 address without a port
    if (host.empty() || host.find_first_of(" \t\r\n") != std::string::npos)
        return std::nullopt;
    if (port.empty())
        return std::pair{host, kDefaultPort};
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int number = std::stoi(port);
    if (number < 1 || number > 65535)
        return std::nullopt;
    return std::pair{host, static_cast<std::uint16_t>(number)};
}

SntpClockSync::Options SntpClockSync::Options::fromEnvironment(const ProcessEnvironment& env) {
    Options options;
    if (const auto text = env.variable(kServerVariable); text && !text->empty())
        if (const auto server = parseServer(*text)) {
            options.host = server->first;
            options.port = server->second;
        }
    return options;
}

SntpClockSync::SntpClockSync(EventLoop& loop, Options options)
    : loop_(loop), options_(std::move(options)), stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      alive_(std::make_shared<bool>(true)) {
    if (!options_.setClock)
        options_.setClock = [stopFd = stopFd_](TimePoint time) {
            if (setSystemClock(time))
                return true;
            return errno == EPERM && askTimedated(time - system_clock::now(), stopFd);
        };
}

SntpClockSync::~SntpClockSync() {
    *alive_ = false;
    const std::uint64_t one = 1;
    (void)!::write(stopFd_, &one, sizeof one);
    if (thread_.joinable())
        thread_.join();
    ::close(stopFd_);
}

bool SntpClockSync::start(std::function<void(bool ok)> done) {
    if (running_)
        return false;
    if (thread_.joinable())
        thread_.join(); // the last run's thread: it has posted its outcome and is ending
    running_ = true;
    thread_ = std::thread([this, done = std::move(done), alive = alive_] {
        const auto offset = queryOffset(options_.host, options_.port, options_.timeoutMs, stopFd_);
        bool ok = false;
        if (offset)
            ok = options_.setClock(time_point_cast<system_clock::duration>(system_clock::now() + *offset));
        loop_.post([this, done, alive, ok] {
            if (!*alive)
                return;
            running_ = false;
            if (done)
                done(ok);
        });
    });
    return true;
}

std::optional<nanoseconds> SntpClockSync::queryOffset(const std::string& host, std::uint16_t port, int timeoutMs,
                                                      int stopFd) {
    const auto deadline = Steady::now() + milliseconds(std::max(timeoutMs, 0));
    const AddrList addresses = resolve(host, port, stopFd, deadline);
    if (!addresses)
        return std::nullopt;
    const Fd sock(connectedSocket(addresses.get()));
    if (sock.get() < 0)
        return std::nullopt;

    std::array<unsigned char, kPacketSize> request{};
    request[0] = 0 << 6 | 4 << 3 | 3; // no leap warning, version 4, client
    // The transmit time comes back as the originate time; random low bits of its fraction (below 16 µs) make it
    // one that a stale or forged answer cannot guess.
    std::random_device random;
    const auto t1 = system_clock::now();
    const auto sentAt = Steady::now();
    const std::uint64_t transmit = (toNtp(unixNs(t1)) & ~std::uint64_t{0xffff}) | (random() & 0xffff);
    writeBig(request.data() + kTransmit, transmit);
    if (::send(sock.get(), request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        return std::nullopt;

    std::array<unsigned char, 512> reply{};
    for (;;) {
        if (!waitReadable(sock.get(), stopFd, deadline))
            return std::nullopt;
        const ssize_t got = ::recv(sock.get(), reply.data(), reply.size(), 0);
        const auto receivedAt = Steady::now();
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return std::nullopt; // refused: nothing serves time there
        }
        if (static_cast<std::size_t>(got) < kPacketSize || readBig(reply.data() + kOriginate) != transmit)
            continue; // not the answer to this request
        if (!usable(reply.data()))
            return std::nullopt;
        // T4 from T1 and the steady clock: a clock step during the exchange does not distort it.
        const std::int64_t t1ns = unixNs(t1);
        const std::int64_t t4ns = t1ns + duration_cast<nanoseconds>(receivedAt - sentAt).count();
        const std::int64_t t2ns = fromNtp(readBig(reply.data() + kReceive));
        const std::int64_t t3ns = fromNtp(readBig(reply.data() + kTransmit));
        return nanoseconds(((t2ns - t1ns) + (t3ns - t4ns)) / 2);
    }
}

bool SntpClockSync::setSystemClock(TimePoint time) {
    const std::int64_t ns = unixNs(time);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    return ::clock_settime(CLOCK_REALTIME, &ts) == 0;
}

bool SntpClockSync::askTimedated(nanoseconds offset, int stopFd, int boundMs) {
    const auto usec = duration_cast<microseconds>(offset).count();
    // "--": a negative offset is an argument, not an option.
    std::vector<std::string> args = {"busctl",
                                     "call",
                                     "--system",
                                     "--",
                                     "org.freedesktop.timedate1",
                                     "/org/freedesktop/timedate1",
                                     "org.freedesktop.timedate1",
                                     "SetTime",
                                     "xbb",
                                     std::to_string(usec),
                                     "true",  // relative to the clock when timedated sets it
                                     "true"}; // interactive: polkit may ask the user
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    initCleanSignalAttributes(attr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;

    const auto deadline = Steady::now() + milliseconds(std::max(boundMs, 0));
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0 && errno != EINTR)
            return false;
        const int left = msLeft(deadline);
        pollfd stop{stopFd, POLLIN, 0};
        if (left == 0 || ::poll(&stop, stopFd >= 0 ? 1 : 0, std::min(left, 20)) > 0) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
    }
}

} // namespace qv::platform
