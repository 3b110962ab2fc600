#pragma once

#include <cstdint>

namespace qv::connection {

/// The connection controller's shared flags and counters, one instance for the whole run. Other subsystems
/// read them (the exit dialog, the metering, the schedules); the state machine writes them.
struct ControllerState {
    bool isConnected = false;
    bool isDialing = false;
    bool disconnectBusy = false;
    bool suppressAutoRedial = true; ///< the next disconnection is expected: no outside-disconnect redial
    bool redialArmed = true;
    bool ruleReconnectArmed = true;
    bool reconnectPending = false;
    std::uint8_t error7xxRetries = 0;
    std::uint8_t pingFailures = 0; ///< kPingCheckOff switches the ping check off
    bool pingRestartFlag = false;
    std::uint32_t rasConnHandle = 0;
    bool exitAfterDisconnect = false;

    // The modem status poll's flags: the poll sets `modemPollBusy` while it runs (the reconnect and the second-start
    // dial wait for it); the exit after a hang-up clears `modemPollAllowed` so no poll follows that disconnection.
    bool modemPollBusy = false;
    bool modemPollAllowed = true;

    // The disconnect rules' clock and download spell; zeroed by the disconnected handling.
    std::uint32_t connectedSeconds = 0;
    std::uint32_t lowDownloadSeconds = 0;
    double lowDownloadSum = 0;

    static constexpr std::uint8_t kPingCheckOff = 100;
};

} // namespace qv::connection
