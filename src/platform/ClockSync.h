#pragma once

#include <functional>

namespace qv::platform {

/// Sets the system clock from a time server (SNTP over UDP port 123).
class ClockSync {
public:
    virtual ~ClockSync() = default;
    /// Starts one synchronisation: ask the server, with a bounded wait for its answer, and set the clock from it.
    /// `done(true)` when the clock was set, `done(false)` for any failure (no answer, a bad answer, no right to set
    /// the clock); it runs later on the user-interface thread, never inside this call. While one runs, another
    /// start is refused (false, `done` never called).
    virtual bool start(std::function<void(bool ok)> done) = 0;
};

} // namespace qv::platform
