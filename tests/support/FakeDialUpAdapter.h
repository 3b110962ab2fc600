#pragma once

#include "platform/DialTexts.h"
#include "platform/DialUpAdapter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv::test {

/// A scripted dialler: the test owns the phonebook, sees every call and delivers progress when it wants.
class FakeDialUpAdapter final : public platform::DialUpAdapter {
public:
    std::vector<platform::EntryDefinition> phonebook;
    std::vector<platform::ActiveConnection> active;
    int dialResult = 0;
    int hangUpResult = 0;
    std::function<void(std::uint32_t)> onHangUp; ///< runs inside HangUp (a hang-up that takes its time)
    std::vector<std::string> dials;              ///< Entry at each Dial
    std::vector<std::uint32_t> hangUps;
    std::vector<std::string> calls; ///< "SetUserName:x", "SetPassword:y", "DeleteEntry:z" …
    std::uint32_t nextHandle = 0x100;

    void setPhonebook(const std::vector<std::string>& names) {
        phonebook.clear();
        for (const auto& n : names)
            phonebook.push_back({n, "#777", "/dev/ttyUSB0", "", ""});
    }
    /// Delivers one progress notification as the adapter does.
    void progress(int state, int error = 0) {
        if (events.OnAsyncEvent)
            events.OnAsyncEvent(state, error, platform::dialProgressText(state, error));
    }

    int GetEntries() override {
        entries_.clear();
        for (const auto& e : phonebook) {
            entries_.push_back(e.name);
            if (events.OnEntryGet)
                events.OnEntryGet(e.name);
        }
        return 0;
    }
    int Dial() override {
        dials.push_back(Entry);
        if (events.OnDialing)
            events.OnDialing();
        if (dialResult != 0) {
            if (events.OnError)
                events.OnError(dialResult, platform::dialErrorText(dialResult)); // refused at once
            return dialResult;
        }
        handle_ = nextHandle++;
        return 0;
    }
    int HangUp(std::uint32_t handle) override {
        hangUps.push_back(handle);
        if (onHangUp)
            onHangUp(handle);
        return handle == 0 ? platform::dialerror::kInvalidHandle : hangUpResult;
    }
    int GetActiveConnections() override {
        for (const auto& c : active)
            if (events.OnActiveConnection)
                events.OnActiveConnection(c, platform::dialStateText(c.state, platform::DialLanguage::English));
        return 0;
    }
    std::uint32_t connectionHandle() const override { return handle_; }
    int ReadEntry(platform::EntryDefinition& out) override {
        auto* e = find();
        if (!e)
            return platform::dialerror::kCannotFindEntry;
        out = *e;
        return 0;
    }
    int CreateEntry(const platform::EntryDefinition& entry) override {
        calls.push_back("CreateEntry:" + entry.name);
        phonebook.push_back(entry);
        return 0;
    }
    int EditEntry(const platform::EntryDefinition& entry) override {
        calls.push_back("EditEntry:" + Entry);
        auto* e = find();
        if (!e)
            return platform::dialerror::kCannotFindEntry;
        *e = entry;
        return 0;
    }
    int DeleteEntry() override {
        calls.push_back("DeleteEntry:" + Entry);
        std::erase_if(phonebook, [&](const auto& e) { return e.name == Entry; });
        return 0;
    }
    int GetUserName(std::string& out) override {
        auto* e = find();
        out = e ? e->userName : "";
        return e ? 0 : platform::dialerror::kCannotFindEntry;
    }
    int GetPassword(std::string& out) override {
        auto* e = find();
        out = e ? e->password : "";
        return e ? 0 : platform::dialerror::kCannotFindEntry;
    }
    int SetUserName(const std::string& v) override {
        calls.push_back("SetUserName:" + v);
        if (auto* e = find())
            e->userName = v;
        return 0;
    }
    int SetPassword(const std::string& v) override {
        calls.push_back("SetPassword:" + v);
        if (auto* e = find())
            e->password = v;
        return 0;
    }

private:
    platform::EntryDefinition* find() {
        for (auto& e : phonebook)
            if (e.name == Entry)
                return &e;
        return nullptr;
    }
    std::uint32_t handle_ = 0;
};

} // namespace qv::test
