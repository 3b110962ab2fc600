#include "platform/linux/LinuxSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <thread>
#include <unistd.h>

namespace qv::platform {
namespace {

// Each test runs in a process of its own (ctest): the signals it sends to itself reach no other test.

std::size_t threadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

// Takes a signal left pending by a stopped watcher, so the process does not carry it on.
bool takePending(int signal) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    const timespec now{0, 0};
    return ::sigtimedwait(&set, nullptr, &now) == signal;
}

TEST(TerminationSignalsTest, EachSignalReachesTheHandlerOnTheWatcherThread) {
    std::promise<int> first;
    std::atomic<int> calls{0};
    std::thread::id handlerThread;
    TerminationSignals watcher([&](int signal) {
        if (calls++ == 0) {
            handlerThread = std::this_thread::get_id();
            first.set_value(signal);
        }
    });
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    auto got = first.get_future();
    ASSERT_EQ(got.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(got.get(), SIGTERM);
    EXPECT_NE(handlerThread, std::this_thread::get_id());
}

// The program stops the watcher before it takes down what the handler reaches: after stop() nothing is called any
// more, and a signal that comes then waits, blocked, instead of ending the process half-way.
TEST(TerminationSignalsTest, AfterStopNoHandlerRunsAndALateSignalWaits) {
    const std::size_t threads = threadCount();
    std::atomic<int> calls{0};
    TerminationSignals watcher([&](int) { ++calls; });
    EXPECT_EQ(threadCount(), threads + 1);
    watcher.stop();
    // The watcher thread is gone (the kernel may take a moment to drop it from the list once it has been joined).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (threadCount() != threads && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(threadCount(), threads);
    ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
    ASSERT_EQ(::kill(::getpid(), SIGHUP), 0);
    EXPECT_TRUE(takePending(SIGINT));
    EXPECT_TRUE(takePending(SIGHUP));
    EXPECT_EQ(calls, 0);
    watcher.stop(); // again, as the destructor does: harmless
}

} // namespace
} // namespace qv::platform
