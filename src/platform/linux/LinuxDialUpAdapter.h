#pragma once

#include "platform/DialUpAdapter.h"

#include <string>

namespace qv::platform {

/// Phonebook entries are pppd peer files: every regular file in the peers directory (/etc/ppp/peers, or the
/// directory named by QUORVEX_PPP_PEERS) is one entry, listed in name order.
class LinuxDialUpAdapter final : public DialUpAdapter {
public:
    explicit LinuxDialUpAdapter(std::string peersDir) : peersDir_(std::move(peersDir)) {}
    int GetEntries(std::vector<std::string>& entries) override;

private:
    std::string peersDir_;
};

} // namespace qv::platform
