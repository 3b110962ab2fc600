// The windows on a real X server with a real window manager and no tray: what the window manager shows as each
// caption, where a minimised main window goes, and what a switch to another X client does to the typed user name.
// It starts its own Xvfb (a free display) and openbox, and skips (exit code 77) when either is missing. Every wait
// polls with a deadline: the X server and the window manager answer in their own time.
#include "app/MainForm.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "support/FakeDialUpAdapter.h"
#include "support/FakeInterfaceTable.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"
#include "support/ScriptedServices.h"
#include "ui/AboutWindow.h"
#include "ui/EntryEditorWindow.h"
#include "ui/MainWindow.h"
#include "ui/UiShell.h"
#include "ui/WindowSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

constexpr int kSkip = 77;
constexpr int kDeadlineMs = 10000;

/// A child process that goes when the test goes, however it ends.
pid_t spawn(const std::vector<std::string>& argv, int keepFd = -1) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != keepFd)
            ::close(fd);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

void end(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

/// An X server on a free display, with openbox managing it.
struct Desktop {
    pid_t server = -1;
    pid_t windowManager = -1;
    std::string display;

    ~Desktop() {
        end(windowManager);
        end(server);
    }

    /// Starts the server on the first free display and notes it (":N").
    bool startServer() {
        int fds[2];
        if (::pipe(fds) != 0)
            return false;
        server = spawn(
            {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, fds[1]);
        ::close(fds[1]);
        std::string number;
        QDeadlineTimer deadline(kDeadlineMs);
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && !deadline.hasExpired()) {
            if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0)
                continue;
            char buf[16];
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            number.append(buf, static_cast<std::size_t>(n));
        }
        ::close(fds[0]);
        if (number.find('\n') == std::string::npos)
            return false;
        display = ":" + number.substr(0, number.find('\n'));
        return true;
    }
    void startWindowManager() { windowManager = spawn({"openbox"}); }
};

/// Runs an X client tool to its end and gives its output.
QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(kDeadlineMs))
        p.kill();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString hex(WId id) {
    return QStringLiteral("0x") + QString::number(id, 16);
}

/// Waits, handling events, until `done` holds or the deadline passes.
bool waitUntil(const std::function<bool()>& done, int ms = kDeadlineMs) {
    QDeadlineTimer deadline(ms);
    QTimer wake; // WaitForMoreEvents returns at least this often
    wake.start(10);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// The caption the window manager reads from the window.
QString netWmName(QWidget& window) {
    const QString out =
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(window.winId()), QStringLiteral("_NET_WM_NAME")});
    const qsizetype open = out.indexOf(QLatin1Char('"'));
    return open < 0 ? QString() : out.mid(open + 1, out.lastIndexOf(QLatin1Char('"')) - open - 1);
}

/// ICCCM state: "Normal", "Iconic", or empty when the window is withdrawn.
QString wmState(QWidget& window) {
    const QString out =
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(window.winId()), QStringLiteral("WM_STATE")});
    const auto match = QRegularExpression(QStringLiteral("window state: (\\w+)")).match(out);
    return match.hasMatch() ? match.captured(1) : QString();
}

/// The id of the top-level client window with this name, or empty.
QString clientNamed(const QString& name) {
    const QString tree = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    for (const QString& line : tree.split(QLatin1Char('\n')))
        if (line.contains(QLatin1Char('"') + name + QLatin1Char('"')))
            return line.trimmed().section(QLatin1Char(' '), 0, 0);
    return {};
}

/// The real logic on the virtual loop and scripted services, with the real windows over it; the tray is the
/// desktop's.
struct World : test::ScriptedServices {
    shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    std::unique_ptr<app::MainForm> form;
    std::unique_ptr<ui::UiShell> shell; // last: its windows go before the logic they forward to

    World() {
        fs.addDir("/app");
        fs.addDir("/app/Data");
        dialer.setPhonebook({"Alfa", "Beta"});
        trayShown = QSystemTrayIcon::isSystemTrayAvailable();
        form = std::make_unique<app::MainForm>(services(), paths, views);
        form->create();
        shell = std::make_unique<ui::UiShell>(views.main, views.exitDialog, views.fatalError, views.connectionLog,
                                              form->intents());
        ui::addAboutWindow(*shell, views.about);
        ui::addConnectionWindows(*shell, views);
        shell->start();
        form->timers().timer(10).stop();
    }
};

} // namespace

class X11DesktopTest : public QObject {
    Q_OBJECT

    std::unique_ptr<World> world;

    QWidget& main() { return world->shell->mainWindow(); }
    QWidget& window(const char* name) {
        QWidget* w = world->shell->window(name);
        if (!w)
            qFatal("no window %s", name);
        return *w;
    }
    // Waits until the window manager has the caption, then compares it (so a wrong one fails with its text).
    void captionIs(QWidget& w, const char* expected) {
        const QString want = QString::fromUtf8(expected);
        QString seen;
        waitUntil([&] { return w.isVisible() && (seen = netWmName(w)) == want; });
        QCOMPARE(seen, want);
    }
    bool activate(QWidget& w) {
        run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), hex(w.winId())});
        return waitUntil([&] { return QApplication::activeWindow() == &w; });
    }

private slots:
    void init() {
        world = std::make_unique<World>();
        QVERIFY(waitUntil([&] { return wmState(main()) == QLatin1String("Normal"); }));
    }
    void cleanup() { world.reset(); }

    // Exactly the captions the program gives, with nothing appended by the toolkit.
    void captionsAsTheWindowManagerShowsThem() {
        World& w = *world;
        captionIs(main(), "Quorvex 1.32 Beta");
        w.form->closeRequested();
        captionIs(window("TForm6"), "Ukončení aplikace");
        w.form->intents().clicked(names::TForm6::SpeedButton3);
        w.form->intents().clicked(names::TForm1::Zobrazitlog1);
        captionIs(window("TForm10"), "Log připojení a odpojení");
        w.form->logs().ReportError("1,1");
        captionIs(window("TForm8"), "Error");
        w.form->intents().clicked(names::TForm1::Licence1);
        captionIs(window("TForm3"), "Licence");
    }

    // openbox without a tray: the minimised window must stay reachable, iconified in the task bar, not withdrawn.
    void minimiseWithoutATrayLeavesTheWindowIconified() {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a tray");
        run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), hex(main().winId())});
        QVERIFY(waitUntil([&] { return main().isMinimized() || !main().isVisible(); }));
        QVERIFY(main().isVisible()); // the logic answered the minimise without hiding the window
        QVERIFY(waitUntil([&] { return wmState(main()) == QLatin1String("Iconic"); }));
        QVERIFY(activate(main())); // brought back as from a task bar
        QVERIFY(waitUntil([&] { return !main().isMinimized() && wmState(main()) == QLatin1String("Normal"); }));
    }

    // A switch to another X client and back keeps what the user typed; coming back from one of the program's own
    // windows runs the activation step.
    void typedUserNameSurvivesASwitchToAnotherClient() {
        QProcess other;
        other.start(QStringLiteral("xmessage"),
                    {QStringLiteral("-title"), QStringLiteral("qvother"), QStringLiteral("another client")});
        QString otherId;
        QVERIFY(waitUntil([&] { return !(otherId = clientNamed(QStringLiteral("qvother"))).isEmpty(); }));
        QVERIFY(activate(main()));
        auto* user = main().findChild<QLineEdit*>(QStringLiteral("Edit1"));
        QTest::keyClicks(user, QStringLiteral("novak"));

        run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), otherId});
        QVERIFY(waitUntil([] { return QApplication::activeWindow() == nullptr; }));
        QVERIFY(activate(main()));
        QCOMPARE(user->text(), QStringLiteral("novak"));

        world->form->intents().clicked(names::TForm1::Licence1);
        QWidget& about = window("TForm3");
        QVERIFY(activate(about));
        QCOMPARE(user->text(), QStringLiteral("novak"));
        QVERIFY(activate(main()));         // straight from the program's own window
        QCOMPARE(user->text(), QString()); // the default account's stored user name, which is empty
        other.kill();
        other.waitForFinished();
    }
};

int main(int argc, char** argv) {
    for (const char* tool : {"Xvfb", "openbox", "xprop", "xdotool", "xwininfo", "xmessage"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("SKIP: %s is not installed\n", tool);
            return kSkip;
        }
    Desktop desktop;
    if (!desktop.startServer()) {
        std::printf("SKIP: Xvfb did not start\n");
        return kSkip;
    }
    ::setenv("DISPLAY", desktop.display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    desktop.startWindowManager();

    QApplication application(argc, argv);
    ui::setUpApplication();
    // openbox announces itself a moment before it manages new windows: a window mapped in between stays unmanaged.
    // A probe window shown until openbox manages it tells that it is ready.
    bool managed = false;
    {
        QWidget probe;
        for (int attempt = 0; attempt < 5 && !managed; ++attempt) {
            probe.show();
            managed = waitUntil([&] { return wmState(probe) == QLatin1String("Normal"); }, 2000);
            probe.hide();
        }
    }
    if (!managed) {
        std::printf("FAIL: openbox does not manage the windows of the display %s\n", desktop.display.c_str());
        return 1;
    }
    X11DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "X11DesktopTest.moc"
