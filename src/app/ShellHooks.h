#pragma once

#include "shell/CallHook.h"

#include <cstdint>
#include <functional>
#include <string>

namespace qv::app {

/// Steps of the application shell whose work belongs to other subsystems. Each is called at its place in the
/// shell's sequences; an unset hook does nothing.
struct ShellHooks {
    // Creation step.
    std::function<void()> checkStatisticsFormat; ///< statistics file of another format is removed
    std::function<void()> findModemPort;         ///< the modem's AT port
    std::function<void()> loadExternalApps;      ///< the user's external application rules
    // First activation.
    std::function<void()> purgeStatistics; ///< when old records are to be removed
    std::function<void()> discardPacketCapture;
    // Minimise while connected with the floating window in use.
    std::function<void()> showFloatingWindowOnTop;
    // "Ukončit": the running record is cut and appended (only called while connected).
    std::function<void()> saveRunningRecord;
};

} // namespace qv::app
