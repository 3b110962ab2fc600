#pragma once

#include "platform/DialUpAdapter.h"

#include <functional>
#include <string>

namespace qv::platform {

/// Watches the machine's dial-up connections (any program's) by polling, and reports the transitions. Events on
/// the UI thread.
class ConnectionMonitor {
public:
    struct Events {
        /// A poll found a connected connection while not Online.
        std::function<void(const ConnectionDetails&)> OnRasConnected;
        /// A poll found no connected connection while Online (details of the last known one).
        std::function<void(const ConnectionDetails&)> OnRasDisconnected;
        std::function<void(const ConnectionDetails&, const std::string& statusText)> OnRasStatusChanged;
    };

    virtual ~ConnectionMonitor() = default;
    Events events;

    /// True: (re)starts polling with the current PollInterval. False: stops it.
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    /// Takes effect at the next switch to enabled.
    virtual void setPollInterval(int ms) = 0;
    virtual int pollInterval() const = 0;
    virtual bool Online() const = 0;
    /// The first active connection's details; true when it is connected.
    virtual bool GetConnectionInfo(ConnectionDetails& out) = 0;
};

} // namespace qv::platform
