#include "platform/PollingConnectionMonitor.h"

#include "platform/DialTexts.h"

#include <algorithm>

namespace qv::platform {

namespace {
constexpr int kMonitorRoom = 8;
}

PollingConnectionMonitor::PollingConnectionMonitor(EventLoop& loop, ActiveConnectionSource& source)
    : source_(source), timer_(loop.createTimer(1000, false, [this] { poll(); })) {}

void PollingConnectionMonitor::setEnabled(bool on) {
    if (on) {
        timer_->stop(); // a switch to on restarts the period with the interval of the moment
        timer_->setInterval(pollInterval_);
        timer_->start();
    } else {
        timer_->stop();
    }
}

ConnectionDetails PollingConnectionMonitor::detailsOf(const ActiveConnection& c) {
    ConnectionDetails d;
    d.handle = c.handle;
    d.entryName = c.entryName;
    d.deviceType = c.deviceType;
    d.deviceName = c.deviceName;
    return d;
}

bool PollingConnectionMonitor::GetConnectionInfo(ConnectionDetails& out) {
    const auto list = source_.listActive(kMonitorRoom);
    if (!list || list->empty())
        return false;
    const ActiveConnection& first = list->front();
    out = detailsOf(first);
    if (first.state != dialstate::kConnected)
        return false;
    source_.readAddresses(first, out);
    return true;
}

void PollingConnectionMonitor::poll() {
    const auto list = source_.listActive(kMonitorRoom);
    if (!list) {
        online_ = false;
        return;
    }
    if (!online_) {
        if (list->empty())
            return;
        const ActiveConnection& first = list->front();
        ConnectionDetails details = detailsOf(first);
        if (first.state == dialstate::kConnected) {
            online_ = true;
            source_.readAddresses(first, details);
            last_ = details;
            if (events.OnRasConnected)
                events.OnRasConnected(details);
        }
        if (events.OnRasStatusChanged)
            events.OnRasStatusChanged(details, dialStateText(first.state, DialLanguage::English));
        return;
    }
    // Online lasts while a listed connection is connected. A connection listed in another state has lost its link:
    // a pppd that outlives it (persist) stays listed while its interface is gone, and its next link is a new
    // connection.
    const auto isUp = [](const ActiveConnection& c) { return c.state == dialstate::kConnected; };
    auto up = std::find_if(list->begin(), list->end(),
                           [&](const ActiveConnection& c) { return isUp(c) && c.handle == last_.handle; });
    if (up == list->end())
        up = std::find_if(list->begin(), list->end(), isUp);
    if (up == list->end()) {
        online_ = false;
        if (events.OnRasDisconnected)
            events.OnRasDisconnected(last_);
        return;
    }
    // Keep the addresses learnt at connect time for the disconnected report.
    if (up->handle != last_.handle)
        last_ = detailsOf(*up);
}

} // namespace qv::platform
