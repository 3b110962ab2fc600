#pragma once

#include "platform/DesktopShell.h"
#include "platform/Pop3Client.h"
#include "platform/SoundPlayer.h"
#include "platform/WorkerThreads.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv::test {

/// Work waits until the test runs it, on the test's thread, in the order it was started; a pause is recorded and
/// handed to `onSleep` instead of sleeping.
class FakeWorkerThreads final : public platform::WorkerThreads {
public:
    std::deque<std::function<void()>> pending;
    std::vector<int> sleeps;
    std::function<void(int ms)> onSleep;

    void start(std::function<void()> work) override { pending.push_back(std::move(work)); }
    void sleep(int ms) override {
        sleeps.push_back(ms);
        if (onSleep)
            onSleep(ms);
    }
    /// Runs the oldest piece of work (false when there is none). What it throws ends it quietly, as on a thread.
    bool runOne() {
        if (pending.empty())
            return false;
        auto work = std::move(pending.front());
        pending.pop_front();
        try {
            work();
        } catch (...) {
        }
        return true;
    }
    /// Runs work until none is left, work started meanwhile included.
    void runAll() {
        while (runOne()) {
        }
    }
};

/// Mailboxes by "host:port": a count, or nothing for a failing one (also for every address not listed). Every
/// question is recorded; `onAsk` runs before each answer.
class ScriptedPop3Client final : public platform::Pop3Client {
public:
    std::map<std::string, std::optional<std::uint32_t>> mailboxes;
    std::vector<Mailbox> asked;
    std::vector<int> timeouts;
    std::function<void(const Mailbox&)> onAsk;

    std::optional<std::uint32_t> messageCount(const Mailbox& m, int timeoutMs) override {
        asked.push_back(m);
        timeouts.push_back(timeoutMs);
        if (onAsk)
            onAsk(m);
        const auto it = mailboxes.find(m.host + ":" + std::to_string(m.port));
        return it == mailboxes.end() ? std::nullopt : it->second;
    }
    std::vector<std::string> hostsAsked() const {
        std::vector<std::string> out;
        for (const auto& m : asked)
            out.push_back(m.host + ":" + std::to_string(m.port));
        return out;
    }
};

class RecordingSoundPlayer final : public platform::SoundPlayer {
public:
    std::vector<std::string> played;
    bool playWav(const std::string& path) override {
        played.push_back(path);
        return true;
    }
};

class RecordingDesktopShell final : public platform::DesktopShell {
public:
    std::vector<std::pair<std::string, std::string>> opened; ///< (target, working directory)
    bool open(const std::string& target, const std::string& workingDirectory) override {
        opened.emplace_back(target, workingDirectory);
        return true;
    }
};

/// The mail check's services, all scripted.
struct FakeMailServices {
    FakeWorkerThreads workers;
    ScriptedPop3Client pop3;
    RecordingSoundPlayer sound;
    RecordingDesktopShell desktop;
};

} // namespace qv::test
