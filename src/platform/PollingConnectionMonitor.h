#pragma once

#include "common/EventLoop.h"
#include "platform/ConnectionMonitor.h"

#include <memory>
#include <optional>
#include <vector>

namespace qv::platform {

/// Where a monitor learns of active connections: the platform's listing.
class ActiveConnectionSource {
public:
    virtual ~ActiveConnectionSource() = default;
    /// Up to `max` active connections in the system's order; nothing when the listing fails.
    virtual std::optional<std::vector<ActiveConnection>> listActive(int max) = 0;
    /// Fills the client and server addresses of a connected connection.
    virtual void readAddresses(const ActiveConnection& connection, ConnectionDetails& details) = 0;
};

/// The monitor's poll on a UI-thread timer, the same for every platform: offline, the first active connection
/// decides; online lasts while a listed connection is connected. Polling is off at creation, the interval 1000 ms.
class PollingConnectionMonitor final : public ConnectionMonitor {
public:
    PollingConnectionMonitor(EventLoop& loop, ActiveConnectionSource& source);

    void setEnabled(bool on) override;
    bool enabled() const override { return timer_->enabled(); }
    void setPollInterval(int ms) override { pollInterval_ = ms; }
    int pollInterval() const override { return pollInterval_; }
    bool Online() const override { return online_; }
    bool GetConnectionInfo(ConnectionDetails& out) override;

    /// One poll, as the timer runs it.
    void poll();

private:
    static ConnectionDetails detailsOf(const ActiveConnection& c);

    ActiveConnectionSource& source_;
    std::unique_ptr<Timer> timer_;
    int pollInterval_ = 1000;
    bool online_ = false;
    ConnectionDetails last_;
};

} // namespace qv::platform
