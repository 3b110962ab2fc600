#include "platform/sim/SimIcmpEcho.h"

#include <algorithm>

namespace qv::platform {

void SimIcmpEcho::send(const Request& request, Done done) {
    auto it = pending_.insert(pending_.end(), Pending{});
    it->done = std::move(done);
    it->connection = line_.handle();
    // A reply that would come after the time-out is no reply.
    const bool answered = line_.answersEcho() && request.timeoutMs > kRoundTripMs;
    it->timeoutLeftMs = answered ? request.timeoutMs - kRoundTripMs : 0;
    it->timer =
        loop_.createTimer(answered ? kRoundTripMs : std::max(request.timeoutMs, 1), true, [this, it] { onTimer(it); });
}

void SimIcmpEcho::onTimer(Iterator it) {
    it->timer->stop();
    const bool awaitingReply = it->timeoutLeftMs > 0;
    const bool replied =
        awaitingReply && line_.phase() == SimLine::Phase::Connected && line_.handle() == it->connection;
    if (awaitingReply && !replied) { // the link went down meanwhile: the request simply times out
        it->timer->setInterval(it->timeoutLeftMs);
        it->timeoutLeftMs = 0;
        it->timer->start();
        return;
    }
    Done finish = std::move(it->done);
    pending_.erase(it); // the timer goes with it; both loops cope with a timer destroyed in its own tick
    if (finish)
        finish(replied ? 1 : 0, replied ? kRoundTripMs : 0);
}

} // namespace qv::platform
