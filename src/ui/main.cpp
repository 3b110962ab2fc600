// Quorvex: the process entry. A second copy hands a connect request to the running one and ends; the first
// copy builds the shell on the real Linux services (or the simulated line when QUORVEX_PLATFORM=sim) and runs
// the message loop.
#include "app/MainForm.h"
#include "mail/MailAccountsFile.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/linux/AlsaSoundPlayer.h"
#include "platform/linux/CurlPop3Client.h"
#include "platform/linux/CurlUrlDownloader.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxConnectionSource.h"
#include "platform/linux/LinuxDesktopShell.h"
#include "platform/linux/LinuxDialUpAdapter.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxIcmpEcho.h"
#include "platform/linux/LinuxInterfaceTable.h"
#include "platform/linux/LinuxLocaleProvider.h"
#include "platform/linux/LinuxModemPortFinder.h"
#include "platform/linux/LinuxPacketCapture.h"
#include "platform/linux/LinuxProcessRunner.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxSerialPort.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxWorkerThreads.h"
#include "platform/linux/SntpClockSync.h"
#include "platform/linux/SystemdShutdown.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "platform/sim/SimInterfaceTable.h"
#include "platform/sim/SimLine.h"
#include "platform/sim/SimMailServer.h"
#include "platform/sim/SimModem.h"
#include "platform/sim/SimPacketCapture.h"
#include "shell/SingleInstance.h"
#include "ui/AboutWindow.h"
#include "ui/EntryEditorWindow.h"
#include "ui/FloatingWindow.h"
#include "ui/MailNoticeWindow.h"
#include "ui/MainWindow.h"
#include "ui/SettingsWindow.h"
#include "ui/SpeedTestWindow.h"
#include "ui/StatisticsWindow.h"
#include "ui/UiShell.h"
#include "ui/WindowSupport.h"

#include <QApplication>
#include <QMetaObject>
#include <QScreen>
#include <QSystemTrayIcon>

#include <memory>
#include <mutex>

namespace {

/// The line: the dialler, the monitor, the echo service and the modem's AT port, on pppd and the kernel or on the
/// simulated line. QUORVEX_MODEM_PORT names a real AT port device on either.
struct Line {
    std::unique_ptr<qv::platform::SimLine> simLine;
    std::unique_ptr<qv::platform::PppdLauncher> launcher;
    std::unique_ptr<qv::platform::LinuxConnectionSource> connections;
    std::unique_ptr<qv::platform::DialUpAdapter> dialer;
    std::unique_ptr<qv::platform::ConnectionMonitor> monitor;
    std::unique_ptr<qv::platform::IcmpEcho> echo;
    std::unique_ptr<qv::platform::InterfaceTable> interfaces;
    std::unique_ptr<qv::platform::SimModem> simModem;
    std::unique_ptr<qv::platform::LinuxSerialPort> serialPort;
    std::unique_ptr<qv::platform::LinuxModemPortFinder> portFinder;
    qv::platform::SerialPort* modemPort = nullptr;
    qv::platform::ModemPortFinder* modemPortFinder = nullptr;
    std::unique_ptr<qv::platform::PacketCaptureFactory> captures;
};

void addModem(Line& line, qv::EventLoop& loop, const qv::platform::ProcessEnvironment& env) {
    using namespace qv::platform;
    if (line.simLine && !env.variable(LinuxModemPortFinder::kPortVariable)) {
        line.simModem = std::make_unique<SimModem>(loop, *line.simLine);
        line.modemPort = line.simModem.get();
        line.modemPortFinder = line.simModem.get();
        return;
    }
    line.serialPort = std::make_unique<LinuxSerialPort>(loop);
    line.portFinder = std::make_unique<LinuxModemPortFinder>(LinuxModemPortFinder::fromEnvironment(env));
    line.modemPort = line.serialPort.get();
    line.modemPortFinder = line.portFinder.get();
}

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
        addModem(line, loop, env);
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
    addModem(line, loop, env);
    line.captures = std::make_unique<LinuxPacketCaptureFactory>(loop);
    return line;
}

/// Hands a termination signal from the watcher thread to the UI thread: there the form ends the program as
/// "Ukončit" does, or, before the form exists, the message loop just ends. A signal that comes before the
/// application object exists makes the start give up.
class SignalHandOver final {
public:
    qv::app::MainForm* form = nullptr; ///< UI thread only

    /// On the watcher thread.
    void signalled() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!app_) {
            early_ = true;
            return;
        }
        QMetaObject::invokeMethod(
            app_,
            [this] {
                if (form)
                    form->terminateRequested();
                else
                    QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
    }
    /// False when a signal came first.
    bool attach(QCoreApplication& app) {
        const std::lock_guard<std::mutex> lock(mutex_);
        app_ = &app;
        return !early_;
    }

private:
    std::mutex mutex_;
    QCoreApplication* app_ = nullptr;
    bool early_ = false;
};

/// The demo line's mailbox: a POP3 server on this machine holding as many messages as sim-line.conf's `mail=N`
/// says (read at every check). The real POP3 client asks it like any other server.
constexpr const char* kDemoMailHost = "127.0.0.1";
constexpr std::uint16_t kDemoMailPort = 11110;
constexpr const char* kDemoMailUser = "demo";

std::unique_ptr<qv::platform::SimMailServer> startDemoMailbox(qv::platform::FileSystem& fs,
                                                              const qv::platform::SimLine& line) {
    using namespace qv::platform;
    auto server = std::make_unique<SimMailServer>(kDemoMailHost, kDemoMailPort);
    server->addMailbox(kDemoMailUser, kDemoMailUser, [&fs, control = line.controlFilePath()] {
        return SimLineControl::parse(fs.readAll(control).value_or("")).mailMessages;
    });
    return server;
}

/// A user without mail accounts gets one account, on the demo mailbox.
void addDemoAccount(qv::platform::FileSystem& fs, qv::mail::MailFileLock& lock, const std::string& path) {
    try {
        qv::mail::MailAccountsFile file(
            fs, lock, [](int) {}, path);
        if (!file.exists())
            file.save({{kDemoMailHost, kDemoMailUser, kDemoMailUser, std::to_string(kDemoMailPort)}});
    } catch (const qv::mail::MailFileError&) {
        // No Data/ folder: the demo goes without mail.
    }
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

    // Before any thread exists, so that every thread leaves these signals to the watcher. The hand-over outlives the
    // watcher, and the watcher is stopped before anything the hand-over reaches goes.
    SignalHandOver handOver;
    platform::TerminationSignals terminationSignals([&handOver](int) { handOver.signalled(); });

    QApplication application(argc, argv);
    ui::setUpApplication();
    if (!handOver.attach(application))
        return 0; // ended before there was anything to save

    platform::QtEventLoop loop;
    platform::LinuxClock clock;
    platform::LinuxLocaleProvider locale;
    const bool sim = env.variable("QUORVEX_PLATFORM").value_or("") == "sim";
    Line line = makeLine(sim, loop, fs, paths.appDir(), env);
    platform::LinuxProcessRunner processes;
    platform::QtDialogs dialogs;
    // On the demo line too the mail check asks real POP3 servers: the demo's mailbox is one on this machine.
    platform::CurlPop3Client pop3;
    platform::CurlUrlDownloader downloader;
    platform::AlsaSoundPlayer sound;
    platform::LinuxDesktopShell desktop;
    platform::LinuxProcessTable processTable;
    // The demo line never powers the machine off: without a shutdown the countdown only says so in the log.
    platform::SystemdShutdown systemdShutdown(processes);
    // Autostart and the clock are the user's own machine on either line, so the demo uses the real ones too.
    platform::LinuxAutostart autostart(env);
    platform::SntpClockSync clockSync(loop, platform::SntpClockSync::Options::fromEnvironment(env));
    const auto demoMailbox = sim ? startDemoMailbox(fs, *line.simLine) : nullptr;
    platform::LinuxWorkerThreads workers; // after what the workers use, before the windows and the logic
    const std::string pingHost = env.variable("QUORVEX_PING_HOST").value_or(platform::LinuxIcmpEcho::kDefaultTestHost);

    // The program's web host: the version file and the web page (another host for a test server).
    tools::WebSite webSite;
    if (const auto host = env.variable("QUORVEX_WEB_HOST"); host && !host->empty())
        webSite = {"http://" + *host + "/update/Verze.txt", "http://" + *host + "/"};

    // The speed test's server: its FTP host, also pinged (another host for a test server).
    tools::SpeedTestServer speedTestServer;
    if (const auto host = env.variable("QUORVEX_SPEEDTEST_HOST"); host && !host->empty())
        speedTestServer.ftpHost = speedTestServer.pingAddress = *host;

    app::Views views;
    std::unique_ptr<ui::UiShell> shell; // made after the form, taken down before it (see the end)
    // exit(), not quit(): quit() first asks every window to close, and the main window refuses (it opens the exit
    // dialog instead), so the program would never end.
    auto quit = [] { QCoreApplication::exit(0); };
    auto screenWidth = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().width() : 1024;
    };
    auto screenHeight = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().height() : 768;
    };
    auto mainTop = [&shell] { return shell ? shell->mainWindow().geometry().top() : 0; };
    auto trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    app::MainForm form(app::ShellServices{.loop = loop,
                                          .clock = clock,
                                          .fs = fs,
                                          .locale = locale.formats(),
                                          .dialer = *line.dialer,
                                          .monitor = *line.monitor,
                                          .echo = *line.echo,
                                          .interfaces = *line.interfaces,
                                          .processes = processes,
                                          .dialogs = dialogs,
                                          .pingHost = pingHost,
                                          .quit = quit,
                                          .screenWidth = screenWidth,
                                          .mainWindowTop = mainTop,
                                          .trayAvailable = trayAvailable,
                                          .workers = workers,
                                          .pop3 = pop3,
                                          .sound = sound,
                                          .desktop = desktop,
                                          .screenHeight = screenHeight,
                                          .modemPort = line.modemPort,
                                          .modemPortFinder = line.modemPortFinder,
                                          .captures = line.captures.get(),
                                          .processTable = &processTable,
                                          .downloader = &downloader,
                                          .webSite = webSite,
                                          .speedTestServer = speedTestServer,
                                          .shutdown = sim ? nullptr : &systemdShutdown,
                                          .autostart = &autostart,
                                          .clockSync = &clockSync},
                       paths, views);
    handOver.form = &form;
    if (sim)
        addDemoAccount(fs, form.mail().fileLock(), paths.mailAccountsFile());
    form.create();

    shell = std::make_unique<ui::UiShell>(views.main, views.exitDialog, views.fatalError, views.connectionLog,
                                          form.intents());
    ui::addAboutWindow(*shell, views.about);
    ui::addConnectionWindows(*shell, views);
    ui::addStatisticsWindows(*shell, views, form.statisticsWindow());
    ui::addMailWindows(*shell, views);
    ui::addToolWindows(*shell, views);
    ui::addMeteringWindows(*shell, views, form.floating());
    ui::addSettingsWindow(*shell, views);
    // The end of the desktop session ends the program as "Ukončit" does.
    const QMetaObject::Connection sessionEnd = QObject::connect(
        &application, &QGuiApplication::commitDataRequest, [&form](QSessionManager&) { form.terminateRequested(); });
    shell->start();
    const int rc = QApplication::exec();

    // Taken down in the reverse order of construction, and first what could still call in from outside: the signal
    // watcher and the session. Then the windows, which forward to the form, then the form; the services, the line
    // and the application object follow as their scopes end.
    terminationSignals.stop();
    QObject::disconnect(sessionEnd);
    handOver.form = nullptr;
    shell.reset();
    return rc;
}
