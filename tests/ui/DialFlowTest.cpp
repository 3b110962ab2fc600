#include "ShippedWorld.h"
#include "app/MainForm.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "platform/qt/QtDialogs.h"
#include "support/FakeDialUpAdapter.h"
#include "support/FakeInterfaceTable.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"
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

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QApplicationStateChangeEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

using namespace qv;

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

QImage imageOf(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage();
}

using World = test::ShippedWorld;

} // namespace

// A whole dial through the widgets, with the real logic behind them.
class DialFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<World> world;

    QWidget& main() { return world->shell->mainWindow(); }
    template <typename T>
    T* find(const QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    template <typename T>
    T* find(const char* name) {
        return find<T>(main(), name);
    }
    QString status() { return find<QLabel>("Label9")->text(); }
    QString accounts() {
        auto* combo = find<QComboBox>("ComboBox1");
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items.join(QLatin1Char('|'));
    }
    // "SpeedButton1 SpeedButton2 Pipojit1 Odpojit1 Restartpipojen1", 1 for enabled.
    QString connectControls() {
        QString out;
        for (const char* name : {"SpeedButton1", "SpeedButton2"})
            out += find<QPushButton>(name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        for (const char* name : {"Pipojit1", "Odpojit1", "Restartpipojen1"})
            out += find<QAction>(name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return out;
    }
    bool trayShows(int index) {
        return imageOf(world->shell->mainWindow().trayIcon().icon()) == imageOf(ui::MainWindow::trayImages().at(index));
    }

private slots:
    void init() { world = std::make_unique<World>(); }
    void cleanup() { world.reset(); }

    void connectAndHangUpThroughTheWidgets() {
        World& w = *world;
        QVERIFY(main().isVisible());
        QCOMPARE(main().windowTitle(), QStringLiteral("Quorvex 1.32 Beta"));
        QCOMPARE(accounts(), QStringLiteral("Alfa|Beta"));
        QCOMPARE(status(), QStringLiteral("Odpojeno"));
        QCOMPARE(connectControls(), QStringLiteral("10101"));
        QVERIFY(trayShows(1));

        auto* combo = find<QComboBox>("ComboBox1");
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), QStringLiteral("Beta"));
        QTest::mouseClick(find<QPushButton>("SpeedButton1"), Qt::LeftButton);
        QCOMPARE(w.dialer.dials, std::vector<std::string>{"Beta"});

        w.dialer.progress(0);
        QCOMPARE(status(), u8("Otevírá se port"));
        w.dialer.progress(8192);
        QCOMPARE(status(), QStringLiteral("Spojeno"));

        w.monitor.connect();
        QCOMPARE(connectControls(), QStringLiteral("01011"));
        QVERIFY(trayShows(0));
        QCOMPARE(find<QLabel>("Label6")->text(), QStringLiteral("10.0.0.2"));
        QCOMPARE(find<QLabel>("Label4")->text(), QStringLiteral("10.0.0.1"));

        QTest::mouseClick(find<QPushButton>("SpeedButton2"), Qt::LeftButton);
        QCOMPARE(w.dialer.hangUps, std::vector<std::uint32_t>{0x100});
        QCOMPARE(status(), QStringLiteral("Odpojeno"));

        w.monitor.disconnect();
        QCOMPARE(connectControls(), QStringLiteral("10100"));
        QVERIFY(trayShows(1));
        QCOMPARE(find<QLabel>("Label4")->text(), QString());
        QCOMPARE(find<QLabel>("Label6")->text(), QString());
        QCOMPARE(status(), QStringLiteral("Odpojeno"));
    }

    void newAccountFromTheMenu() {
        World& w = *world;
        QVERIFY(!w.shell->window("TFormEntry"));
        find<QAction>("Vytvoitnovet1")->trigger();
        QWidget* editor = w.shell->window("TFormEntry");
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->windowTitle(), u8("Nový účet"));
        QVERIFY((editor->frameGeometry().center() - main().frameGeometry().center()).manhattanLength() <= 2);
        QCOMPARE(find<QLineEdit>(*editor, "EditPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(find<QLineEdit>(*editor, "EditDevice")->text(), QStringLiteral("/dev/ttyUSB0"));

        QTest::keyClicks(find<QLineEdit>(*editor, "EditName"), QStringLiteral("Gama"));
        QTest::keyClicks(find<QLineEdit>(*editor, "EditUser"), QStringLiteral("alice"));
        QTest::mouseClick(find<QPushButton>(*editor, "ButtonSave"), Qt::LeftButton);
        QVERIFY(!editor->isVisible());
        QCOMPARE(w.dialer.calls, std::vector<std::string>{"CreateEntry:Gama"});
        QCOMPARE(w.dialer.phonebook.back().userName, "alice");
        QCOMPARE(accounts(), QStringLiteral("Alfa|Beta|Gama"));

        // Opened again, it is the same window, emptied; its close box is "Storno".
        find<QAction>("Vytvoitnovet1")->trigger();
        QCOMPARE(w.shell->window("TFormEntry"), editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(find<QLineEdit>(*editor, "EditName")->text(), QString());
        QVERIFY(editor->close());
        QVERIFY(!w.views.entryEditor.window().visible);
    }

    // Every named object of every window is in its window's name table and every table entry exists; every action a
    // user can take reaches a handler of the logic (or is listed as waiting for its subsystem).
    void everyWidgetIsNamedInItsTableAndEveryActionIsHandled() {
        World& w = *world;
        using Kind = shell::IntentRouter::Kind;
        for (shell::WindowView* view :
             {&w.views.main, &w.views.exitDialog, &w.views.fatalError, &w.views.connectionLog, &w.views.entryEditor,
              &w.views.statistics, &w.views.usageChart, &w.views.about, &w.views.mailNotice, &w.views.floating,
              &w.views.speedTest, &w.views.settings}) {
            view->showWindow();
            QWidget* window = w.shell->window(view->windowName());
            QVERIFY(window);
            QSet<QString> seen{window->objectName()};
            if (view == &w.views.mailNotice && !w.form->intents().handles(view->self(), Kind::Click))
                QFAIL("a click on the notice is unhandled");
            for (QObject* o : window->findChildren<QObject*>()) {
                const QString name = o->objectName();
                const bool userFacing =
                    o->isWidgetType() || qobject_cast<QAction*>(o) || qobject_cast<QSystemTrayIcon*>(o);
                if (!userFacing || name.isEmpty() || name.startsWith(QLatin1String("qt_")))
                    continue;
                seen.insert(name);
                const auto entry = view->find(name.toStdString());
                if (!entry)
                    QFAIL(qPrintable(name + QLatin1String(" is not in the name table of ") + window->objectName()));
                const auto handled = [&](Kind kind) {
                    if (!w.form->intents().handles(*entry, kind))
                        QFAIL(qPrintable(window->objectName() + QLatin1Char('.') + name + QLatin1String(" unhandled")));
                };
                auto* action = qobject_cast<QAction*>(o);
                auto* button = qobject_cast<QAbstractButton*>(o);
                if ((action && !action->menu()) || qobject_cast<QSystemTrayIcon*>(o) ||
                    (button && !button->isCheckable()))
                    handled(Kind::Click);
                else if (button)
                    handled(Kind::Toggle);
                else if (qobject_cast<QLineEdit*>(o))
                    handled(Kind::Text);
                else if (qobject_cast<QComboBox*>(o) || qobject_cast<QAbstractSlider*>(o) ||
                         qobject_cast<QListWidget*>(o))
                    handled(Kind::Index);
                else if (qobject_cast<QAbstractSpinBox*>(o)) // number and time fields
                    handled(Kind::Text);
                else if (window->objectName() == QLatin1String("TForm11"))
                    handled(Kind::Click); // the notice is one button, labels included
            }
            for (const shell::WidgetName& n : view->names())
                if (!seen.contains(QString::fromLatin1(n.name.data(), qsizetype(n.name.size()))))
                    QFAIL(qPrintable(QString::fromLatin1(n.name.data(), qsizetype(n.name.size())) +
                                     QLatin1String(" has no widget in ") + window->objectName()));
            view->hideWindow();
        }
    }

    // An openbox desktop without a tray: a hidden window could never come back, so minimising, the user's and the one
    // at every connect ([Aplikace] Pripojeni), leaves it in the task bar.
    void withoutATrayTheMinimisedWindowStaysInTheTaskBar() {
        World& w = *world;
        QVERIFY(!w.trayShown);
        main().setWindowState(Qt::WindowMinimized); // the minimise button
        QVERIFY(main().isVisible() && main().isMinimized());
        main().showNormal(); // the user brings it back from the task bar
        QVERIFY(main().isVisible() && !main().isMinimized());

        w.fs.put("/app/Nastaveni.ini", "[Aplikace]\r\nPripojeni=1\r\n");
        w.form->activated();
        QTest::mouseClick(find<QPushButton>("SpeedButton1"), Qt::LeftButton);
        w.monitor.connect();
        QCOMPARE(status(), QStringLiteral("Spojeno"));
        QVERIFY(main().isVisible() && main().isMinimized());
        w.form->restore();
        QVERIFY(main().isVisible() && !main().isMinimized());
    }

    // What the user typed and picked stays when they switch to another application and back; coming back from one of
    // the program's own windows runs the activation step, which lists the accounts afresh.
    void typedCredentialsSurviveASwitchToAnotherApplication() {
        World& w = *world;
        const auto send = [](QObject* to, QEvent::Type type) {
            QEvent event(type);
            QApplication::sendEvent(to, &event);
        };
        const auto state = [](Qt::ApplicationState s) {
            QApplicationStateChangeEvent event(s);
            QApplication::sendEvent(qApp, &event);
        };
        w.dialer.phonebook[0].userName = "alfa";
        state(Qt::ApplicationActive); // the platform's first activation after the first show
        send(&main(), QEvent::WindowActivate);
        auto* combo = find<QComboBox>("ComboBox1");
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), QStringLiteral("Beta"));
        auto* user = find<QLineEdit>("Edit1");
        QTest::keyClicks(user, QStringLiteral("novak"));

        send(&main(), QEvent::WindowDeactivate); // to another application
        state(Qt::ApplicationInactive);
        state(Qt::ApplicationActive); // and back
        send(&main(), QEvent::WindowActivate);
        QCOMPARE(user->text(), QStringLiteral("novak"));
        QCOMPARE(combo->currentText(), QStringLiteral("Beta"));
        QCOMPARE(w.views.main.get(names::TForm1::Edit1).text, "novak");

        find<QAction>("Konec1")->trigger(); // the exit dialog, then "Storno": back to the main window
        QWidget* dialog = w.shell->window("TForm6");
        QVERIFY(dialog && dialog->isVisible());
        send(dialog, QEvent::WindowActivate);
        QTest::mouseClick(find<QPushButton>(*dialog, "SpeedButton3"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        send(&main(), QEvent::WindowActivate);
        QCOMPARE(combo->currentText(), QStringLiteral("Alfa")); // the default account, as at the first show
        QCOMPARE(user->text(), QStringLiteral("alfa"));
    }

    void aboutWindowFromTheMenu() {
        World& w = *world;
        w.views.main.setColor(names::TForm1::TForm1, 0x00C0FFEE);
        find<QAction>("Licence1")->trigger();
        QWidget* about = w.shell->window("TForm3");
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("Licence"));
        QCOMPARE(about->palette().color(QPalette::Window), QColor(0xEE, 0xFF, 0xC0)); // the main window's colour
        QCOMPARE(find<QLabel>(*about, "Label1")->text(), QStringLiteral("Quorvex 1.32 Beta"));
        auto* memo = find<QTextEdit>(*about, "Memo1");
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->textCursor().position(), 0); // read from the top
        for (const char* part : {"MIT License", "Copyright (c) 2026 Quorvex developers", "LGPL", "libpcap", "libcurl"})
            QVERIFY2(memo->toPlainText().contains(QLatin1String(part)), part);
        QVERIFY((about->frameGeometry().center() - main().frameGeometry().center()).manhattanLength() <= 2);

        QTest::mouseClick(find<QPushButton>(*about, "Button1"), Qt::LeftButton);
        QVERIFY(!about->isVisible());
        find<QAction>("Licence1")->trigger(); // made once, shown again
        QCOMPARE(w.shell->window("TForm3"), about);
        QVERIFY(about->isVisible());
        QVERIFY(about->close());
        QVERIFY(!w.views.about.window().visible);
    }

    void messageBoxIsModalOverTheActiveWindow() {
        QApplication::setActiveWindow(&main());
        QString seen;
        QTimer::singleShot(0, [&] { // runs inside the box's own event loop
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(top);
                if (!box || !box->isVisible())
                    continue;
                seen = box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') +
                       QString::number(box->icon()) + QLatin1Char('|') + QString::number(box->buttons().size()) +
                       QLatin1Char('|') + QString::number(box == QApplication::activeModalWidget()) +
                       QString::number(box->parentWidget() == &main());
                box->button(QMessageBox::Ok)->click();
            }
        });
        platform::QtDialogs().showMessage("Modem nebyl nalezen.");
        QCOMPARE(seen, u8("Quorvex|Modem nebyl nalezen.|1|1|11"));
    }
};

QTEST_MAIN(DialFlowTest)
#include "DialFlowTest.moc"
