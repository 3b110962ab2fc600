#pragma once

#include "app/MainForm.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "platform/sim/SimModem.h"
#include "platform/sim/SimPacketCapture.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

namespace qv::test {

/// The demo line as the program ships it (the simulated line, its dialler, monitor, echo, interface table, modem and
/// capture) on the virtual loop, in an in-memory "/app/", from 5 March 2026, 14:07:09.
struct DemoLineServices {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 14, 7, 9, 0})};
    MemoryFileSystem fs;
    platform::SimLine line{loop, fs, "/app/"};
    platform::SimDialUpAdapter dialer{loop, line};
    platform::PollingConnectionMonitor monitor{loop, line};
    platform::SimIcmpEcho echo{loop, line};
    platform::SimInterfaceTable interfaces{line};
    platform::SimModem modem{loop, line};
    platform::SimPacketCaptureFactory captures{loop, line};
    FakeProcessRunner processes{loop};
    RecordingDialogs dialogs;
    FakeMailServices mail;
    bool trayShown = false; ///< whether the desktop shows tray icons

    /// The shipped services; `withModem` and `withCapture` leave the modem or the capture out when false.
    app::ShellServices services(bool withModem = true, bool withCapture = true) {
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
                                  .screenWidth = [] { return 1280; },
                                  .mainWindowTop = [] { return 100; },
                                  .trayAvailable = [this] { return trayShown; },
                                  .workers = mail.workers,
                                  .pop3 = mail.pop3,
                                  .sound = mail.sound,
                                  .desktop = mail.desktop,
                                  .screenHeight = [] { return 1024; },
                                  .modemPort = withModem ? &modem : nullptr,
                                  .modemPortFinder = withModem ? &modem : nullptr,
                                  .captures = withCapture ? &captures : nullptr};
    }
};

} // namespace qv::test
