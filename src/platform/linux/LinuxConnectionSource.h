#pragma once

#include "platform/PollingConnectionMonitor.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::platform {

/// Where the connection source looks; tests point these at fake trees.
struct LinuxPppRoots {
    std::string runDir = "/run"; ///< pppd's pid files
    std::string procRoot = "/proc";
    std::string netRoot = "/sys/class/net";
};

/// The machine's PPP connections, for the monitor and the dialler: every running pppd known by its pid files
/// (`ppp-LINKNAME.pid`, `pppN.pid` in the run directory, each checked against /proc so a stale file left by a
/// killed pppd is skipped), and every PPP-type interface that is up without one (a link made by another program).
///
/// A pppd's connection handle is its pid; a bare interface's is kInterfaceHandleBase + its index. The state is
/// 8192 once the interface is up with an address, 4 while pppd has a unit, else 0. deviceName is the interface.
class LinuxConnectionSource final : public ActiveConnectionSource {
public:
    /// Above any pid (the kernel's limit is 2^22), so the two kinds of handle never meet.
    static constexpr std::uint32_t kInterfaceHandleBase = 0x40000000;

    using Roots = LinuxPppRoots;
    struct LinkAddresses {
        std::string local; ///< dotted
        std::string peer;  ///< dotted; empty when the link has no peer address
    };
    /// The IPv4 addresses of an interface, nothing when it has none.
    using AddressLookup = std::function<std::optional<LinkAddresses>(const std::string& interfaceName)>;

    /// Without a lookup the interface's own addresses are read (getifaddrs).
    explicit LinuxConnectionSource(Roots roots = {}, AddressLookup lookup = {});

    std::optional<std::vector<ActiveConnection>> listActive(int max) override;
    void readAddresses(const ActiveConnection& connection, ConnectionDetails& details) override;

    /// getifaddrs: the local address (ifa_addr) and, on a point-to-point link, the peer (ifa_dstaddr).
    static std::optional<LinkAddresses> interfaceAddresses(const std::string& interfaceName);

private:
    Roots roots_;
    AddressLookup lookup_;
};

} // namespace qv::platform
