#pragma once

#include <string>

namespace qv::platform {

/// Where the modem's AT port is, and what the numbered ports of the settings list are called on this system.
class ModemPortFinder {
public:
    virtual ~ModemPortFinder() = default;

    /// The modem's AT port as the system's device list names it, looked up when called: "COM12" where ports are
    /// numbered, a device path such as "/dev/ttyUSB2" where they are named; empty when no modem is attached.
    virtual std::string attachedTo() = 0;
    /// The device to open for the numbered port `number` (1-based: "Com1" … "Com16" of the settings list, and the
    /// numbers of "COMn" names); empty when the system has no such port.
    virtual std::string numberedPort(int number) = 0;
    /// The device to open now for a port that attachedTo() named earlier: a restart of the modem may have brought
    /// its port back under another name.
    virtual std::string currentName(const std::string& attached) = 0;
};

} // namespace qv::platform
