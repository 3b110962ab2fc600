#pragma once

#include "common/VirtualEventLoop.h"
#include "platform/ConnectionMonitor.h"
#include "platform/Dialogs.h"
#include "platform/IcmpEcho.h"
#include "platform/ProcessRunner.h"
#include "platform/Shutdown.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

/// A monitor the test drives: it reports what the test says, when the test says it.
class FakeConnectionMonitor final : public platform::ConnectionMonitor {
public:
    platform::ConnectionDetails details{0x100, "Alfa", "modem", "ttyUSB0", "10.0.0.2", "10.0.0.1", "ppp0"};
    std::vector<std::string> calls; ///< "enable:1000", "disable", "interval:2000"

    void setEnabled(bool on) override {
        enabled_ = on;
        calls.push_back(on ? "enable:" + std::to_string(interval_) : "disable");
    }
    bool enabled() const override { return enabled_; }
    void setPollInterval(int ms) override {
        interval_ = ms;
        calls.push_back("interval:" + std::to_string(ms));
    }
    int pollInterval() const override { return interval_; }
    bool Online() const override { return online_; }
    bool GetConnectionInfo(platform::ConnectionDetails& out) override {
        out = details;
        return online_;
    }
    void connect() {
        online_ = true;
        if (events.OnRasConnected)
            events.OnRasConnected(details);
    }
    void disconnect() {
        online_ = false;
        if (events.OnRasDisconnected)
            events.OnRasDisconnected(details);
    }

private:
    bool enabled_ = false;
    bool online_ = false;
    int interval_ = 1000;
};

/// Echo requests wait until the test answers them.
class FakeIcmpEcho final : public platform::IcmpEcho {
public:
    std::vector<Request> sent;
    std::deque<Done> pending;
    void send(const Request& request, Done done) override {
        sent.push_back(request);
        pending.push_back(std::move(done));
    }
    /// Answers the oldest request.
    void answer(int answers) {
        ASSERT_FALSE(pending.empty()) << "no ping outstanding";
        auto done = std::move(pending.front());
        pending.pop_front();
        done(answers, answers ? 40 : 0);
    }
};

/// Programs "run" for a set time of the virtual loop; a missing program fails to start with the system's text.
class FakeProcessRunner final : public platform::ProcessRunner {
public:
    explicit FakeProcessRunner(const VirtualEventLoop& loop) : loop_(loop) {}
    int runMs = 1500;
    std::string missingError;         ///< when set, every start fails with this text
    std::vector<std::string> started; ///< "program arg1 arg2"

    std::unique_ptr<platform::ChildProcess> start(const std::string& program, const std::vector<std::string>& args,
                                                  std::string& errorText) override {
        std::string line = program;
        for (const auto& a : args)
            line += " " + a;
        started.push_back(line);
        if (!missingError.empty()) {
            errorText = missingError;
            return nullptr;
        }
        return std::make_unique<Child>(loop_, loop_.tickCount() + static_cast<std::uint64_t>(runMs));
    }

private:
    struct Child final : platform::ChildProcess {
        Child(const VirtualEventLoop& loop, std::uint64_t end) : loop_(loop), end_(end) {}
        bool finished() override { return loop_.tickCount() >= end_; }
        const VirtualEventLoop& loop_;
        std::uint64_t end_;
    };
    const VirtualEventLoop& loop_;
};

/// Power-off requests are counted, with the loop's time of each; nothing is ever powered off.
class CountingShutdown final : public platform::Shutdown {
public:
    explicit CountingShutdown(const VirtualEventLoop& loop) : loop_(loop) {}
    std::vector<std::uint64_t> requests; ///< tickCount() at each request
    void powerOff() override { requests.push_back(loop_.tickCount()); }

private:
    const VirtualEventLoop& loop_;
};

/// Message boxes are recorded and closed at once; a Cancel box stays open for its scripted reaction.
class RecordingDialogs final : public platform::Dialogs {
public:
    std::vector<std::string> messages;
    /// The save dialog's answers in order (nothing = cancelled); a dialog with no answer left fails the test.
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<platform::SaveFileRequest> saveRequests;

    /// The boxes with a chosen icon and button, as "kind/button: text" (kind "info" or "error", button "ok", "yes"
    /// or "no"); their texts are in `messages` too.
    std::vector<std::string> boxes;

    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showMessageBox(const std::string& text, platform::MessageKind kind, platform::MessageButton button) override {
        messages.push_back(text);
        const char* k = kind == platform::MessageKind::Error ? "error" : "info";
        const char* b = button == platform::MessageButton::Yes  ? "yes"
                        : button == platform::MessageButton::No ? "no"
                                                                : "ok";
        boxes.push_back(std::string(k) + "/" + b + ": " + text);
    }
    /// What happens while each Cancel box is open, in the order the boxes open: a reaction may move the virtual
    /// loop on (as the box's own message loop does, so later boxes open inside it) and answers whether the box was
    /// closed with "Cancel". A box with no reaction left fails the test and is cancelled.
    std::deque<std::function<bool()>> cancelBoxReactions;
    std::vector<std::string> cancelBoxTitles;

    bool showCancelBox(const std::string& title, const std::string& text) override {
        messages.push_back(text);
        boxes.push_back("info/cancel: " + text);
        cancelBoxTitles.push_back(title);
        if (cancelBoxReactions.empty()) {
            ADD_FAILURE() << "unexpected Cancel box: " << text;
            return true;
        }
        auto react = std::move(cancelBoxReactions.front());
        cancelBoxReactions.pop_front();
        return react();
    }

    /// The open-file and colour dialogs' answers in order (nothing = cancelled); a dialog with no answer left fails
    /// the test.
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::uint32_t>> colorAnswers;
    std::vector<std::uint32_t> colorRequests; ///< the colour each colour dialog started on

    std::optional<std::string> askOpenFileName(const platform::OpenFileRequest&) override {
        return next(openAnswers, "open-file");
    }
    std::optional<std::uint32_t> askColor(std::uint32_t initial) override {
        colorRequests.push_back(initial);
        return next(colorAnswers, "colour");
    }
    std::optional<std::string> askSaveFileName(const platform::SaveFileRequest& request) override {
        saveRequests.push_back(request);
        if (saveAnswers.empty()) {
            ADD_FAILURE() << "unexpected save dialog";
            return std::nullopt;
        }
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }

private:
    template <class T>
    static std::optional<T> next(std::deque<std::optional<T>>& answers, const char* dialog) {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected " << dialog << " dialog";
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace qv::test
