#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qv::app {

/// Steps of the application shell whose work belongs to other subsystems. Each is called at its place in the
/// shell's sequences; an unset hook does nothing.
struct ShellHooks {
    // Creation step.
    std::function<void()> connectionMonitorOn;   ///< monitor polling on, 1000 ms
    std::function<void()> checkStatisticsFormat; ///< statistics file of another format is removed
    std::function<void()> findModemPort;         ///< the modem's AT port
    std::function<void()> loadExternalApps;      ///< the user's external application rules
    // First activation.
    std::function<void()> purgeStatistics;       ///< when old records are to be removed
    std::function<void()> discardPacketCapture;
    // Every activation.
    std::function<void()> fillAndSelectAccounts;
    // Minimise while connected with the floating window in use.
    std::function<void()> showFloatingWindowOnTop;
    // Second start while offline: dial the selected account.
    std::function<void()> dialSelectedAccount;
    // "Ukončit": the running record is cut and appended (only called while connected).
    std::function<void()> saveRunningRecord;
    // "Ukončit a odpojit": hang up this connection handle.
    std::function<void(std::uint32_t handle)> hangUp;
};

/// Calls a hook when it is set.
template <class Hook, class... Args>
void callHook(const Hook& hook, Args&&... args) {
    if (hook)
        hook(std::forward<Args>(args)...);
}

} // namespace qv::app
