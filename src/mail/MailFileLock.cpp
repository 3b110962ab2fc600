#include "mail/MailFileLock.h"

namespace qv::mail {

bool MailFileLock::tryTake() {
    bool expected = false;
    return mailFileBusy_.compare_exchange_strong(expected, true, std::memory_order_acquire);
}

void MailFileLock::release() {
    mailFileBusy_.store(false, std::memory_order_release);
}

bool MailFileLock::mailFileBusy() const {
    return mailFileBusy_.load(std::memory_order_acquire);
}

MailFileGuard::MailFileGuard(MailFileLock& lock, const MailFileWait& wait) : lock_(lock) {
    while (!lock_.tryTake())
        wait(kWaitStepMs);
}

MailFileGuard::~MailFileGuard() {
    lock_.release();
}

} // namespace qv::mail
