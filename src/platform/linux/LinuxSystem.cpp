#include "platform/linux/LinuxSystem.h"

#include "common/OleDate.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <poll.h>
#include <pwd.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qv::platform {

double LinuxClock::now() const {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    ::localtime_r(&ts.tv_sec, &tm);
    return oleFromCivil({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                         static_cast<int>(ts.tv_nsec / 1'000'000)});
}

std::optional<std::string> LinuxUserInfo::userName() const {
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) != 0 || !found || !found->pw_name)
        return std::nullopt;
    return std::string(found->pw_name);
}

LinuxInstanceLock::~LinuxInstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string LinuxInstanceLock::socketName(const std::string& canonicalDir) {
    // FNV-1a keeps long paths within the 107 bytes of a socket name.
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : canonicalDir) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return std::string("quorvex/") + hex;
}

bool LinuxInstanceLock::acquire(const std::string& appDir) {
    if (fd_ >= 0)
        return true;
    char real[PATH_MAX];
    const std::string dir = ::realpath(appDir.c_str(), real) ? std::string(real) : appDir;
    const std::string name = socketName(dir);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true; // cannot tell: behave as the only copy, as a failed process snapshot does
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    addr.sun_path[0] = '\0';
    name.copy(addr.sun_path + 1, sizeof addr.sun_path - 2);
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
        const bool taken = errno == EADDRINUSE;
        ::close(fd);
        return !taken;
    }
    fd_ = fd;
    return true;
}

std::string LinuxProcessEnvironment::executablePath() const {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::optional<std::string> LinuxProcessEnvironment::variable(const std::string& name) const {
    const char* v = std::getenv(name.c_str());
    if (!v)
        return std::nullopt;
    return std::string(v);
}

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (signalFd_ < 0 || wakeFd_ < 0) {
        const int error = errno;
        for (int fd : {signalFd_, wakeFd_})
            if (fd >= 0)
                ::close(fd);
        throw std::system_error(error, std::generic_category(), "termination signal watcher");
    }
    watcher_ = std::thread([this] { watch(); });
}

TerminationSignals::~TerminationSignals() {
    stop();
}

void TerminationSignals::watch() {
    for (;;) {
        pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        signalfd_siginfo info{};
        if ((fds[0].revents & POLLIN) && ::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            onSignal_(static_cast<int>(info.ssi_signo));
    }
}

void TerminationSignals::stop() {
    if (!watcher_.joinable())
        return;
    const std::uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    watcher_.join();
    ::close(signalFd_);
    ::close(wakeFd_);
    signalFd_ = wakeFd_ = -1;
}

} // namespace qv::platform
