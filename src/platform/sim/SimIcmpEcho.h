#pragma once

#include "common/EventLoop.h"
#include "platform/IcmpEcho.h"
#include "platform/sim/SimLine.h"

#include <cstdint>
#include <list>
#include <memory>

namespace qv::platform {

/// Echo requests over the demo line: while the line is up (and the control file does not silence it) one reply
/// comes after kRoundTripMs; otherwise no answer once the request's time-out has passed. The outcome always
/// arrives later from a loop timer, never inside send. The request's interface is not looked at: the line is the
/// only way out. The line must outlive this object.
class SimIcmpEcho final : public IcmpEcho {
public:
    static constexpr int kRoundTripMs = 40;

    SimIcmpEcho(EventLoop& loop, SimLine& line) : loop_(loop), line_(line) {}
    SimIcmpEcho(const SimIcmpEcho&) = delete;
    SimIcmpEcho& operator=(const SimIcmpEcho&) = delete;

    void send(const Request& request, Done done) override;

private:
    struct Pending {
        std::unique_ptr<Timer> timer;
        Done done;
        std::uint32_t connection = 0; ///< the line's connection when sent
        int timeoutLeftMs = 0;        ///< what is left of the time-out once the reply time has passed
    };
    using Iterator = std::list<Pending>::iterator;

    void onTimer(Iterator it);

    EventLoop& loop_;
    SimLine& line_;
    std::list<Pending> pending_; ///< requests in flight, each with its own one-shot timer
};

} // namespace qv::platform
