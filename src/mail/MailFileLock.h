#pragma once

#include <atomic>
#include <functional>

namespace qv::mail {

/// `mailFileBusy`, the lock of the accounts file: set while one user (the settings dialog or a mail check thread)
/// works on the file, so that they take it in turn. One instance for the whole run, shared by both threads.
class MailFileLock final {
public:
    /// Sets the flag when it was clear, the test and the set being one atomic step. True when this call set it.
    bool tryTake();
    void release();
    bool mailFileBusy() const;

private:
    std::atomic<bool> mailFileBusy_{false};
};

/// How a user waits before trying the lock again, in milliseconds: the settings dialog keeps window messages going
/// (the event loop's pumping wait), a check thread sleeps.
using MailFileWait = std::function<void(int ms)>;

/// Holds `mailFileBusy` for one use of the file: takes it on construction, waiting in steps of 1000 ms while
/// another user holds it, and releases it on destruction, so that a failure in between still releases it.
class MailFileGuard final {
public:
    static constexpr int kWaitStepMs = 1000;

    /// Throws what `wait` throws; the lock is then not held.
    MailFileGuard(MailFileLock& lock, const MailFileWait& wait);
    ~MailFileGuard();
    MailFileGuard(const MailFileGuard&) = delete;
    MailFileGuard& operator=(const MailFileGuard&) = delete;

private:
    MailFileLock& lock_;
};

} // namespace qv::mail
