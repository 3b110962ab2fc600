#pragma once

#include <functional>
#include <string>

namespace qv::platform {

/// ICMP echo requests. The outcome arrives later on the UI thread, so the UI thread never blocks on a ping.
class IcmpEcho {
public:
    struct Request {
        std::string host;
        int dataBytes = 56;
        int ttl = 64;
        int timeoutMs = 3500;
        /// The interface the echo must leave and come back by, so that it tests that link even where another
        /// route reaches the host; empty = wherever the routes send it. Implementations without interfaces
        /// ignore it.
        std::string interfaceName;
    };
    /// `answers` is the number of echo replies received (0 on time-out or any failure); `roundTripMs` the time of
    /// the first reply.
    using Done = std::function<void(int answers, int roundTripMs)>;

    virtual ~IcmpEcho() = default;
    virtual void send(const Request& request, Done done) = 0;
};

} // namespace qv::platform
