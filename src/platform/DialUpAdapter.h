#pragma once

#include <string>
#include <vector>

namespace qv::platform {

/// The dialler: phonebook entries of the system's dial-up service. UI thread only.
class DialUpAdapter {
public:
    virtual ~DialUpAdapter() = default;
    /// The phonebook entries in the system's order; 0 on success.
    virtual int GetEntries(std::vector<std::string>& entries) = 0;
};

} // namespace qv::platform
