#pragma once

// The program as the provider lab runs it: main()'s composition on the real Linux services, with the real-time
// loop in place of Qt's and message boxes recorded.
#include "Lab.h"
#include "RealTimeEventLoop.h"
#include "app/MainForm.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/linux/AlsaSoundPlayer.h"
#include "platform/linux/CurlPop3Client.h"
#include "platform/linux/CurlUrlDownloader.h"
#include "platform/linux/LinuxConnectionSource.h"
#include "platform/linux/LinuxDesktopShell.h"
#include "platform/linux/LinuxDialUpAdapter.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxIcmpEcho.h"
#include "platform/linux/LinuxInterfaceTable.h"
#include "platform/linux/LinuxPacketCapture.h"
#include "platform/linux/LinuxProcessRunner.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxWorkerThreads.h"
#include "shell/ShellNames.h"
#include "support/FakeServices.h"

#include <mutex>
#include <string>
#include <vector>

namespace qv::lab {

/// The echo service the program uses, keeping every outcome for the test.
class RecordingEcho final : public platform::IcmpEcho {
public:
    explicit RecordingEcho(EventLoop& loop) : real_(loop) {}
    std::vector<int> answers;
    void send(const Request& request, Done done) override {
        real_.send(request, [this, done = std::move(done)](int n, int roundTripMs) {
            answers.push_back(n);
            done(n, roundTripMs);
        });
    }

private:
    platform::LinuxIcmpEcho real_;
};

/// The POP3 client the program uses, keeping the user of every mailbox asked (from any thread).
class RecordingPop3 final : public platform::Pop3Client {
public:
    std::optional<std::uint32_t> messageCount(const Mailbox& mailbox, int timeoutMs) override {
        {
            const std::lock_guard hold(mutex_);
            users_.push_back(mailbox.user);
        }
        return real_.messageCount(mailbox, timeoutMs);
    }
    std::vector<std::string> usersAsked() const {
        const std::lock_guard hold(mutex_);
        return users_;
    }

private:
    platform::CurlPop3Client real_;
    mutable std::mutex mutex_;
    std::vector<std::string> users_;
};

inline platform::LinuxPppRoots rootsOf(const platform::LinuxDialPaths& paths) {
    platform::LinuxPppRoots roots;
    roots.runDir = paths.runDir;
    return roots;
}

/// The program as main() builds it on Linux from the environment, with the real-time loop in place of Qt's, message
/// boxes recorded and every ping's outcome kept. The screen is 1280 × 1024.
struct Program {
    explicit Program(const std::string& appDir)
        : paths(appDir, "lab"),
          form(app::ShellServices{.loop = loop,
                                  .clock = clock,
                                  .fs = fs,
                                  .dialer = dialer,
                                  .monitor = monitor,
                                  .echo = echo,
                                  .interfaces = interfaces,
                                  .processes = processes,
                                  .dialogs = dialogs,
                                  .pingHost = Lab::kProviderHost,
                                  .screenWidth = [] { return 1280; },
                                  .mainWindowTop = [] { return 100; },
                                  .trayAvailable = [] { return false; },
                                  .workers = workers,
                                  .pop3 = pop3,
                                  .sound = sound,
                                  .desktop = desktop,
                                  .screenHeight = [] { return 1024; },
                                  .captures = &captures,
                                  .downloader = &downloader,
                                  .webSite = {std::string("http://") + Lab::kProviderHost + "/update/Verze.txt",
                                              std::string("http://") + Lab::kProviderHost + "/"},
                                  .speedTestServer = {Lab::kProviderHost, Lab::kProviderHost, "lab@lab.test"}},
               paths, views) {}

    /// Creates the lab's account, starts the program as main() does and clicks "Připojit"; true once the link is
    /// up (within 10 s). The start-up modem restart is stopped so that it cannot fall into the dial.
    bool startAndDial() {
        if (dialer.CreateEntry({"Lab", "*99#", "/dev/ttyUSB0", "lab", "s3cret"}) != 0)
            return false;
        form.create();
        form.activated();
        form.timers().timer(10).stop();
        form.intents().clicked(names::TForm1::SpeedButton1);
        return loop.pumpUntil([&] { return form.state().isConnected; }, 10000);
    }

    RealTimeEventLoop loop;
    platform::LinuxClock clock;
    platform::LinuxFileSystem fs;
    platform::LinuxProcessEnvironment env;
    platform::LinuxDialPaths dialPaths = platform::LinuxDialPaths::fromEnvironment(env);
    platform::PosixPppdLauncher launcher{dialPaths.pppdPath};
    platform::LinuxConnectionSource connections{rootsOf(dialPaths)};
    platform::LinuxDialUpAdapter dialer{loop, launcher, connections, dialPaths.peersDir, dialPaths.secretsPath};
    platform::PollingConnectionMonitor monitor{loop, connections};
    RecordingEcho echo{loop};
    platform::LinuxInterfaceTable interfaces;
    platform::LinuxPacketCaptureFactory captures{loop}; // used when [Prenos] Registry=0 asks for packets
    platform::LinuxProcessRunner processes;
    test::RecordingDialogs dialogs;
    RecordingPop3 pop3;
    platform::AlsaSoundPlayer sound;
    platform::LinuxDesktopShell desktop;
    platform::CurlUrlDownloader downloader;
    platform::LinuxWorkerThreads workers; // after what the workers use: it waits for them first
    shell::AppPaths paths;
    app::Views views;
    app::MainForm form;
};

} // namespace qv::lab
