#pragma once

#include "common/Clock.h"
#include "common/EventLoop.h"
#include "metering/ConnectionCounters.h"
#include "metering/InterfaceCounterSampler.h"
#include "platform/Dialogs.h"
#include "platform/InterfaceTable.h"
#include "platform/PacketCapture.h"
#include "shell/Logs.h"
#include "shell/TimerSchedule.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv::metering {

/// What the packet metering needs from the shell.
struct PacketMeterServices {
    EventLoop& loop;
    shell::Logs& logs;
    const Clock& clock;
    shell::TimerSchedule& timers; ///< Timer13 is the capture start
    shell::WindowView& main;      ///< "TForm1": its status line says when capturing is not allowed
    platform::Dialogs& dialogs;
    platform::PacketCaptureFactory* captures; ///< null where the program cannot capture: nothing is counted
    platform::InterfaceTable& interfaces;
    RunningRecordSource runningRecord;
    ConnectionCounters& counters;
    /// The system's name of the current connection's interface ("ppp0"); empty when not known.
    std::function<std::string()> connectionInterface;
};

/// The packet-capture metering of a connection: Timer13 starts a capture of the dial-up adapter once the connection
/// is up, its packets are counted for the connection's client address into the running record and the connection's
/// counters, and the capture goes at the disconnection. UI thread only; the start waits (pumping) for the client
/// address, so handlers run inside it.
///
/// The adapter is the one named like the connection's interface; else, as on systems that do not name it, the first
/// one described as the dial-up adapter; else the one named like the first interface of the dial-up speed.
///
/// The client address is set by the connected handling right after Timer13 was started, so the start rarely waits;
/// when it must, the wait ends with the connection (no capture then) and after kClientIpWaitMs at most (no capture
/// for that connection either: nothing is counted, as without an adapter).
class PacketMeter final {
public:
    static constexpr int kWaitStepMs = 100;
    static constexpr int kClientIpWaitMs = 10'000;
    static constexpr std::uint64_t kDialUpBitsPerSecond = 921'600;
    /// The status line and the error log say this once per run when the program may not capture.
    static constexpr const char* kNoPermissionText =
        "Měření paketů: program nemá oprávnění zachytávat pakety (cap_net_raw), data se neměří";

    explicit PacketMeter(PacketMeterServices services);
    ~PacketMeter();
    PacketMeter(const PacketMeter&) = delete;
    PacketMeter& operator=(const PacketMeter&) = delete;

    /// Timer13's handler (one shot, 5 ms after the connected handling started it).
    void StartCaptureTick();
    /// The capture's packet handler: books each packet of a hand-over in the band of this moment.
    void CountPacket(std::span<const platform::CapturedPacket> packets);

    /// The connection's local address as dotted text ("" at the disconnection).
    void setClientIp(const std::string& ip);
    /// Stops and drops the capture and clears captureActive: at the disconnection, and wherever the program drops
    /// a capture while offline (first activation, start-up modem restart), where the flag is clear anyway. A start
    /// waiting for the client address gives up.
    void discardCapture();

    /// A capture start of the current connection is running (the connected handling waits for it). A start that
    /// gave up because its connection ended is not waited for.
    bool timer13Busy() const { return running_ > 0; }
    /// The capture start has been done for this connection.
    bool captureActive() const { return captureActive_; }
    const std::string& clientIp() const { return clientIp_; }
    /// The capture object, or null.
    platform::PacketCapture* captureInstance() const { return capture_.get(); }

private:
    struct Running;

    void startCapture();
    std::optional<int> chooseAdapter(const platform::PacketCapture& capture);
    void destroyCapture();
    void reportNoPermissionOnce(const std::string& libraryText);

    PacketMeterServices s_;
    std::unique_ptr<platform::PacketCapture> capture_;
    bool captureActive_ = false;
    std::string clientIp_;
    std::optional<std::uint32_t> client_; ///< clientIp_ as packets carry it
    std::uint64_t generation_ = 0;        ///< counts the discards: a start belongs to the generation it began in
    int running_ = 0;                     ///< starts of the current generation that are running
    bool noPermissionReported_ = false;
    std::vector<platform::InterfaceRow> rows_;
};

} // namespace qv::metering
