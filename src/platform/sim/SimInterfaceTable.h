#pragma once

#include "platform/InterfaceTable.h"
#include "platform/sim/SimLine.h"

namespace qv::platform {

/// The interface table of the demo line: a loopback row always, and while the line's connection is up a dial-up
/// row carrying the simulated interface's counters. The line must outlive this object.
class SimInterfaceTable final : public InterfaceTable {
public:
    /// The simulated modem's serial speed, the figure a dial-up row reports.
    static constexpr std::uint64_t kModemSpeed = 921600;
    static constexpr std::uint64_t kLoopbackSpeed = 10'000'000;

    explicit SimInterfaceTable(const SimLine& line) : line_(line) {}

    bool read(std::vector<InterfaceRow>& rows) override;

private:
    const SimLine& line_;
};

} // namespace qv::platform
