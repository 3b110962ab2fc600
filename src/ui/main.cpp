// Quorvex: the process entry. A second copy hands a connect request to the running one and ends; the first
// copy builds the shell on the real Linux services (or the simulated line when QUORVEX_PLATFORM=sim) and runs
// the message loop.
#include "app/MainForm.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/linux/LinuxConnectionSource.h"
#include "platform/linux/LinuxDialUpAdapter.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxIcmpEcho.h"
#include "platform/linux/LinuxInterfaceTable.h"
#include "platform/linux/LinuxLocaleProvider.h"
#include "platform/linux/LinuxPacketCapture.h"
#include "platform/linux/LinuxProcessRunner.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "platform/sim/SimPacketCapture.h"
#include "shell/SingleInstance.h"
#include "ui/EntryEditorWindow.h"
#include "ui/FloatingWindow.h"
#include "ui/MainWindow.h"
#include "ui/UiShell.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>

#include <memory>

namespace {

/// The line: the dialler, the monitor and the echo service, on pppd and the kernel or on the simulated line.
struct Line {
    std::unique_ptr<qv::platform::SimLine> simLine;
    std::unique_ptr<qv::platform::PppdLauncher> launcher;
    std::unique_ptr<qv::platform::LinuxConnectionSource> connections;
    std::unique_ptr<qv::platform::DialUpAdapter> dialer;
    std::unique_ptr<qv::platform::ConnectionMonitor> monitor;
    std::unique_ptr<qv::platform::IcmpEcho> echo;
    std::unique_ptr<qv::platform::InterfaceTable> interfaces;
    std::unique_ptr<qv::platform::PacketCaptureFactory> captures;
};

Line makeLine(bool sim, qv::EventLoop& loop, qv::platform::FileSystem& fs, const std::string& appDir,
              const qv::platform::ProcessEnvironment& env) {
    using namespace qv::platform;
    Line line;
    if (sim) {
        line.simLine = std::make_unique<SimLine>(loop, fs, appDir);
        line.dialer = std::make_unique<SimDialUpAdapter>(loop, *line.simLine);
        line.monitor = std::make_unique<PollingConnectionMonitor>(loop, *line.simLine);
        line.echo = std::make_unique<SimIcmpEcho>(loop, *line.simLine);
        line.interfaces = std::make_unique<SimInterfaceTable>(*line.simLine);
        line.captures = std::make_unique<SimPacketCaptureFactory>(loop, *line.simLine);
        return line;
    }
    const LinuxDialPaths paths = LinuxDialPaths::fromEnvironment(env);
    LinuxPppRoots roots;
    roots.runDir = paths.runDir;
    line.launcher = std::make_unique<PosixPppdLauncher>(paths.pppdPath);
    line.connections = std::make_unique<LinuxConnectionSource>(roots);
    line.dialer = std::make_unique<LinuxDialUpAdapter>(loop, *line.launcher, *line.connections, paths.peersDir,
                                                       paths.secretsPath);
    line.monitor = std::make_unique<PollingConnectionMonitor>(loop, *line.connections);
    line.echo = std::make_unique<LinuxIcmpEcho>(loop);
    line.interfaces = std::make_unique<LinuxInterfaceTable>();
    line.captures = std::make_unique<LinuxPacketCaptureFactory>(loop);
    return line;
}

} // namespace

int main(int argc, char** argv) {
    using namespace qv;
    platform::LinuxProcessEnvironment env;
    platform::LinuxUserInfo user;
    const shell::AppPaths paths(shell::AppPaths::resolveAppDir(env.variable("QUORVEX_HOME"), env.executablePath()),
                                shell::AppPaths::userNameOrDefault(user.userName()));
    platform::LinuxFileSystem fs;
    platform::LinuxInstanceLock lock;
    if (!shell::claimSingleInstance(lock, fs, paths))
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
                    QCoreApplication::exit(0);
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
    Line line = makeLine(sim, loop, fs, paths.appDir(), env);
    platform::LinuxProcessRunner processes;
    platform::QtDialogs dialogs;
    const std::string pingHost = env.variable("QUORVEX_PING_HOST").value_or(platform::LinuxIcmpEcho::kDefaultTestHost);

    app::Views views;
    std::unique_ptr<ui::UiShell> shell;
    // exit(), not quit(): quit() first asks every window to close, and the main window refuses (it opens the exit
    // dialog instead), so the program would never end.
    auto quit = [] { QCoreApplication::exit(0); };
    auto screenWidth = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().width() : 1024;
    };
    auto mainTop = [&shell] { return shell ? shell->mainWindow().geometry().top() : 0; };
    app::MainForm form(app::ShellServices{loop, clock, fs, locale.formats(), *line.dialer, *line.monitor, *line.echo,
                                          *line.interfaces, processes, dialogs, pingHost, quit, screenWidth, mainTop,
                                          line.captures.get()},
                       paths, views);
    formForSignals = &form;
    form.create();

    shell = std::make_unique<ui::UiShell>(views.main, views.exitDialog, views.fatalError, views.connectionLog,
                                          form.intents());
    ui::addConnectionWindows(*shell, views);
    ui::addMeteringWindows(*shell, views, form.floating());
    // The end of the desktop session ends the program as "Ukončit" does.
    QObject::connect(&application, &QGuiApplication::commitDataRequest,
                     [&form](QSessionManager&) { form.terminateRequested(); });
    shell->start();
    const int rc = QApplication::exec();
    formForSignals = nullptr;
    return rc;
}
