#pragma once

#include "platform/DialUpAdapter.h"

#include <string>
#include <vector>

namespace qv::test {

/// A phonebook the test sets.
class FakeDialUpAdapter final : public platform::DialUpAdapter {
public:
    std::vector<std::string> phonebook;
    int GetEntries(std::vector<std::string>& entries) override {
        entries = phonebook;
        return 0;
    }
};

} // namespace qv::test
