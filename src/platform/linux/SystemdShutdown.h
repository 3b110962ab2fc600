#pragma once

#include "platform/ProcessRunner.h"
#include "platform/Shutdown.h"

#include <memory>
#include <string>

namespace qv::platform {

/// The power-off through systemd-logind, as `systemctl poweroff` asks it: logind decides (polkit lets the user at
/// the seat power off; a refusal or other sessions in the way leave the machine running). The request runs as a
/// child of its own and is not waited for; a request still running when the next one comes is not doubled.
class SystemdShutdown final : public Shutdown {
public:
    /// `systemctl` is looked up on PATH unless it holds a '/'.
    explicit SystemdShutdown(ProcessRunner& runner, std::string systemctl = "systemctl")
        : runner_(runner), systemctl_(std::move(systemctl)) {}
    void powerOff() override;

private:
    ProcessRunner& runner_;
    std::string systemctl_;
    std::unique_ptr<ChildProcess> request_;
};

} // namespace qv::platform
