#pragma once

#include "common/EventLoop.h"
#include "platform/Dialogs.h"
#include "platform/ProcessRunner.h"

#include <string>

namespace qv::connection {

/// Restarts the modem's USB device with the device tool installed in "Util/", waiting for it while the window
/// stays responsive.
class ModemRestart {
public:
    ModemRestart(EventLoop& loop, platform::ProcessRunner& runner, platform::Dialogs& dialogs, std::string toolPath);

    /// Runs the tool and returns when it has ended; when it cannot be started, shows the system's text and
    /// returns after the user closed the box. The tool's own result is not examined.
    void RestartModem();

    static constexpr const char* kRestartArguments = "USB\\VID_05C6*PID_3196";

private:
    EventLoop& loop_;
    platform::ProcessRunner& runner_;
    platform::Dialogs& dialogs_;
    std::string toolPath_;
};

} // namespace qv::connection
