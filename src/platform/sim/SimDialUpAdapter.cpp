#include "platform/sim/SimDialUpAdapter.h"

#include "platform/DialTexts.h"

#include <algorithm>

namespace qv::platform {

namespace {
constexpr std::size_t kEntriesRoom = 100;
constexpr char kReadParamsFailed[] = "GetEntryDialParams failed";
// The system's codes for an entry name that is empty or already taken.
constexpr int kInvalidName = 123;
constexpr int kEntryExists = 183;
} // namespace

SimDialUpAdapter::SimDialUpAdapter(EventLoop& loop, SimLine& line)
    : loop_(loop), line_(line), deliveryTimer_(loop.createTimer(1, false, [this] { deliverNext(); })) {
    phonebook_.push_back(EntryDefinition{"Quorvex Demo", "#777", std::string(SimLine::kInterfaceName), "demo", "demo"});
    line_.onProgress = [this](int state, int error) {
        pending_.push_back({state, error});
        if (!delivering_)
            deliveryTimer_->start();
    };
}

SimDialUpAdapter::~SimDialUpAdapter() {
    line_.onProgress = nullptr;
}

void SimDialUpAdapter::deliverNext() {
    deliveryTimer_->stop();
    if (delivering_ || pending_.empty())
        return;
    const Notification n = pending_.front();
    pending_.pop_front();
    // Held across the handler: a handler that pumps must not see the next notification nested inside it.
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(delivering_);
    if (events.OnAsyncEvent)
        events.OnAsyncEvent(n.state, n.error, dialProgressText(n.state, n.error));
    if (!pending_.empty())
        deliveryTimer_->start();
}

EntryDefinition* SimDialUpAdapter::find(const std::string& name) {
    auto it = std::find_if(phonebook_.begin(), phonebook_.end(), [&](const auto& e) { return e.name == name; });
    return it == phonebook_.end() ? nullptr : &*it;
}

int SimDialUpAdapter::GetEntries() {
    entries_.clear();
    for (const auto& e : phonebook_) {
        if (entries_.size() == kEntriesRoom)
            break;
        entries_.push_back(e.name);
        if (events.OnEntryGet)
            events.OnEntryGet(e.name);
    }
    return 0;
}

int SimDialUpAdapter::Dial() {
    if (handle_ != 0) {
        HangUp(handle_); // whatever it answers: a line still busy refuses the dial below
        handle_ = 0;
    }
    if (!find(Entry)) {
        if (events.OnError)
            events.OnError(dialerror::kCannotFindEntry, kReadParamsFailed);
        return dialerror::kCannotFindEntry;
    }
    const std::string entryName = Entry; // an OnDialing handler may change the current entry
    if (events.OnDialing)
        events.OnDialing();
    const std::uint32_t handle = line_.dial(entryName);
    if (handle == 0) {
        if (events.OnError)
            events.OnError(dialerror::kPortNotAvailable, dialErrorText(dialerror::kPortNotAvailable));
        return dialerror::kPortNotAvailable;
    }
    handle_ = handle;
    return 0;
}

int SimDialUpAdapter::HangUp(std::uint32_t handle) {
    if (!line_.hangUp(handle))
        return dialerror::kInvalidHandle;
    for (int waited = 0; line_.knows(handle); waited += kHangUpStepMs) {
        if (waited >= kHangUpLimitMs)
            return dialerror::kHangUpTimedOut;
        loop_.pumpWait(kHangUpStepMs);
    }
    if (handle_ == handle)
        handle_ = 0;
    return 0;
}

int SimDialUpAdapter::GetActiveConnections() {
    const auto list = line_.listActive(static_cast<int>(kEntriesRoom));
    if (!list)
        return dialerror::kUnknown;
    for (const auto& c : *list)
        if (events.OnActiveConnection)
            events.OnActiveConnection(c, dialProgressText(c.state, c.error));
    return 0;
}

int SimDialUpAdapter::ReadEntry(EntryDefinition& out) {
    const EntryDefinition* e = find(Entry);
    if (!e)
        return dialerror::kCannotFindEntry;
    out = *e;
    return 0;
}

int SimDialUpAdapter::CreateEntry(const EntryDefinition& entry) {
    if (entry.name.empty())
        return kInvalidName;
    if (find(entry.name))
        return kEntryExists;
    phonebook_.push_back(entry);
    return 0;
}

int SimDialUpAdapter::EditEntry(const EntryDefinition& entry) {
    EntryDefinition* e = find(Entry);
    if (!e)
        return dialerror::kCannotFindEntry;
    if (entry.name.empty())
        return kInvalidName;
    if (entry.name != Entry && find(entry.name))
        return kEntryExists;
    *e = entry; // a rename keeps the entry's place in the phonebook
    return 0;
}

int SimDialUpAdapter::DeleteEntry() {
    const auto removed = std::erase_if(phonebook_, [&](const auto& e) { return e.name == Entry; });
    return removed ? 0 : dialerror::kCannotFindEntry;
}

int SimDialUpAdapter::GetUserName(std::string& out) {
    const EntryDefinition* e = find(Entry);
    out = e ? e->userName : std::string();
    return e ? 0 : dialerror::kCannotFindEntry;
}

int SimDialUpAdapter::GetPassword(std::string& out) {
    const EntryDefinition* e = find(Entry);
    out = e ? e->password : std::string();
    return e ? 0 : dialerror::kCannotFindEntry;
}

int SimDialUpAdapter::SetUserName(const std::string& userName) {
    EntryDefinition* e = find(Entry);
    if (!e)
        return dialerror::kCannotFindEntry;
    e->userName = userName;
    return 0;
}

int SimDialUpAdapter::SetPassword(const std::string& password) {
    EntryDefinition* e = find(Entry);
    if (!e)
        return dialerror::kCannotFindEntry;
    e->password = password;
    return 0;
}

} // namespace qv::platform
