#include "ui/StatisticsWindow.h"
#include "app/MainForm.h"
#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "platform/qt/QtDialogs.h"
#include "statistics/StatisticsCodec.h"
#include "support/FakeDialUpAdapter.h"
#include "support/FakeInterfaceTable.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"
#include "support/ScriptedServices.h"
#include "ui/MainWindow.h"
#include "ui/UiShell.h"
#include "ui/UsageChartWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <memory>

using namespace qv;

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

statistics::StatisticsRecord record(const char* name, CivilDateTime date, double down1, double up1, double down2,
                                    double up2) {
    return {120,
            cp1250::fromUtf8(name),
            oleFromDate(date.year, date.month, date.day),
            oleTimeOfDay(8, 0, 0),
            oleTimeOfDay(9, 15, 30),
            down1,
            up1,
            up2,
            down2};
}

/// The real logic and windows over a crafted statistics file, on the virtual loop.
struct World : test::ScriptedServices {
    shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    std::unique_ptr<app::MainForm> form;
    std::unique_ptr<ui::UiShell> shell; // last: its windows go before the logic they forward to

    World() {
        fs.addDir("/app");
        fs.addDir("/app/Statistiky");
        fs.put(paths.statisticsFile(), statistics::encodeFile({record("Anna", {2026, 3, 5}, 100, 10, 50, 5),
                                                               record("Božena", {2026, 3, 4}, 1, 2, 3, 4),
                                                               record("Anna", {2026, 2, 23}, 1000, 0, 0, 0)}));
        form = std::make_unique<app::MainForm>(services(), paths, views);
        form->create();
        shell = std::make_unique<ui::UiShell>(views.main, views.exitDialog, views.fatalError, views.connectionLog,
                                              form->intents());
        ui::addStatisticsWindows(*shell, views, form->statisticsWindow());
        shell->start();
        form->timers().timer(10).stop();
    }
};

} // namespace

// The statistics window and its chart, opened from the menus, with the real logic behind them.
class StatisticsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<World> world;

    template <typename T>
    static T* find(const QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QWidget& openStatistics() {
        find<QAction>(world->shell->mainWindow(), "Statistika1")->trigger();
        QWidget* window = world->shell->window("TForm4");
        if (!window || !window->isVisible())
            qFatal("the statistics window is not shown");
        return *window;
    }
    /// The grid's rows as shown, columns joined by "|".
    static QStringList rows(const QWidget& window) {
        const QAbstractItemModel* model = find<QTableView>(window, "StringGrid1")->model();
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells << model->index(r, c).data().toString();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    static QString text(const QWidget& window, const char* label) { return find<QLabel>(window, label)->text(); }
    /// The pointer moves over the chart to `pos` (delivered directly: a visible tooltip window would take it).
    static void hover(QWidget& chart, QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, pos, chart.mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&chart, &move);
    }

private slots:
    void init() { world = std::make_unique<World>(); }
    void cleanup() { world.reset(); }

    void gridAfterShowSelectAndSort() {
        QWidget& window = openStatistics();
        QCOMPARE(window.windowTitle(), QStringLiteral("Statistika"));
        QCOMPARE(window.geometry().width(), 766);
        auto* table = find<QTableView>(window, "StringGrid1");
        QStringList headers;
        QList<int> widths;
        for (int c = 0; c < table->model()->columnCount(); ++c) {
            headers << table->model()->headerData(c, Qt::Horizontal).toString();
            widths << table->columnWidth(c);
        }
        QCOMPARE(headers.join(QLatin1Char('|')),
                 u8("Uživatel|Datum|Od|Do|1. Down [MB]|1. Up [MB]|2. Down [MB]|2. Up [MB]"));
        QCOMPARE(widths, (QList<int>{137, 83, 83, 82, 85, 82, 83, 86}));
        QCOMPARE(rows(window), (QStringList{u8("Anna|5.3.2026|8:00:00|9:15:30|100,0|10,0|50,0|5,0"),
                                            u8("Božena|4.3.2026|8:00:00|9:15:30|1,0|2,0|3,0|4,0"),
                                            u8("Anna|23.2.2026|8:00:00|9:15:30|1000,0|0,0|0,0|0,0")}));
        auto* users = find<QComboBox>(window, "ComboBox3");
        QCOMPARE(users->count(), 3);
        QCOMPARE(users->currentText(), u8("Vše"));
        QCOMPARE(find<QGroupBox>(window, "GroupBox1")->title(), u8("Celkové statistiky pro: Vše"));
        QCOMPARE(text(window, "Label38"), u8("165,0 MB"));
        QCOMPARE(text(window, "Label43"), u8("125,4 MB"));
        QCOMPARE(text(window, "Label40"), u8("1175,0 MB"));
        QCOMPARE(text(window, "StatusBar1"), u8("Počet záznamů: 3"));

        QTest::keyClick(users, Qt::Key_Up); // Vše -> Božena
        QCOMPARE(users->currentText(), u8("Božena"));
        QCOMPARE(rows(window), QStringList{u8("Božena|4.3.2026|8:00:00|9:15:30|1,0|2,0|3,0|4,0")});
        QCOMPARE(find<QGroupBox>(window, "GroupBox1")->title(), u8("Celkové statistiky pro: Božena"));
        QCOMPARE(text(window, "Label39"), u8("10,0 MB"));

        // A click on the "Datum" header sorts everyone by date, ascending, then descending.
        QHeaderView* header = table->horizontalHeader();
        const QPoint datum(header->sectionViewportPosition(1) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, datum);
        QCOMPARE(table->model()->index(0, 1).data().toString(), u8("23.2.2026"));
        QCOMPARE(table->model()->rowCount(), 3);
        QCOMPARE(users->currentText(), u8("Vše"));
        QCOMPARE(find<QGroupBox>(window, "GroupBox1")->title(), u8("Celkové statistiky pro: Božena"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, datum);
        QCOMPARE(table->model()->index(0, 1).data().toString(), u8("5.3.2026"));

        // Closing releases the copy; opening again lists the file anew.
        QVERIFY(window.close());
        QCOMPARE(table->model()->rowCount(), 0);
        QCOMPARE(&openStatistics(), &window);
        QCOMPARE(rows(window).size(), 3);
        QCOMPARE(table->model()->index(0, 0).data().toString(), u8("Anna"));
    }

    void exportFromTheMenu() {
        QWidget& window = openStatistics();
        world->dialogs.saveAnswers = {"/app/stat.xls"};
        find<QAction>(window, "cls1")->trigger();
        QCOMPARE(world->dialogs.saveRequests.size(), std::size_t{1});
        const std::string written = world->fs.readAll("/app/stat.xls").value_or("");
        QVERIFY(written.rfind("ID;PWXL;N;E\r\n", 0) == 0);
        QVERIFY(written.find("C;Y3;X1;K\"Bo\x9E"
                             "ena\"\r\n") != std::string::npos);
        QVERIFY(!world->fs.exists("/app/stat.$$$"));
    }

    // The real save dialog, as the export asks for it: in the application directory, "Excel (*.xls)", a name
    // typed without extension gets ".xls", and an existing file is not questioned.
    void saveDialogOpensAsAsked() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile existing(dir.filePath(QStringLiteral("stat.xls")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        QString seen;
        QTimer::singleShot(0, [&] { // runs inside the dialog's own event loop
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = dialog->directory().absolutePath() + QLatin1Char('|') +
                   dialog->nameFilters().join(QLatin1Char(';')) + QLatin1Char('|') + dialog->defaultSuffix() +
                   QLatin1Char('|') + QString::number(dialog->acceptMode() == QFileDialog::AcceptSave) +
                   QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            dialog->selectFile(QStringLiteral("stat"));
            static_cast<QDialog*>(dialog)->accept(); // as the "Save" button does
        });
        const auto chosen = platform::QtDialogs().askSaveFileName({dir.path().toStdString(), "xls", "Excel", "*.xls"});
        QCOMPARE(seen, dir.path() + QStringLiteral("|Excel (*.xls)|xls|11"));
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(*chosen), dir.filePath(QStringLiteral("stat.xls")));

        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        QVERIFY(!platform::QtDialogs().askSaveFileName({dir.path().toStdString(), "xls", "Excel", "*.xls"}));
    }

    void chartOfTheSelectedUser() {
        QWidget& window = openStatistics();
        find<QAction>(window, "Graf1")->trigger();
        auto* chartWindow = qobject_cast<ui::UsageChartWindow*>(world->shell->window("TFormChart"));
        QVERIFY(chartWindow && chartWindow->isVisible());
        QCOMPARE(chartWindow->windowTitle(), u8("Graf za min. 30 dní pro: Vše"));
        ui::UsageChartWidget& chart = chartWindow->chartWidget();
        QCOMPARE(chart.objectName(), QStringLiteral("Chart1"));
        QCOMPARE(chart.scaleTop(), 1200.0); // room above the tallest day (1000 MB), on a round step

        // Hovering over today shows its values.
        const QPoint today = chart.dayArea(30).center().toPoint();
        hover(chart, today);
        QCOMPARE(chart.hoveredDay(), 30);
        QCOMPARE(chart.dayAt(today), 30);
        QCOMPARE(QToolTip::text(), u8("5.3.2026\n1. pásmo: 110,0 MB\n2. pásmo: 55,0 MB\nCelkem: 165,0 MB\n"
                                      "S přepočtem: 121,0 MB"));
        hover(chart, chart.dayArea(20).center().toPoint());
        QVERIFY(QToolTip::text().startsWith(u8("23.2.2026\n1. pásmo: 1000,0 MB")));

        // The chart follows the selector.
        auto* users = find<QComboBox>(window, "ComboBox3");
        QTest::keyClick(users, Qt::Key_Up);
        QCOMPARE(chartWindow->windowTitle(), u8("Graf za min. 30 dní pro: Božena"));
        QCOMPARE(chart.scaleTop(), 12.0);
        hover(chart, chart.dayArea(29).center().toPoint());
        QVERIFY(QToolTip::text().startsWith(u8("4.3.2026\n1. pásmo: 3,0 MB\n2. pásmo: 7,0 MB")));

        const QImage image = chart.grab().toImage();
        QVERIFY(!image.isNull());
        // For a look at both windows: QV_SCREENSHOTS=DIR.
        if (const QByteArray dir = qgetenv("QV_SCREENSHOTS"); !dir.isEmpty()) {
            image.save(QString::fromLocal8Bit(dir) + QStringLiteral("/chart.png"));
            window.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/statistics.png"));
        }
    }
};

QTEST_MAIN(StatisticsWindowTest)
#include "StatisticsWindowTest.moc"
