#include "app/MainForm.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "platform/sim/SimPacketCapture.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

// The composition the program ships, on the demo line: every hook and menu action that still does nothing is listed
// with the subsystem it waits for. The list may only shrink; a hook left unset by mistake makes it grow.
TEST(ShippedWiringTest, ListsTheHooksThatStillWaitForTheirSubsystem) {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 14, 7, 9, 0})};
    MemoryFileSystem fs;
    fs.addDir("/app");
    platform::SimLine line(loop, fs, "/app/");
    platform::SimDialUpAdapter dialer(loop, line);
    platform::PollingConnectionMonitor monitor(loop, line);
    platform::SimIcmpEcho echo(loop, line);
    platform::SimInterfaceTable interfaces(line);
    platform::SimPacketCaptureFactory captures(loop, line);
    FakeProcessRunner processes{loop};
    RecordingDialogs dialogs;
    const shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    app::MainForm form(app::ShellServices{loop, clock, fs, LocaleFormats{}, dialer, monitor, echo, interfaces,
                                          processes, dialogs, "192.0.2.53", [] {}, [] { return 1280; },
                                          [] { return 100; }, &captures},
                       paths, views);

    EXPECT_EQ(form.unsetHooks(), (std::vector<std::string>{
                                     "ShellHooks.findModemPort (waits for: modem information)",
                                     "ShellHooks.loadExternalApps (waits for: external applications)",
                                     "ConnectionHooks.ResetExternalAppFlags (waits for: external applications)",
                                     "ConnectionHooks.modemPortKnown (waits for: modem information)",
                                     "RuleInputs.startShutdownCountdown (waits for: scheduled shutdown)",
                                     "click TForm1.Aktualizace1 (waits for: update check)",
                                     "click TForm1.Jtnaweb1 (waits for: update check)",
                                     "click TForm1.Licence1 (waits for: about window)",
                                     "click TForm1.Nastaven1 (waits for: settings dialog)",
                                     "click TForm1.Nastaveni1 (waits for: settings dialog)",
                                     "click TForm1.Statistika1 (waits for: statistics window)",
                                     "click TForm1.Test1 (waits for: speed test)",
                                 }));
}

} // namespace
} // namespace qv::test
