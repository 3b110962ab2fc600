#include "ui/FloatingWindow.h"
#include "app/MainForm.h"
#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "support/FakeDialUpAdapter.h"
#include "support/FakeInterfaceTable.h"
#include "support/FakeMailServices.h"
#include "support/FakePacketCapture.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"
#include "support/ScriptedServices.h"
#include "ui/MainWindow.h"
#include "ui/UiShell.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace qv;

namespace {

/// The real logic on the virtual loop and scripted services, with the real windows over it; the settings place the
/// floating window at (300, 40) with opacity step 20.
struct World : test::ScriptedServices {
    shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    std::unique_ptr<app::MainForm> form;
    std::unique_ptr<ui::UiShell> shell; // last: its windows go before the logic they forward to

    explicit World(const std::string& settings) {
        fs.addDir("/app");
        fs.addDir("/app/Data");
        fs.put("/app/Nastaveni.ini", settings);
        dialer.setPhonebook({"Alfa"});
        form = std::make_unique<app::MainForm>(services(), paths, views);
        form->create();
        shell = std::make_unique<ui::UiShell>(views.main, views.exitDialog, views.fatalError, views.connectionLog,
                                              form->intents());
        ui::addMeteringWindows(*shell, views, form->floating());
        shell->start();
        form->activated();
        form->timers().timer(10).stop(); // no start-up modem restart in these flows
    }
};

const char* const kSettings = "[Okno]\r\nLeft=300\r\nTop=40\r\nPruhled=20\r\n[Aplikace]\r\nBarva=15780518\r\n";

} // namespace

// The floating window through its widgets, with the real logic behind it.
class FloatingWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<World> world;

    QWidget* floating() { return world->shell->window("TForm7"); }
    template <typename T>
    T* find(const char* name) {
        T* found = floating()->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QString text(const char* name) { return find<QLabel>(name)->text(); }
    /// A mouse movement over `widget` at `local`, with these buttons and keys held.
    void move(QWidget* widget, QPoint local, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QMouseEvent e(QEvent::MouseMove, QPointF(local), QPointF(widget->mapToGlobal(local)), Qt::NoButton, buttons,
                      keys);
        QApplication::sendEvent(widget, &e);
    }
    std::string ini() { return cp1250::toUtf8(world->fs.readAll("/app/Nastaveni.ini").value_or("")); }

private slots:
    void init() { world = std::make_unique<World>(kSettings); }
    void cleanup() { world.reset(); }

    void opensAtConnectFramelessOnTopAndClosesAtDisconnect() {
        QVERIFY(!floating()); // not made before the first connection
        world->monitor.connect();
        QWidget* w = floating();
        QVERIFY(w && w->isVisible());
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no task-bar entry
        QVERIFY(w->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(w->pos(), QPoint(300, 40));
        QCOMPARE(w->size(), QSize(115, 62));
        QCOMPARE(qRound(w->windowOpacity() * 255), 200);
        QCOMPARE(w->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(find<QLabel>("DRLabel1")->cursor().shape(), Qt::PointingHandCursor);
        // The main window's colour, 0x00F0CAA6 as [Aplikace] Barva gives it, on the window and its title strip.
        const QColor colour(0xA6, 0xCA, 0xF0);
        QCOMPARE(w->palette().color(QPalette::Window), colour);
        QVERIFY(find<QLabel>("Panel1")->autoFillBackground());
        QCOMPARE(find<QLabel>("Panel1")->palette().color(QPalette::Window), colour);
        QCOMPARE(text("Panel1"), QStringLiteral("Quorvex"));
        QCOMPARE(find<QPushButton>("Button1")->text(), QStringLiteral("------"));
        QCOMPARE(text("DRLabel1") + text("DRLabel5") + text("DRLabel4") + text("DRLabel9"),
                 QString::fromUtf8("Down:Up:Čas:M.6+dnes:"));

        world->monitor.disconnect();
        QVERIFY(!w->isVisible());
        world->monitor.connect();
        QVERIFY(w->isVisible());
    }

    void labelsFollowTheMetering() {
        World& w = *world;
        w.interfaces.wan(1'000'000, 40'000);
        w.monitor.connect();
        w.loop.advance(1000); // the baseline
        w.interfaces.wan(1'250'000, 52'000);
        w.loop.advance(1000);
        QCOMPARE(text("DRLabel2"), QStringLiteral("250,0 KB/s"));
        QCOMPARE(text("DRLabel6"), QStringLiteral("12,0 KB/s"));
        QCOMPARE(text("DRLabel3"), QStringLiteral("00:00:02"));
        QCOMPARE(text("DRLabel10"), QStringLiteral("0,000 GB"));
        QCOMPARE(find<QLabel>("DRLabel10")->palette().color(QPalette::WindowText), QColor(Qt::black));
    }

    void theWarningFlashesTheTitleStrip() {
        // 1 MB of data allowed, warned 5 MB ahead: a warning from the start.
        world = std::make_unique<World>("[Okno]\r\nData=5\r\n[Aplikace]\r\nBarva=15780518\r\n"
                                        "[Pripojeni]\r\nReData=1\r\nReDataHodnota=1\r\n");
        world->monitor.connect();
        auto* strip = find<QLabel>("Panel1");
        world->loop.advance(1000);
        const QColor first = strip->palette().color(QPalette::Window);
        world->loop.advance(1000);
        const QColor second = strip->palette().color(QPalette::Window);
        QCOMPARE(first, QColor(Qt::red));
        QCOMPARE(second, QColor(0xA6, 0xCA, 0xF0));
    }

    void collapseAndExpandWithTheButton() {
        world->monitor.connect();
        QWidget* w = floating();
        QTest::mouseClick(find<QPushButton>("Button1"), Qt::LeftButton);
        QCOMPARE(w->size(), QSize(115, 16));
        for (const char* name : {"DRLabel1", "DRLabel2", "DRLabel5", "DRLabel6", "DRLabel4", "DRLabel3"})
            QVERIFY2(find<QLabel>(name)->isHidden(), name);
        QTest::mouseClick(find<QPushButton>("Button1"), Qt::LeftButton);
        QCOMPARE(w->size(), QSize(115, 62));
        for (const char* name : {"DRLabel1", "DRLabel2", "DRLabel5", "DRLabel6", "DRLabel4", "DRLabel3"})
            QVERIFY2(!find<QLabel>(name)->isHidden(), name);
    }

    void draggingWithTheLeftButtonAloneMovesTheCornerToThePointer() {
        world->monitor.connect();
        QWidget* w = floating();
        auto* label = find<QLabel>("DRLabel10");
        move(label, QPoint(5, 3), Qt::RightButton);
        move(label, QPoint(5, 3), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(w->pos(), QPoint(300, 40));
        QCOMPARE(ini(), std::string(kSettings));

        const QPoint pointer = label->mapToGlobal(QPoint(5, 3));
        move(label, QPoint(5, 3), Qt::LeftButton);
        QCOMPARE(w->pos(), pointer);
        QVERIFY(ini().find("Left=" + std::to_string(pointer.x()) + "\r\nTop=" + std::to_string(pointer.y())) !=
                std::string::npos);
        move(find<QLabel>("Panel1"), QPoint(-20, -10), Qt::LeftButton);
        QCOMPARE(w->pos(), pointer + QPoint(-20, -10));
    }

    void minimisingTheMainWindowLeavesItShownAndOnTop() {
        world->monitor.connect();
        world->form->minimize();
        QVERIFY(!world->shell->mainWindow().isVisible());
        QVERIFY(floating()->isVisible());
        QVERIFY(floating()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(FloatingWindowTest)
#include "FloatingWindowTest.moc"
