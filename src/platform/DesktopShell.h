#pragma once

#include <string>

namespace qv::platform {

/// Opens programs, documents and addresses the way the desktop does, without waiting for them.
class DesktopShell {
public:
    virtual ~DesktopShell() = default;

    /// Opens `target`: a program is started, anything else (a document, a URL) goes to the desktop's opener. The
    /// started program runs in `workingDirectory` (empty: this program's own). False when nothing could be started.
    /// Returns at once; the started program is never waited for and outlives this program.
    virtual bool open(const std::string& target, const std::string& workingDirectory) = 0;

    /// Opens the system's editor of modem and dial-up connections, when one is installed. False when there is none
    /// or it could not be started; the caller tells the user so.
    virtual bool openModemSettings() { return false; }
};

} // namespace qv::platform
