#include "ui/MainWindow.h"
#include "RecordingSink.h"
#include "shell/ShellNames.h"
#include "ui/ViewBinder.h"

#include <QAction>
#include <QApplicationStateChangeEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

using qv::shell::WindowView;
namespace m = qv::names::TForm1;
using qv::ui::MainWindow;
using qv::ui::test::RecordingSink;
using qv::ui::test::texts;

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

// "name=text" for each item of a menu, "-" for a separator, "(off)" after a disabled one.
QString entries(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions())
        out << (a->isSeparator() ? QStringLiteral("-")
                                 : a->objectName() + QLatin1Char('=') + a->text() +
                                       (a->isEnabled() ? QString() : QStringLiteral(" (off)")));
    return out.join(QLatin1Char('|'));
}

} // namespace

// The main window as built, then the binding rules seen on it: it has a widget of nearly every kind.
class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowView> view;
    std::unique_ptr<RecordingSink> sink;
    std::unique_ptr<MainWindow> w;

    template <typename T>
    T* find(const char* name) {
        T* found = w->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    static QImage imageOf(const QIcon& icon) { return icon.pixmap(16, 16).toImage(); }

private slots:
    void init() {
        view = std::make_unique<WindowView>(qv::names::TForm1::kAll);
        sink = std::make_unique<RecordingSink>();
        view->setColor(m::Label13, 0x000000FF); // written before the window exists
        w = std::make_unique<MainWindow>(*view, *sink);
        w->binder().attach();
    }
    void cleanup() { w.reset(); }

    void frameAndPlacement() {
        QCOMPARE(w->windowTitle(), QStringLiteral("Quorvex 1.32 Beta"));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        w->show();
        QVERIFY((w->frameGeometry().center() - w->screen()->availableGeometry().center()).manhattanLength() <= 2);
    }

    void namedLabelsAndControls() {
        QCOMPARE(texts(*w, {"Label4", "Label6", "Label8", "Label7", "Label11", "Label13", "Label15", "Label17",
                            "Label20", "Label21", "Label24", "Label27", "LabelSignal", "LabelBattery", "Label9"}),
                 u8("Label4=|Label6=|Label8=Download|Label7=|Label11=|Label13=|Label15=|Label17=|Label20=|Label21=|"
                    "Label24=|Label27=|LabelSignal=?|LabelBattery=?|Label9=Odpojeno"));
        QCOMPARE(texts(*w, {"Edit1", "CheckBox1", "CheckBox2", "SpeedButton3", "SpeedButton1", "SpeedButton2"}),
                 u8("Edit1=|CheckBox1=Uložit změny v Uživatel a Heslo|CheckBox2=Nastavit jako CDMA účet|"
                    "SpeedButton3=Detekuj účet|SpeedButton1=Připojit|SpeedButton2=Odpojit"));
        QVERIFY(!find<QWidget>("SpeedButton2")->isEnabled());
        QCOMPARE(find<QLineEdit>("Edit2")->echoMode(), QLineEdit::Password);
        QCOMPARE(entries(*find<QMenu>("PopupMenu2")), u8("Editovat1=Editovat|Smazat1=Smazat"));
    }

    void mainMenu() {
        QStringList menus;
        for (const QAction* a : w->menuBar()->actions())
            menus << a->menu()->objectName() + QLatin1Char('=') + a->text();
        QCOMPARE(menus.join(QLatin1Char('|')), u8("Menu1=Menu|TestRychlosti1=Test Rychlosti|Oaplikaci1=O aplikaci"));
        QCOMPARE(entries(*find<QMenu>("Menu1")),
                 u8("Vytvoitnovet1=Vytvořit nový účet|Nastaveni1=Nastaveni|Statistika1=Statistika|"
                    "Restartovatpipojen1=Restart připojení|Zobrazitlog1=Zobrazit log|Konec1=Konec"));
        QCOMPARE(entries(*find<QMenu>("TestRychlosti1")), u8("Test1=Test"));
        QCOMPARE(entries(*find<QMenu>("Oaplikaci1")),
                 u8("Licence1=Licence|Aktualizace1=Aktualizace|Jtnaweb1=Jít na web"));
    }

    void trayIconAndItsMenu() {
        QSystemTrayIcon& tray = w->trayIcon();
        QCOMPARE(tray.objectName(), QStringLiteral("TrayIcon1"));
        QCOMPARE(tray.toolTip(), QStringLiteral("Quorvex"));
        QVERIFY(tray.isVisible());
        const QList<QIcon> images = MainWindow::trayImages();
        QCOMPARE(imageOf(tray.icon()), imageOf(images.at(1))); // disconnected at start
        QVERIFY(imageOf(images[0]) != imageOf(images[1]) && imageOf(images[1]) != imageOf(images[2]));
        QCOMPARE(tray.contextMenu(), &*find<QMenu>("PopupMenu1"));
        QCOMPARE(entries(*tray.contextMenu()),
                 u8("Obnovitaplikaci1=Obnovit aplikaci|-|Pipojit1=Připojit|Odpojit1=Odpojit (off)|-|"
                    "Nerestartovatpipojen1=Nerestartovat připojení|VypnoutPcpoodpojen1=Vypnout PC po odpojení|-|"
                    "Restartpipojen1=Restart připojení|Nastaven1=Nastavení|Konec2=Konec"));
        QVERIFY(find<QAction>("Nerestartovatpipojen1")->isCheckable() &&
                find<QAction>("VypnoutPcpoodpojen1")->isCheckable());
    }

    void viewStateReachesEveryKindOfWidget() {
        QCOMPARE(find<QLabel>("Label13")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        view->setText(m::Label9, "Připojeno");
        view->setColor(m::Label9, 0x000000FF);
        view->setEnabled(m::SpeedButton2, true);
        view->setItems(m::ComboBox1, {"a", "b", "c"});
        view->setIndex(m::ComboBox1, 2);
        view->setIndex(m::ProgressBar1, 140);
        view->setChecked(m::Nerestartovatpipojen1, true);
        view->setVisible(m::TestRychlosti1, false);
        view->setIndex(m::TrayIcon1, 0);
        QCOMPARE(find<QLabel>("Label9")->text(), QString::fromUtf8("Připojeno"));
        QCOMPARE(find<QLabel>("Label9")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(find<QPushButton>("SpeedButton2")->isEnabled());
        QCOMPARE(find<QComboBox>("ComboBox1")->currentText(), QStringLiteral("c"));
        QCOMPARE(find<QProgressBar>("ProgressBar1")->value(), 100); // clamped to the bar's range
        QVERIFY(find<QAction>("Nerestartovatpipojen1")->isChecked());
        QVERIFY(!find<QMenu>("TestRychlosti1")->menuAction()->isVisible());
        QCOMPARE(imageOf(w->trayIcon().icon()), imageOf(MainWindow::trayImages().at(0)));

        view->setColor(m::Label9, std::nullopt);
        view->setIndex(m::ProgressBar1, -1);
        view->setIndex(m::ComboBox1, 7); // beyond the list: nothing selected
        view->setVisible(m::TrayIcon1, false);
        QCOMPARE(find<QLabel>("Label9")->palette().color(QPalette::WindowText), QPalette().color(QPalette::WindowText));
        QVERIFY(find<QProgressBar>("ProgressBar1")->value() < 0); // reset: no progress shown
        QCOMPARE(find<QComboBox>("ComboBox1")->currentIndex(), -1);
        QVERIFY(!w->trayIcon().isVisible());
    }

    void emptyAccountListShowsItsHint() {
        view->setItems(m::ComboBox1, {"a"});
        view->setItems(m::ComboBox1, {});
        view->setText(m::ComboBox1, "Vytvořte připojení, Menu..");
        QCOMPARE(find<QComboBox>("ComboBox1")->count(), 0);
        QCOMPARE(find<QComboBox>("ComboBox1")->placeholderText(), QString::fromUtf8("Vytvořte připojení, Menu.."));
    }

    void firstWriteOfAnotherFieldKeepsConstantCaptionsButClearsValues() {
        view->setEnabled(m::SpeedButton2, true);
        view->setText(m::TForm1, "");
        view->setColor(m::Label11, 0x00FF0000); // a value label has no caption of its own
        QCOMPARE(find<QPushButton>("SpeedButton2")->text(), QStringLiteral("Odpojit"));
        QCOMPARE(find<QAction>("Odpojit1")->text(), QStringLiteral("Odpojit"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Quorvex 1.32 Beta"));
        QCOMPARE(find<QLabel>("Label11")->text(), QString());
    }

    void whatTheUserTypedOrTickedSurvivesUnrelatedChanges() {
        auto* edit = find<QLineEdit>("Edit1");
        view->setText(m::Edit1, "jan");
        QTest::keyClicks(edit, QStringLiteral("ek"));
        QCOMPARE(view->get(m::Edit1).text, "janek"); // the view follows the field
        edit->setCursorPosition(2);
        view->setEnabled(m::Edit1, false);
        view->setText(m::Edit1, "janek");
        QCOMPARE(edit->text(), QStringLiteral("janek"));
        QCOMPARE(edit->cursorPosition(), 2);

        auto* box = find<QCheckBox>("CheckBox1");
        box->click();
        view->setEnabled(m::CheckBox1, false);
        QVERIFY(box->isChecked());
        view->setChecked(m::CheckBox1, false); // and the logic can still untick it
        QVERIFY(!box->isChecked());
    }

    void userActionsReachTheLogicButDrawnStateDoesNot() {
        view->setItems(m::ComboBox1, {"a", "b"});
        view->setIndex(m::ComboBox1, 0);
        view->setChecked(m::CheckBox2, false);
        w->show();
        QCOMPARE(sink->take(), QStringLiteral("windowEvent TForm1 Activated"));

        QTest::mouseClick(find<QPushButton>("SpeedButton1"), Qt::LeftButton);
        QTest::mouseClick(find<QPushButton>("SpeedButton2"), Qt::LeftButton); // disabled: nothing
        find<QCheckBox>("CheckBox2")->click();
        QTest::keyClick(find<QLineEdit>("Edit2"), Qt::Key_X);
        QTest::keyClick(find<QComboBox>("ComboBox1"), Qt::Key_Down);
        QTest::mouseDClick(find<QLabel>("Label8"), Qt::LeftButton);
        emit w->trayIcon().activated(QSystemTrayIcon::Trigger);
        emit w->trayIcon().activated(QSystemTrayIcon::DoubleClick);
        emit w->trayIcon().activated(QSystemTrayIcon::Context); // the tray shows its menu itself
        find<QAction>("Konec2")->trigger();
        QCOMPARE(sink->take(), QStringLiteral("clicked TForm1 SpeedButton1\n"
                                              "toggled TForm1 CheckBox2 1\n"
                                              "textEdited TForm1 Edit2 x\n"
                                              "indexChanged TForm1 ComboBox1 1\n"
                                              "doubleClicked TForm1 Label8\n"
                                              "clicked TForm1 TrayIcon1\n"
                                              "clicked TForm1 TrayIcon1\n"
                                              "clicked TForm1 Konec2"));
    }

    void rightClickOnTheAccountsAsksTheLogicThenOpensItsMenu() {
        w->show();
        sink->take();
        sink->onIntent = [&](const QString&) { view->setEnabled(m::Smazat1, false); };
        auto* combo = find<QComboBox>("ComboBox1");
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3), combo->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(combo, &event);
        QCOMPARE(sink->take(), QStringLiteral("contextMenu TForm1 ComboBox1"));
        QVERIFY(find<QMenu>("PopupMenu2")->isVisible());
        QVERIFY(!find<QAction>("Smazat1")->isEnabled()); // the logic's answer is drawn before the menu is seen
        find<QMenu>("PopupMenu2")->hide();
    }

    void checkableMenuItemsShowTheLogicsMark() {
        QAction* item = find<QAction>("VypnoutPcpoodpojen1");
        item->trigger(); // the logic ignores it: no mark
        QVERIFY(!item->isChecked());
        sink->onIntent = [&](const QString&) {
            view->setChecked(m::VypnoutPcpoodpojen1, !view->get(m::VypnoutPcpoodpojen1).checked);
        };
        item->trigger();
        QVERIFY(item->isChecked());
        item->trigger();
        QVERIFY(!item->isChecked());
    }

    void windowEntryAndWindowEvents() {
        view->setText(m::TForm1, "Titulek");
        view->setColor(m::TForm1, 0x0000FF00);
        QCOMPARE(w->windowTitle(), QStringLiteral("Titulek"));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 255, 0));
        view->setColor(m::TForm1, 0xFF000005);
        QCOMPARE(w->palette().color(QPalette::Window), QPalette().color(QPalette::Window));

        view->showWindow();
        QVERIFY(w->isVisible());
        QVERIFY(!w->close()); // the close box only asks
        QVERIFY(w->isVisible());
        QCOMPARE(sink->take(), QStringLiteral("windowEvent TForm1 Activated\n"
                                              "windowEvent TForm1 CloseRequested"));

        sink->onIntent = [&](const QString& line) {
            if (line == QStringLiteral("windowEvent TForm1 Minimized"))
                view->hideWindow(); // to the tray
        };
        w->setWindowState(Qt::WindowMinimized);
        QCOMPARE(sink->take(), QStringLiteral("windowEvent TForm1 Minimized"));
        QVERIFY(!w->isVisible());
        view->raise(); // hidden: a raise alone does not show it
        QVERIFY(!w->isVisible());
        view->showWindow(); // restored from the tray
        QVERIFY(w->isVisible() && !w->isMinimized());

        // Without a tray the logic iconifies instead: the window stays in the task bar, and a raise brings it up.
        sink->onIntent = [&](const QString& line) {
            if (line == QStringLiteral("windowEvent TForm1 Minimized"))
                view->iconify();
        };
        w->setWindowState(Qt::WindowMinimized);
        QCOMPARE(sink->take(), QStringLiteral("windowEvent TForm1 Minimized"));
        QVERIFY(w->isVisible() && w->isMinimized());
        view->raise();
        QVERIFY(w->isVisible() && !w->isMinimized());
        view->iconify(); // asked for by the logic alone (a connect), and from hidden too
        QVERIFY(w->isVisible() && w->isMinimized());
        view->raise();
        view->hideWindow();
        view->iconify();
        QVERIFY(w->isVisible() && w->isMinimized());
        QCOMPARE(sink->take(), QString()); // none of these is the user's minimise
    }

    // The activation step reloads the accounts and their credentials. It runs at the first show and when the focus
    // comes back from another window of the program, never on a switch back from another application (which the
    // platform reports by making the application inactive in between) and not when the program merely shows the
    // window again.
    void activationsReachTheLogicOnlyFromTheProgramsOwnWindows() {
        QWidget other; // another window of the program
        other.setObjectName(QStringLiteral("TForm6"));
        const auto send = [](QObject* to, QEvent::Type type) {
            QEvent event(type);
            QApplication::sendEvent(to, &event);
        };
        const auto state = [](Qt::ApplicationState s) {
            QApplicationStateChangeEvent event(s);
            QApplication::sendEvent(qApp, &event);
        };
        const QString activated = QStringLiteral("windowEvent TForm1 Activated");

        view->showWindow();
        QCOMPARE(sink->take(), activated); // the first show
        state(Qt::ApplicationActive);      // the platform's first activation: the focus came from outside
        send(w.get(), QEvent::WindowActivate);
        QCOMPARE(sink->take(), QString());

        send(w.get(), QEvent::WindowDeactivate); // to another application and back
        state(Qt::ApplicationInactive);
        state(Qt::ApplicationActive);
        send(w.get(), QEvent::WindowActivate);
        QCOMPARE(sink->take(), QString());

        send(w.get(), QEvent::WindowDeactivate); // to a window of the program and back
        send(&other, QEvent::WindowActivate);
        send(&other, QEvent::WindowDeactivate);
        send(w.get(), QEvent::WindowActivate);
        QCOMPARE(sink->take(), activated);

        state(Qt::ApplicationInactive); // away from the other window, back to it, then to the main window
        state(Qt::ApplicationActive);
        send(&other, QEvent::WindowActivate);
        send(w.get(), QEvent::WindowActivate);
        QCOMPARE(sink->take(), activated);

        view->hideWindow(); // to the tray and back: shown again, but not for the first time
        view->showWindow();
        QCOMPARE(sink->take(), QString());
    }

    void aViewOutlivingItsWindowIsHarmless() {
        w.reset();
        view->setText(m::Label9, "after");
        view->showWindow();
        QVERIFY(sink->log.isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
