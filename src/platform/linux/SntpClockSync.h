#pragma once

#include "common/EventLoop.h"
#include "platform/ClockSync.h"
#include "platform/ProcessEnvironment.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace qv::platform {

/// Sets the system clock from one SNTP exchange (RFC 4330: version 4, client mode 3) with a time server.
///
/// Each run resolves the server, sends one request from a UDP socket connected to the first address it can reach, and
/// waits for the answer; the time-out bounds all of that, name lookup included (the lookup runs on a thread of its own
/// that is left to finish by itself when it takes too long). An answer counts only when it is a server's (mode 4),
/// echoes our transmit time as its originate time, carries a transmit time, comes from stratum 1 to 15 (0 is a
/// kiss-o'-death) and does not announce an unsynchronised clock (leap 3). Answers that echo another originate time
/// are stale or forged and are ignored; a refusal by the host (ICMP port unreachable) ends the run at once.
///
/// The clock is then set to now + the offset ((T2 − T1) + (T3 − T4)) / 2 through the clock setter, on the run's
/// thread. The default setter is clock_settime(CLOCK_REALTIME), which needs CAP_SYS_TIME (root, or
/// `setcap cap_sys_time+ep` on the program). Refused that, it asks systemd-timedated to move the clock by the offset
/// (askTimedated), where polkit may ask the user for an administrator's password; timedated refuses while automatic
/// time synchronisation is on. Any refusal fails the run. The outcome is posted to the UI thread.
class SntpClockSync final : public ClockSync {
public:
    static constexpr const char* kDefaultHost = "pool.ntp.org";
    static constexpr std::uint16_t kDefaultPort = 123;
    static constexpr int kDefaultTimeoutMs = 3000;
    /// host, host:port, [IPv6]:port or a bare IPv6 address; read by Options::fromEnvironment.
    static constexpr const char* kServerVariable = "QUORVEX_TIME_SERVER";

    using TimePoint = std::chrono::system_clock::time_point;
    /// Sets the system clock to `time`; false when refused. Runs on the run's thread.
    using ClockSetter = std::function<bool(TimePoint time)>;

    struct Options {
        std::string host = kDefaultHost;
        std::uint16_t port = kDefaultPort;
        int timeoutMs = kDefaultTimeoutMs;
        ClockSetter setClock; ///< empty: setSystemClock

        /// The defaults, with the server named in QUORVEX_TIME_SERVER when it is set and well formed.
        static Options fromEnvironment(const ProcessEnvironment& env);
    };

    /// "host", "host:port", "[v6]:port", "v6": the host and port (kDefaultPort when none); nothing when malformed.
    static std::optional<std::pair<std::string, std::uint16_t>> parseServer(const std::string& text);

    explicit SntpClockSync(EventLoop& loop) : SntpClockSync(loop, Options{}) {}
    SntpClockSync(EventLoop& loop, Options options);
    /// Wakes a run still waiting and joins its thread; its outcome is not reported.
    ~SntpClockSync() override;
    SntpClockSync(const SntpClockSync&) = delete;
    SntpClockSync& operator=(const SntpClockSync&) = delete;

    bool start(std::function<void(bool ok)> done) override;

    /// One exchange on the calling thread: the clock's offset from the server's, nothing on any failure. A readable
    /// `stopFd` ends the wait.
    static std::optional<std::chrono::nanoseconds> queryOffset(const std::string& host, std::uint16_t port,
                                                               int timeoutMs, int stopFd);
    /// clock_settime(CLOCK_REALTIME).
    static bool setSystemClock(TimePoint time);

    /// How long askTimedated waits for timedated and the user's answer to polkit's question.
    static constexpr int kAuthorisationBoundMs = 120'000;
    /// Moves the clock by `offset` through systemd-timedated's SetTime (relative, so the time the user takes to
    /// authorise does not matter), called with `busctl` from PATH. Waits at most `boundMs`; a readable `stopFd` ends
    /// the wait early. The request ends with the wait (busctl is killed). True when timedated did it.
    static bool askTimedated(std::chrono::nanoseconds offset, int stopFd, int boundMs = kAuthorisationBoundMs);

private:
    EventLoop& loop_;
    Options options_;
    int stopFd_ = -1;
    bool running_ = false;        ///< UI thread only
    std::shared_ptr<bool> alive_; ///< UI thread only: an outcome posted after the destructor is dropped
    std::thread thread_;
};

} // namespace qv::platform
