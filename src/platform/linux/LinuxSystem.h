#pragma once

#include "common/Clock.h"
#include "platform/DialUpAdapter.h"
#include "platform/InstanceLock.h"
#include "platform/ProcessEnvironment.h"
#include "platform/UserInfo.h"

#include <functional>
#include <string>
#include <thread>

namespace qv::platform {

/// Local time from the system clock and time zone.
class LinuxClock final : public Clock {
public:
    double now() const override;
};

/// getpwuid(geteuid()).
class LinuxUserInfo final : public UserInfo {
public:
    std::optional<std::string> userName() const override;
};

/// An abstract Unix socket named after the canonical application directory: the kernel releases it when the
/// process ends in any way, and it needs no writable file.
class LinuxInstanceLock final : public InstanceLock {
public:
    ~LinuxInstanceLock() override;
    bool acquire(const std::string& appDir) override;
    /// The abstract socket name for a directory (without the leading NUL).
    static std::string socketName(const std::string& canonicalDir);

private:
    int fd_ = -1;
};

class LinuxProcessEnvironment final : public ProcessEnvironment {
public:
    std::string executablePath() const override;
    std::optional<std::string> variable(const std::string& name) const override;
};

/// Delivers SIGTERM, SIGINT and SIGHUP as a call on a watcher thread of its own, so the handler can hand the request
/// to the UI thread. Construct it before any other thread starts, so every thread inherits the blocked mask.
class TerminationSignals final {
public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    ~TerminationSignals();

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    /// Stops the watcher and waits for it: once this returns, `onSignal` is not running and is never called again.
    /// The signals stay blocked, so one that comes later waits unhandled while the program takes itself down. Not
    /// from inside `onSignal`.
    void stop();

private:
    void watch();

    std::function<void(int)> onSignal_;
    int signalFd_ = -1;
    int wakeFd_ = -1;
    std::thread watcher_;
};

} // namespace qv::platform
