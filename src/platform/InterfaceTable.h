#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::platform {

/// One network interface with its octet counters as the metering reads them.
struct InterfaceRow {
    /// "WAN (PPP/SLIP) Interface" for a dial-up (PPP) interface, otherwise the interface's own name.
    std::string description;
    std::string name;            ///< the system's name of the interface ("ppp0", "lo")
    std::uint32_t inOctets = 0;  ///< bytes received, modulo 2^32
    std::uint32_t outOctets = 0; ///< bytes sent, modulo 2^32
    std::uint64_t speed = 0;     ///< nominal speed in bits per second; 0 when the system does not know it
    /// The system's index of the interface; a new interface under an old name gets a new one. 0 = not known.
    std::uint32_t index = 0;
};

/// The system's interface table. UI thread only; each call reads the counters as they are now.
class InterfaceTable {
public:
    static constexpr const char* kDialUpDescription = "WAN (PPP/SLIP) Interface";

    virtual ~InterfaceTable() = default;
    /// Replaces `rows` with every interface in the system's order. False when the table could not be read
    /// (`rows` is then empty).
    virtual bool read(std::vector<InterfaceRow>& rows) = 0;
};

} // namespace qv::platform
