#pragma once

#include "platform/ModemPortFinder.h"
#include "platform/SerialPort.h"

#include <string>

namespace qv::platform {

/// No modem at all: none is found, no port opens, nothing arrives. For compositions that have no modem to offer.
class AbsentModem final : public SerialPort, public ModemPortFinder {
public:
    void setPort(const std::string&) override {}
    void setLineEnd(const std::string&) override {}
    void setLineMode(bool) override {}
    bool setOpen(bool open) override { return !open; }
    bool isOpen() const override { return false; }
    bool available() override { return false; }
    bool tryOpen() override { return false; }
    bool write(const std::string&) override { return false; }
    std::string readAvailable() override { return {}; }

    std::string attachedTo() override { return {}; }
    std::string numberedPort(int) override { return {}; }
    std::string currentName(const std::string&) override { return {}; }
};

} // namespace qv::platform
