#pragma once

#include "platform/DialUpAdapter.h"

#include <string>
#include <vector>

namespace qv::platform {

/// The simulated line's phonebook: runs anywhere without privileges. It starts with one demo entry.
class SimDialUpAdapter final : public DialUpAdapter {
public:
    SimDialUpAdapter();
    int GetEntries(std::vector<std::string>& entries) override;

private:
    std::vector<std::string> phonebook_;
};

} // namespace qv::platform
