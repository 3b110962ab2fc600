#pragma once

#include "platform/InterfaceTable.h"

#include <stdexcept>
#include <vector>

namespace qv::test {

/// An interface table the test scripts: loopback, and the dial-up row with the counters the test sets.
class FakeInterfaceTable final : public platform::InterfaceTable {
public:
    std::vector<platform::InterfaceRow> rows{{"lo", "lo", 7000, 7000, 10'000'000}};
    bool fails = false;  ///< the table cannot be read
    bool throws = false; ///< reading it throws
    int reads = 0;

    bool read(std::vector<platform::InterfaceRow>& out) override {
        ++reads;
        if (throws)
            throw std::runtime_error("interface table");
        out = fails ? std::vector<platform::InterfaceRow>{} : rows;
        return !fails;
    }
    /// The dial-up interface's counters from now on (the row appears when missing); `index` 0 = not known.
    void wan(std::uint32_t in, std::uint32_t out, std::uint32_t index = 0) {
        noWan();
        rows.push_back({kDialUpDescription, "ppp0", in, out, 921600, index});
    }
    void noWan() {
        std::erase_if(rows, [](const auto& r) { return r.description == kDialUpDescription; });
    }
};

} // namespace qv::test
