#pragma once

#include "platform/InterfaceTable.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv::platform {

/// The interface table from rtnetlink: one RTM_GETLINK dump per read, with the kernel's 64-bit counters
/// (IFLA_STATS64) cut to 32 bits. getifaddrs is no use here: it gives no link statistics for ppp interfaces and
/// its counters wrap at 32 bits on their own. The netlink socket stays open between reads.
class LinuxInterfaceTable final : public InterfaceTable {
public:
    LinuxInterfaceTable() = default;
    ~LinuxInterfaceTable() override;
    LinuxInterfaceTable(const LinuxInterfaceTable&) = delete;
    LinuxInterfaceTable& operator=(const LinuxInterfaceTable&) = delete;

    bool read(std::vector<InterfaceRow>& rows) override;

private:
    bool open();
    void close();

    int fd_ = -1;
    std::uint32_t seq_ = 0;
    std::vector<std::byte> buffer_;
};

} // namespace qv::platform
