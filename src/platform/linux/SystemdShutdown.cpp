#include "platform/linux/SystemdShutdown.h"

namespace qv::platform {

void SystemdShutdown::powerOff() {
    if (request_ && !request_->finished())
        return;
    std::string error;
    // --no-ask-password: polkit must not open a password prompt on the terminal the program was started from.
    request_ = runner_.start(systemctl_, {"poweroff", "--no-ask-password"}, error);
}

} // namespace qv::platform
