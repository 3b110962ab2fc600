// Quorvex: the process entry. A second copy hands a connect request to the running one and ends; the first
// copy builds the shell on the real Linux services (or the simulated line when QUORVEX_PLATFORM=sim) and runs
// the message loop.
#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "platform/linux/LinuxDialUpAdapter.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxLocaleProvider.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "ui/MainWindow.h"
#include "ui/UiShell.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>

#include <memory>

namespace {

std::unique_ptr<qv::platform::DialUpAdapter> makeDialer(const qv::platform::ProcessEnvironment& env, bool sim) {
    if (sim)
        return std::make_unique<qv::platform::SimDialUpAdapter>();
    return std::make_unique<qv::platform::LinuxDialUpAdapter>(
        env.variable("QUORVEX_PPP_PEERS").value_or("/etc/ppp/peers"));
}

} // namespace

int main(int argc, char** argv) {
    using namespace qv;
    platform::LinuxProcessEnvironment env;
    platform::LinuxUserInfo user;
    const app::AppPaths paths(app::AppPaths::resolveAppDir(env.variable("QUORVEX_HOME"), env.executablePath()),
                              app::AppPaths::userNameOrDefault(user.userName()));
    platform::LinuxFileSystem fs;
    platform::LinuxInstanceLock lock;
    if (!app::claimSingleInstance(lock, fs, paths))
        return 0; // the running copy dials; this one shows nothing

    // Before any thread exists, so that every thread leaves these signals to the watcher.
    app::MainForm* formForSignals = nullptr;
    platform::TerminationSignals::install([&formForSignals](int) {
        QMetaObject::invokeMethod(
            qApp,
            [&formForSignals] {
                if (formForSignals)
                    formForSignals->terminateRequested();
                else
                    QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    });

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvex"));
    QApplication::setQuitOnLastWindowClosed(false); // the main window hides to the tray

    platform::QtEventLoop loop;
    platform::LinuxClock clock;
    platform::LinuxLocaleProvider locale;
    const bool sim = env.variable("QUORVEX_PLATFORM").value_or("") == "sim";
    auto dialer = makeDialer(env, sim);

    app::Views views;
    std::unique_ptr<ui::UiShell> shell;
    app::MainForm form(
        app::ShellServices{
            loop, clock, fs, locale.formats(), *dialer, [] { QCoreApplication::quit(); },
            [] { return QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().width() : 1024; },
            [&shell] { return shell ? shell->mainWindow().geometry().top() : 0; }},
        paths, views);
    formForSignals = &form;
    form.create();

    shell = std::make_unique<ui::UiShell>(views.main, views.exitDialog, views.fatalError, views.connectionLog, form);
    // The end of the desktop session ends the program as "Ukončit" does.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, [&form](QSessionManager&) {
        form.terminateRequested();
    });
    shell->start();
    const int rc = QApplication::exec();
    formForSignals = nullptr;
    return rc;
}
