#pragma once

#include "platform/DesktopShell.h"

#include <string>
#include <vector>

namespace qv::platform {

/// A program (an executable file, or a bare name found on PATH) is spawned directly; anything else, or a program
/// that cannot be started, goes to `xdg-open`. The child gets a session of its own, a clean signal state and
/// /dev/null as input; a detached thread reaps it when it ends.
class LinuxDesktopShell final : public DesktopShell {
public:
    /// `opener` is the desktop's opener, looked up on PATH unless it holds a '/'.
    explicit LinuxDesktopShell(std::string opener = "xdg-open") : opener_(std::move(opener)) {}
    bool open(const std::string& target, const std::string& workingDirectory) override;
    /// Starts the first of kModemEditors found on PATH (a full path, never through a shell).
    bool openModemSettings() override;

    /// The system's editors of modem and dial-up connections, in the order they are tried: NetworkManager's
    /// connection editor, ModemManager's own window, then the network settings of KDE Plasma and GNOME.
    static const std::vector<std::vector<std::string>>& modemEditors();

private:
    static bool spawn(const std::vector<std::string>& argv, const std::string& workingDirectory);

    std::string opener_;
};

} // namespace qv::platform
