#pragma once

#include "app/MainForm.h"
#include "support/ScriptedServices.h"
#include "ui/AboutWindow.h"
#include "ui/EntryEditorWindow.h"
#include "ui/FloatingWindow.h"
#include "ui/MailNoticeWindow.h"
#include "ui/MainWindow.h"
#include "ui/SettingsWindow.h"
#include "ui/SpeedTestWindow.h"
#include "ui/StatisticsWindow.h"
#include "ui/UiShell.h"

#include <memory>

namespace qv::test {

/// The real logic on the virtual loop and scripted services, with the real windows over it, composed as the shipped
/// program composes them.
struct ShippedWorld : ScriptedServices {
    shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    std::unique_ptr<app::MainForm> form;
    std::unique_ptr<ui::UiShell> shell; // last: its windows go before the logic they forward to

    ShippedWorld() {
        trayShown = false; // the offscreen desktop has none
        fs.addDir("/app");
        fs.addDir("/app/Data");
        dialer.setPhonebook({"Alfa", "Beta"});
        form = std::make_unique<app::MainForm>(services(), paths, views);
        form->create();
        shell = std::make_unique<ui::UiShell>(views.main, views.exitDialog, views.fatalError, views.connectionLog,
                                              form->intents());
        ui::addAboutWindow(*shell, views.about);
        ui::addConnectionWindows(*shell, views);
        ui::addStatisticsWindows(*shell, views, form->statisticsWindow());
        ui::addMailWindows(*shell, views);
        ui::addToolWindows(*shell, views);
        ui::addMeteringWindows(*shell, views, form->floating());
        ui::addSettingsWindow(*shell, views);
        shell->start();
        // The start-up modem restart would take the connect controls away for a while; not the flows' concern.
        form->timers().timer(10).stop();
    }
};

} // namespace qv::test
