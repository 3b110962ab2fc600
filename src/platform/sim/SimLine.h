#pragma once

#include "common/EventLoop.h"
#include "platform/FileSystem.h"
#include "platform/PollingConnectionMonitor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::platform {

/// How the demo line is told to misbehave: the file sim-line.conf in the application directory, lines
/// `key=value`, '#' starts a comment. Unknown keys and bad values are ignored; a missing file means all normal.
struct SimLineControl {
    int fail = 0;             ///< `fail=N`: the next dial fails with error N (0 = it succeeds)
    int dropAfterSeconds = 0; ///< `drop_after=N`: the connection drops by itself N s after it came up (0 = never)
    bool pingSilent = false;  ///< `ping=silent`: echo requests go unanswered (`ping=answer` undoes it)
    /// `mail=N`: the demo mailbox holds N messages (0 too).
    std::uint32_t mailMessages = 3;

    /// How the modem answers on its AT port: `modem=answer`, `modem=silent` (no answer at all, not even the echo),
    /// `modem=off` (it answers, reporting the radio off).
    enum class Modem { Answer, Silent, Off };
    Modem modem = Modem::Answer;
    int modemSignal = 31;  ///< `modem_signal=N`: the n of its signal reply (0 = best, 125 = none)
    int modemBattery = 80; ///< `modem_battery=N`: its battery percentage

    static SimLineControl parse(std::string_view text);
};

/// The simulated provider and modem behind the demo line: one connection at a time that dials through the usual
/// progress states with realistic delays, carries generated traffic while up and goes away shortly after a
/// hang-up. It is the active-connection listing of the sim monitor. Everything runs on the UI thread from timers
/// of the given loop, so it behaves the same way every time under a virtual loop. Nothing is sent anywhere.
class SimLine final : public ActiveConnectionSource {
public:
    enum class Phase { Idle, Dialling, Connected, HangingUp };

    static constexpr std::string_view kClientIp = "10.64.23.17";
    static constexpr std::string_view kServerIp = "10.64.0.1";
    static constexpr std::string_view kInterfaceName = "sim0";
    static constexpr std::string_view kDeviceType = "modem";
    static constexpr std::string_view kDeviceName = "Quorvex simulated USB modem";
    static constexpr std::string_view kControlFileName = "sim-line.conf";
    /// How long a connection takes to go away after a hang-up.
    static constexpr int kHangUpMs = 300;

    /// `appDir` is the application directory (ending with '/'), where the control file is looked for.
    SimLine(EventLoop& loop, FileSystem& fs, std::string appDir);
    ~SimLine() override;
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    /// Every progress notification of the dial in progress (state, error), in order, on the UI thread. The first
    /// one (state 0) runs inside dial(). After a notification with an error the line is idle again; a connection
    /// that ends by itself (drop_after) ends with (8193, 0). A hang-up ends a dial without a notification.
    std::function<void(int state, int error)> onProgress;

    /// Starts dialling `entryName`, reading the control file first. The new connection's handle, or 0 when the
    /// line already holds a connection.
    std::uint32_t dial(const std::string& entryName);
    /// Asks the line to end connection `handle` (dialling or up): false when the line does not know the handle.
    /// A dial in progress stops without further notifications. The connection goes away kHangUpMs later.
    bool hangUp(std::uint32_t handle);
    /// Whether `handle` (non-zero) is the line's connection, in any phase but idle.
    bool knows(std::uint32_t handle) const;

    /// Test hook: a stuck line accepts hang-ups but keeps the connection.
    void setStuck(bool stuck) { stuck_ = stuck; }

    Phase phase() const { return phase_; }
    /// The line's connection while not idle, with its current progress state (8192 when up, 8193 going away).
    std::optional<ActiveConnection> connection() const;
    std::uint32_t handle() const { return handle_; }
    /// The loop's tick count when the current connection came up.
    std::uint64_t connectTick() const { return connectTick_; }
    /// The control file as it is now; all normal when it is missing.
    SimLineControl readControl();
    /// Echo requests are answered: the connection is up and the control file does not silence them (read now).
    bool answersEcho();

    /// Octet counters of the simulated interface: they grow only while a connection is up, never go back, and
    /// two reads in the same millisecond give the same values.
    void counters(std::uint64_t& inOctets, std::uint64_t& outOctets) const;
    std::string interfaceName() const { return std::string(kInterfaceName); }
    std::string controlFilePath() const;

    std::optional<std::vector<ActiveConnection>> listActive(int max) override;
    void readAddresses(const ActiveConnection& connection, ConnectionDetails& details) override;

private:
    struct Step {
        int delayMs;
        int state;
        int error;
    };
    class Traffic;

    static std::vector<Step> planFor(int fail);
    void runStep();
    void becomeConnected();
    void leaveConnected();
    void becomeIdle();
    void notify(int state, int error);

    EventLoop& loop_;
    FileSystem& fs_;
    std::string appDir_;
    std::unique_ptr<Timer> stepTimer_;
    std::unique_ptr<Timer> dropTimer_;
    std::unique_ptr<Timer> hangUpTimer_;

    Phase phase_ = Phase::Idle;
    std::uint32_t handle_ = 0;
    std::uint32_t serial_ = 0;
    std::string entryName_;
    int progressState_ = 0;
    int dropAfterSeconds_ = 0;
    std::uint64_t connectTick_ = 0;
    bool stuck_ = false;
    std::vector<Step> plan_;
    std::size_t nextStep_ = 0;

    std::unique_ptr<Traffic> traffic_; ///< of the connection that is up (a cache: const reads extend its sum)
    std::uint64_t earlierIn_ = 0;      ///< octets of the connections before it
    std::uint64_t earlierOut_ = 0;
};

} // namespace qv::platform
