#pragma once

#include "app/MainForm.h"
#include "common/Cp1250.h"
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

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace qv::shell {
inline std::ostream& operator<<(std::ostream& out, const WidgetName& name) {
    return out << name.window << '.' << name.name;
}
} // namespace qv::shell

namespace qv::test {

namespace w = names::TForm1;

/// The shell on the virtual loop, an in-memory application directory "/app/" (with Data/) and a fixed start time.
struct ShellFixture : ::testing::Test {
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
    shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    int quits = 0;
    std::function<void()> onQuit; ///< runs at each request to end the program
    bool trayShown = true;        ///< whether the desktop shows tray icons
    std::unique_ptr<app::MainForm> form;

    void SetUp() override {
        fs.addDir("/app");
        fs.addDir("/app/Data");
        dialer.setPhonebook({"Alfa", "Beta", "Gama"});
    }
    app::MainForm& make() {
        form = std::make_unique<app::MainForm>(app::ShellServices{.loop = loop,
                                                                  .clock = clock,
                                                                  .fs = fs,
                                                                  .dialer = dialer,
                                                                  .monitor = monitor,
                                                                  .echo = echo,
                                                                  .interfaces = interfaces,
                                                                  .processes = processes,
                                                                  .dialogs = dialogs,
                                                                  .pingHost = "192.0.2.53",
                                                                  .quit =
                                                                      [this] {
                                                                          ++quits;
                                                                          if (onQuit)
                                                                              onQuit();
                                                                      },
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
                                                                  .processTable = &processTable},
                                               paths, views);
        form->intents().onUnhandled(
            [](const shell::WidgetName& name, shell::IntentRouter::Kind) { ADD_FAILURE() << "unhandled " << name; });
        return *form;
    }
    app::MainForm& started() {
        make().create();
        form->activated();
        return *form;
    }
    std::string file(const std::string& path) { return cp1250::toUtf8(fs.readAll(path).value_or("")); }
    std::vector<std::string> lines(const std::string& path) {
        std::vector<std::string> out;
        const std::string text = file(path);
        std::size_t pos = 0;
        while (pos < text.size()) {
            const auto end = text.find("\r\n", pos);
            if (end == std::string::npos) {
                out.push_back(text.substr(pos) + "<no CR LF>");
                break;
            }
            out.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return out;
    }
    const shell::WidgetState& main(const shell::WidgetName& name) { return views.main.get(name); }
};

} // namespace qv::test
