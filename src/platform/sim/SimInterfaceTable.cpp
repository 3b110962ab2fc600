#include "platform/sim/SimInterfaceTable.h"

namespace qv::platform {

bool SimInterfaceTable::read(std::vector<InterfaceRow>& rows) {
    rows.clear();
    rows.push_back(InterfaceRow{"lo", "lo", 0, 0, kLoopbackSpeed});
    if (line_.phase() == SimLine::Phase::Connected) {
        std::uint64_t in = 0, out = 0;
        line_.counters(in, out);
        rows.push_back(InterfaceRow{kDialUpDescription, line_.interfaceName(), static_cast<std::uint32_t>(in),
                                    static_cast<std::uint32_t>(out), kModemSpeed});
    }
    return true;
}

} // namespace qv::platform
