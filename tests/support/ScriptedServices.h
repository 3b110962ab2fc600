#pragma once

#include "app/MainForm.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "support/FakeDialUpAdapter.h"
#include "support/FakeInterfaceTable.h"
#include "support/FakeMailServices.h"
#include "support/FakeModem.h"
#include "support/FakePacketCapture.h"
#include "support/FakeProcessTable.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <functional>

namespace qv::test {

/// Every service the program is composed over, scripted, on the virtual loop with a fixed start time (5 March 2026,
/// 14:07:09): the ground of the tests that run the real logic.
struct ScriptedServices {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 14, 7, 9, 0})};
    MemoryFileSystem fs;
    FakeDialUpAdapter dialer;
    FakeConnectionMonitor monitor;
    FakeIcmpEcho echo;
    FakeInterfaceTable interfaces;
    FakeProcessRunner processes{loop};
    RecordingDialogs dialogs;
    FakeMailServices mail;
    FakeModem modem{loop};
    FakePacketCaptureFactory captures;
    FakeProcessTable processTable;
    CountingShutdown shutdown{loop};
    bool trayShown = true; ///< whether the desktop shows tray icons

    /// A 1280 × 1024 screen with the main window's top at 100, the ping host 192.0.2.53.
    app::ShellServices services(std::function<void()> quit = {}) {
        return app::ShellServices{.loop = loop,
                                  .clock = clock,
                                  .fs = fs,
                                  .dialer = dialer,
                                  .monitor = monitor,
                                  .echo = echo,
                                  .interfaces = interfaces,
                                  .processes = processes,
                                  .dialogs = dialogs,
                                  .pingHost = "192.0.2.53",
                                  .quit = std::move(quit),
                                  .screenWidth = [] { return 1280; },
                                  .mainWindowTop = [] { return 100; },
                                  .trayAvailable = [this] { return trayShown; },
                                  .workers = mail.workers,
                                  .pop3 = mail.pop3,
                                  .sound = mail.sound,
                                  .desktop = mail.desktop,
                                  .screenHeight = [] { return 1024; },
                                  .modemPort = &modem,
                                  .modemPortFinder = &modem,
                                  .captures = &captures,
                                  .processTable = &processTable,
                                  .shutdown = &shutdown};
    }
};

} // namespace qv::test
