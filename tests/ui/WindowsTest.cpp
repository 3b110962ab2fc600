#include "RecordingSink.h"
#include "mail/MailNoticeNames.h"
#include "shell/ShellNames.h"
#include "ui/MailNoticeWindow.h"
#include "ui/MainWindow.h"
#include "ui/UiShell.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using qv::shell::WindowView;
namespace names = qv::names;

// A window of the test's own, made by a factory without a binder.
namespace qv::names {
#define QV_TFORMTEST_NAMES(X)
QV_WINDOW_NAMES(TFormTest, QV_TFORMTEST_NAMES)
} // namespace qv::names
using qv::ui::test::texts;

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

} // namespace

// The secondary windows as the shell makes them on demand, and the shell's bookkeeping.
class WindowsTest : public QObject {
    Q_OBJECT

    qv::ui::test::RecordingSink sink;
    WindowView mainView{names::TForm1::kAll}, exitView{names::TForm6::kAll}, fatalView{names::TForm8::kAll},
        logView{names::TForm10::kAll};
    std::unique_ptr<qv::ui::UiShell> shell;

    QWidget& show(WindowView& view) {
        view.showWindow();
        QWidget* w = shell->window(view.windowName());
        if (!w || !w->isVisible())
            qFatal("%s not shown", std::string(view.windowName()).c_str());
        // Centred over the main window.
        if ((w->frameGeometry().center() - shell->mainWindow().frameGeometry().center()).manhattanLength() > 2)
            qFatal("%s not centred", std::string(view.windowName()).c_str());
        return *w;
    }
    static QPushButton& button(const QWidget& w, const char* name) {
        return *w.findChild<QPushButton*>(QLatin1String(name));
    }

private slots:
    void init() {
        sink.log.clear();
        sink.onIntent = nullptr;
        shell = std::make_unique<qv::ui::UiShell>(mainView, exitView, fatalView, logView, sink);
        shell->start();
        sink.log.clear();
    }
    void cleanup() { shell.reset(); }

    void exitDialog() {
        // The logic's answers: offline, "Ukončit a odpojit" goes while the dialog is still being made and shown; a
        // closed dialog is hidden in its view.
        sink.onIntent = [&](const QString& line) {
            if (line == QStringLiteral("windowEvent TForm6 Activated"))
                exitView.setVisible(names::TForm6::SpeedButton2, false);
            if (line == QStringLiteral("windowEvent TForm6 Closed"))
                exitView.hideWindow();
        };
        QVERIFY(shell->mainWindow().isVisible() && shell->window("TForm1") == &shell->mainWindow());
        QVERIFY(!shell->window("TForm6") && !shell->window("TForm8") && !shell->window("TForm10"));
        QVERIFY(!QApplication::quitOnLastWindowClosed()); // closing windows in tray mode must not end the program
        QWidget& dialog = show(exitView);
        QCOMPARE(dialog.windowTitle(), u8("Ukončení aplikace"));
        QCOMPARE(texts(dialog, {"SpeedButton1", "SpeedButton2", "SpeedButton3"}),
                 u8("SpeedButton1=Ukončit|SpeedButton2=Ukončit a odpojit|SpeedButton3=Storno"));
        QVERIFY(button(dialog, "SpeedButton2").isHidden());

        QTest::mouseClick(&button(dialog, "SpeedButton3"), Qt::LeftButton);
        QVERIFY(dialog.close());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(&show(exitView), &dialog); // the same window again
        QCOMPARE(sink.take(), QStringLiteral("windowEvent TForm6 Activated\n"
                                             "clicked TForm6 SpeedButton3\n"
                                             "windowEvent TForm6 Closed\n"
                                             "windowEvent TForm6 Activated"));
        exitView.hideWindow();
        QVERIFY(!dialog.isVisible());
    }

    void fatalErrorWindow() {
        QWidget& window = show(fatalView);
        QCOMPARE(window.windowTitle(), QStringLiteral("Error"));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("Label1"))->text().contains(QStringLiteral("Error.log")));
        QCOMPARE(texts(window, {"Button1"}), u8("Button1=Aplikace bude ukončena"));
        QVERIFY(!window.close()); // only its button ends it
        QTest::mouseClick(&button(window, "Button1"), Qt::LeftButton);
        QCOMPARE(sink.take(), QStringLiteral("windowEvent TForm8 Activated\nclicked TForm8 Button1"));
    }

    void connectionLogWindow() {
        logView.setText(names::TForm10::Memo1,
                        "1.3.2024 8:00:00 : Normální připojení\n1.3.2024 9:00:00 : Normální odpojení");
        QWidget& window = show(logView);
        QCOMPARE(window.windowTitle(), u8("Log připojení a odpojení"));
        auto* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->document()->blockCount(), 2);
        logView.setText(names::TForm10::Memo1, "");
        QCOMPARE(memo->toPlainText(), QString());
        QVERIFY(window.close());
        QCOMPARE(sink.take(), QStringLiteral("windowEvent TForm10 Activated\nwindowEvent TForm10 Closed"));
    }

    void mailNoticeAppearsWhereTheLogicPutsItAndEveryClickOnItCounts() {
        namespace n = names::TForm11;
        WindowView notice{n::kAll};
        shell->addWindow(notice, [](WindowView& view, qv::shell::IntentSink& s, QWidget*) {
            return std::make_unique<qv::ui::MailNoticeWindow>(view, s);
        });
        notice.setText(n::TForm11, "Nový email");
        notice.setText(n::Label1, "Celkem nových zpráv");
        notice.setText(n::Label2, "7");
        notice.setPosition(n::TForm11, qv::shell::ScreenPoint{1105, 939});
        notice.showWindow();
        QWidget* window = shell->window("TForm11");
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), u8("Nový email"));
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(window->windowType(), Qt::Tool);
        QCOMPARE(window->size(), QSize(169, 31));
        QCOMPARE(window->frameGeometry().topLeft(), QPoint(1105, 939)); // not centred over the main window
        QCOMPARE(texts(*window, {"Label1", "Label2"}), u8("Label1=Celkem nových zpráv|Label2=7"));

        QTest::mouseClick(window->findChild<QLabel*>(QStringLiteral("Label1")), Qt::LeftButton);
        QTest::mouseClick(window->findChild<QLabel*>(QStringLiteral("Label2")), Qt::LeftButton);
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(84, 0)); // the window between its labels' edges
        notice.setPosition(n::TForm11, qv::shell::ScreenPoint{20, 30});
        QCOMPARE(window->frameGeometry().topLeft(), QPoint(20, 30));
        QVERIFY(window->close());
        QCOMPARE(sink.take(), QStringLiteral("windowEvent TForm11 Activated\n"
                                             "clicked TForm11 Label1\n"
                                             "clicked TForm11 Label2\n"
                                             "clicked TForm11\n"
                                             "windowEvent TForm11 Closed"));
    }

    void furtherWindowsComeFromTheirFactory() {
        WindowView stats(qv::names::TFormTest::kAll);
        stats.setText(qv::names::TFormTest::TFormTest, "Statistika");
        stats.showWindow(); // asked for before the window is registered
        int made = 0;
        shell->addWindow(stats, [&made](WindowView&, qv::shell::IntentSink&, QWidget*) {
            ++made;
            auto window = std::make_unique<QWidget>();
            window->setObjectName(QStringLiteral("TFormTest"));
            return window;
        });
        QWidget* window = shell->window("TFormTest");
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), u8("Statistika")); // bound although the factory made no binder
        stats.hideWindow();
        stats.showWindow();
        QCOMPARE(made, 1);
    }
};

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"
