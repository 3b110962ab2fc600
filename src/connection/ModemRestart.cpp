#include "connection/ModemRestart.h"

namespace qv::connection {

namespace {
constexpr int kPollMs = 50;
}

ModemRestart::ModemRestart(EventLoop& loop, platform::ProcessRunner& runner, platform::Dialogs& dialogs,
                           std::string toolPath)
    : loop_(loop), runner_(runner), dialogs_(dialogs), toolPath_(std::move(toolPath)) {}

void ModemRestart::RestartModem() {
    std::string error;
    auto child = runner_.start(toolPath_, {"restart", kRestartArguments}, error);
    if (!child) {
        dialogs_.showMessage(error);
        return;
    }
    // No overall limit: a device reset takes as long as it takes, and the window keeps running meanwhile.
    while (!child->finished())
        loop_.pumpWait(kPollMs);
}

} // namespace qv::connection
