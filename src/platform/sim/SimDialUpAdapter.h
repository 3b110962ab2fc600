#pragma once

#include "common/EventLoop.h"
#include "platform/DialUpAdapter.h"
#include "platform/sim/SimLine.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace qv::platform {

/// The dialler of the demo line: an in-memory phonebook (starting with the entry "Quorvex Demo") that dials the
/// simulated line. Progress reaches OnAsyncEvent through a 1 ms hand-over timer, one notification per tick, never
/// while an earlier OnAsyncEvent is still running (its handler may pump and wait).
///
/// A hang-up of a dial still in progress ends it silently: no further OnAsyncEvent follows, as notifications the
/// line gave before the hang-up are still delivered. The line must outlive the adapter.
class SimDialUpAdapter final : public DialUpAdapter {
public:
    static constexpr int kHangUpStepMs = 50;
    /// A line that does not let go of a connection gets this long before HangUp gives up.
    static constexpr int kHangUpLimitMs = 10'000;

    SimDialUpAdapter(EventLoop& loop, SimLine& line);
    ~SimDialUpAdapter() override;
    SimDialUpAdapter(const SimDialUpAdapter&) = delete;
    SimDialUpAdapter& operator=(const SimDialUpAdapter&) = delete;

    int GetEntries() override;
    int Dial() override;
    int HangUp(std::uint32_t handle) override;
    int GetActiveConnections() override;
    std::uint32_t connectionHandle() const override { return handle_; }
    int ReadEntry(EntryDefinition& out) override;
    int CreateEntry(const EntryDefinition& entry) override;
    int EditEntry(const EntryDefinition& entry) override;
    int DeleteEntry() override;
    int GetUserName(std::string& out) override;
    int GetPassword(std::string& out) override;
    int SetUserName(const std::string& userName) override;
    int SetPassword(const std::string& password) override;

private:
    struct Notification {
        int state;
        int error;
    };

    EntryDefinition* find(const std::string& name);
    void deliverNext();

    EventLoop& loop_;
    SimLine& line_;
    std::vector<EntryDefinition> phonebook_; ///< in the order the entries were created
    std::uint32_t handle_ = 0;
    std::deque<Notification> pending_;
    bool delivering_ = false;
    std::unique_ptr<Timer> deliveryTimer_;
};

} // namespace qv::platform
