#include "platform/sim/SimDialUpAdapter.h"

namespace qv::platform {

SimDialUpAdapter::SimDialUpAdapter() : phonebook_{"Quorvex Demo"} {}

int SimDialUpAdapter::GetEntries(std::vector<std::string>& entries) {
    entries = phonebook_;
    return 0;
}

} // namespace qv::platform
