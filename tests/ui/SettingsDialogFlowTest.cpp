#include "ShippedWorld.h"
#include "extapps/ExternalAppCodec.h"
#include "mail/MailAccountsFile.h"
#include "settings/LoadSettings.h"
#include "settingsdialog/SettingsDialogKeys.h"
#include "ui/WindowSupport.h"

#include <QAction>
#include <QApplication>
#include <QApplicationStateChangeEvent>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStyleOptionSpinBox>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace qv;
namespace n = names::TForm2;
using settingsdialog::ControlKind;

namespace {

constexpr char kSettings[] = "/app/Nastaveni.ini";
// A scheduled time, a decimal comma, a chosen port, a ticked limit, a moved slider; every other key is missing.
constexpr char kFile[] = "[Pripojeni]\r\nReDialTime=1\r\nReDialTimeHodnota=9998\r\nProdleva=25\r\n[Modem]\r\nPort=3\r\n"
                         "Timeout=2,5\r\n[Okno]\r\nPruhled=12\r\n[Pripojit]\r\nAno=1\r\nV=7:30:00\r\n";

// Gestures besides the keys (Qt::Key values): a click, a click on a number field's up or down arrow.
enum Gesture { Click = -1, ArrowUp = -2, ArrowDown = -3 };

// A gesture on a control of a page, `times` over, and what the save writes for the control afterwards.
struct Edit {
    int page;
    shell::WidgetName control;
    int gesture;
    int times;
    const char* saved;
};
const Edit kEdits[] = {
    {0, n::ReDialTimeField, ArrowUp, 3, "10000"}, // the third step finds the limit
    {0, n::ReDataBox, Click, 1, "1"},
    {0, n::DelayField, ArrowDown, 2, "23"},
    {2, n::OpacitySlider, Qt::Key_Left, 2, "10"},
    {2, n::FloatDataField, ArrowUp, 1, "2"},
    {3, n::PacketsOption, Click, 1, "1"},
    {3, n::PeriodicSaveBox, Click, 1, "0"},
    {3, n::ModemPortList, Qt::Key_Down, 1, "4"},
    {3, n::TimeoutField, ArrowUp, 6, "5,0"}, // five steps to the limit
    {4, n::ConnectAtTime, Qt::Key_Up, 1, "8:30:00"},
    {4, n::DisconnectAtBox, Click, 1, "1"},
    {5, n::MailIntervalField, ArrowDown, 1, "60"}, // disabled: the arrow does nothing
    {5, n::MailCheckBox, Click, 1, "1"},
    {5, n::MailIntervalField, ArrowDown, 1, "59"},
};

// A file and the gestures on it; the controls (as state() shows them) when opened and after the gestures.
struct Case {
    const char* file;
    std::span<const Edit> edits;
    const char* opened;
    const char* edited;
};
const Case kCases[] = {
    {kFile, kEdits,
     "ReDialTimeField=9998 ReDataBox=0 ReDataField=30- ReDataUnit=MB- DelayField=25 OpacitySlider=12 "
     "FloatDataField=1 CountersOption=1 PacketsOption=0 PeriodicSaveField=60 PeriodicSaveUnit=minutách připojení "
     "ModemPortList=Com4 TimeoutField=2.5 ConnectAtTime=7:30:00 DisconnectAtTime=0:00:00- PowerOffBox=0- "
     "MailIntervalField=60-",
     "ReDialTimeField=10000 ReDataBox=1 ReDataField=30 ReDataUnit=MB DelayField=23 OpacitySlider=10 "
     "FloatDataField=2 CountersOption=0 PacketsOption=1 PeriodicSaveField=60- PeriodicSaveUnit=minutách připojení- "
     "ModemPortList=Com5 TimeoutField=5.0 ConnectAtTime=8:30:00 DisconnectAtTime=0:00:00 PowerOffBox=0 "
     "MailIntervalField=59"},
    // Every key missing: the defaults, no modem port among them.
    {"",
     {},
     "ReDialTimeField=30- ReDataBox=0 ReDataField=30- ReDataUnit=MB- DelayField=20 OpacitySlider=25 FloatDataField=1 "
     "CountersOption=1 PacketsOption=0 PeriodicSaveField=60 PeriodicSaveUnit=minutách připojení ModemPortList= "
     "TimeoutField=1.5 ConnectAtTime=0:00:00- DisconnectAtTime=0:00:00- PowerOffBox=0- MailIntervalField=60-",
     nullptr},
};

// What a control shows: a box's tick as 1 or 0, a slider's position, a list's line, a field's or label's text.
QString shown(const QWidget* w) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return QString::number(button->isChecked());
    if (const auto* slider = qobject_cast<const QSlider*>(w))
        return QString::number(slider->value());
    return w->property(qobject_cast<const QComboBox*>(w) ? "currentText" : "text").toString();
}

void perform(QWidget* w, int gesture) {
    if (gesture == ArrowUp || gesture == ArrowDown) {
        QStyleOptionSpinBox option;
        option.initFrom(w);
        option.subControls = QStyle::SC_All;
        const auto arrow = gesture == ArrowUp ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown;
        QTest::mouseClick(w, Qt::LeftButton, {},
                          w->style()->subControlRect(QStyle::CC_SpinBox, &option, arrow, w).center());
    } else if (gesture == Click) { // a box takes clicks on its mark and caption only, not on the rest of its row
        QTest::mouseClick(w, Qt::LeftButton, {},
                          qobject_cast<QPushButton*>(w) ? w->rect().center() : QPoint(6, w->height() / 2));
    } else {
        QTest::keyClick(w, Qt::Key(gesture));
    }
}

// The file as the logic alone saves it: the dialog's load of `file` into a view without widgets, the rule editor's
// fields as a new dialog has them, the edits' values, and the save's entries written over the same file.
std::string savedByTheLogic(const char* file, std::span<const Edit> edits) {
    test::MemoryFileSystem fs;
    fs.addDir("/app");
    if (*file)
        fs.put(kSettings, file);
    settings::SettingsFile settingsFile(fs, "/app/");
    shell::WindowView view(n::kAll);
    settings::SettingsRecord record;
    settingsdialog::ViewControls controls(view, settingsFile.locale(), {});
    settings::LoadSettings(settingsFile, record, {}, &controls);
    for (const auto& field : {n::StopSecondsField, n::StopMegabytesField, n::StartSecondsField})
        view.setText(field, "0");
    for (const auto& time : {n::StartAtTime, n::StopAtTime})
        view.setText(time, "0:00:00");
    for (const Edit& e : edits) {
        const auto key = std::ranges::find(settingsdialog::savedKeys(), e.control, &settingsdialog::DialogKey::control);
        if (key->kind == ControlKind::Box)
            settingsdialog::setOption(view, e.control, *e.saved == '1'); // a plain box for any but the two options
        else if (key->kind == ControlKind::ListIndex)
            view.setIndex(e.control, std::stoi(e.saved));
        else
            view.setText(e.control, e.saved);
    }
    std::vector<settings::ProfileEntry> entries;
    const auto saved = settingsdialog::entriesToSave(view);
    for (const auto& e : saved)
        entries.push_back({e.section, e.key, e.value});
    settingsFile.write(entries);
    return *fs.readAll(kSettings);
}

} // namespace

// The settings dialog's real widgets over the real logic, opened from the main menu as the user opens it.
class SettingsDialogFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ShippedWorld> world;
    QWidget* dialog = nullptr;

    template <typename T = QWidget>
    T* find(const shell::WidgetName& name) {
        return dialog->findChild<T*>(ui::qtName(name));
    }
    void open() {
        world->shell->mainWindow().findChild<QAction*>(QStringLiteral("Nastaveni1"))->trigger();
        dialog = world->shell->window("TForm2");
        QVERIFY(dialog && dialog->isVisible());
        QCoreApplication::processEvents(); // whatever the platform delivers after the showing, before the user acts
    }
    void click(const shell::WidgetName& name) { perform(find(name), Click); }
    // "Name=shown" for each control, with a "-" after a disabled one.
    QString state(std::initializer_list<shell::WidgetName> names) {
        QStringList out;
        for (const auto& name : names)
            out << ui::qtName(name) + QLatin1Char('=') + shown(find(name)) +
                       (find(name)->isEnabled() ? QString() : QStringLiteral("-"));
        return out.join(QLatin1Char(' '));
    }
    QString state() {
        return state({n::ReDialTimeField, n::ReDataBox, n::ReDataField, n::ReDataUnit, n::DelayField, n::OpacitySlider,
                      n::FloatDataField, n::CountersOption, n::PacketsOption, n::PeriodicSaveField, n::PeriodicSaveUnit,
                      n::ModemPortList, n::TimeoutField, n::ConnectAtTime, n::DisconnectAtTime, n::PowerOffBox,
                      n::MailIntervalField});
    }
    // Clicks a page's item in the page list; answers which groups are in view, "1" for each.
    QString showPage(int page) {
        auto* list = find<QListWidget>(n::PageList);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(page)).center());
        QString groups;
        for (const auto& p : settingsdialog::kPages)
            groups += find(p.group)->isVisible() ? QLatin1Char('1') : QLatin1Char('0');
        return groups;
    }
    QString lines(const shell::WidgetName& name) {
        auto* combo = qobject_cast<QComboBox*>(find(name));
        auto* list = qobject_cast<QListWidget*>(find(name));
        QStringList out;
        for (int i = 0; i < (combo ? combo->count() : list->count()); ++i)
            out << (combo ? combo->itemText(i) : list->item(i)->text());
        return out.join(QLatin1Char('|'));
    }

private slots:
    void init() { world = std::make_unique<test::ShippedWorld>(); }
    void cleanup() {
        world.reset();
        dialog = nullptr;
        QLocale::setDefault(QLocale::system());
    }

    void showsTheFileAndSavesWhatTheGesturesChanged_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<bool>("czech"); // the number fields show a decimal comma
        QTest::newRow("values in the file") << 0 << false;
        QTest::newRow("values in the file, shown in Czech") << 0 << true;
        QTest::newRow("no file") << 1 << false;
    }
    void showsTheFileAndSavesWhatTheGesturesChanged() {
        QFETCH(int, at);
        QFETCH(bool, czech);
        const Case& c = kCases[at];
        const auto shows = [czech](const char* text) {
            const QString expected = QString::fromUtf8(text);
            return czech ? QString(expected).replace(QRegularExpression(QStringLiteral("(Field=\\d+)\\.")),
                                                     QStringLiteral("\\1,"))
                         : expected;
        };
        if (czech)
            QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
        if (*c.file)
            world->fs.put(kSettings, c.file);
        open();
        QCOMPARE(state(), shows(c.opened));
        for (const Edit& e : c.edits) {
            QCOMPARE(showPage(e.page), QStringLiteral("000000").replace(e.page, 1, QLatin1Char('1')));
            for (int i = 0; i < e.times; ++i)
                perform(find(e.control), e.gesture);
        }
        if (c.edited)
            QCOMPARE(state(), shows(c.edited));
        click(n::SaveButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(*world->fs.readAll(kSettings), savedByTheLogic(c.file, c.edits));
        // A changed metering choice, and only that, tells that it waits for the next start.
        QCOMPARE(world->dialogs.boxes.size(), c.edits.empty() ? 0u : 1u);
    }

    void cancelAndTheFrameWriteNothing_data() {
        QTest::addColumn<bool>("frame");
        QTest::newRow("Storno") << false;
        QTest::newRow("frame") << true;
    }
    void cancelAndTheFrameWriteNothing() {
        QFETCH(bool, frame);
        world->fs.put(kSettings, kFile);
        open();
        click(n::ReDialBox);
        if (frame)
            QVERIFY(dialog->close());
        else
            click(n::CancelButton);
        QVERIFY(!dialog->isVisible() && !world->views.settings.window().visible);
        QCOMPARE(*world->fs.readAll(kSettings), std::string(kFile));
    }

    void rulesAddedAndRemovedReachTheFileAndTheMainWindow() {
        const auto rulesFile = [this] {
            return extapps::decodeRules(world->fs.readAll("/app/Data/alice_ExternApp.dat").value_or(""));
        };
        open();
        QCOMPARE(showPage(1), QStringLiteral("010000"));
        for (const char* path : {"/usr/bin/zaloha", "/opt/sync"}) {
            world->dialogs.openAnswers = {path};
            click(n::RuleBrowseButton);
            perform(find(n::StopSecondsField), ArrowUp);
            click(n::StartAtBox);
            perform(find(n::StartAtTime), Qt::Key_Up);
            QCOMPARE(state({n::RulePath, n::StopSecondsField, n::StartAtBox, n::StartAtTime}),
                     QStringLiteral("RulePath=%1 StopSecondsField=1 StartAtBox=1 StartAtTime=1:00:00")
                         .arg(QString::fromUtf8(path)));
            click(n::RuleAddButton);
            QCOMPARE(state({n::RulePath, n::StopSecondsField, n::StartAtBox, n::StartAtTime}),
                     QStringLiteral("RulePath= StopSecondsField=0 StartAtBox=0 StartAtTime=0:00:00-"));
        }
        QCOMPARE(lines(n::RuleList), QStringLiteral("/usr/bin/zaloha|/opt/sync"));
        QCOMPARE(rulesFile().size(), 2u);
        QVERIFY(rulesFile()[0].stopSecondsBefore == 1 && rulesFile()[0].startAtOn);
        QCOMPARE(qRound(rulesFile()[0].startAt * 24 * 60), 60);

        auto* list = find<QListWidget>(n::RuleList);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(state({n::RulePath, n::StartAtTime}), QStringLiteral("RulePath=/usr/bin/zaloha StartAtTime=1:00:00"));
        click(n::RuleRemoveButton);
        QCOMPARE(lines(n::RuleList), QStringLiteral("/opt/sync"));
        QCOMPARE(rulesFile().size(), 1u);
        QCOMPARE(rulesFile()[0].path, std::string("/opt/sync"));
        QCOMPARE(world->form->externalApps().rules().size(), 1u);
        QCOMPARE(world->form->externalApps().rules()[0].path, std::string("/opt/sync"));
    }

    // Coming back from another window of the program reloads every control from the file; coming back from another
    // application or from the dialog's own message box or chooser leaves the edits, and the main window keeps the
    // colour just chosen.
    void onlyAnotherWindowOfTheProgramReloadsTheControls_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("kept");
        QTest::newRow("the dialog's own chooser") << "chooser" << true;
        QTest::newRow("another application") << "elsewhere" << true;
        QTest::newRow("the main window") << "main" << false;
    }
    void onlyAnotherWindowOfTheProgramReloadsTheControls() {
        QFETCH(QString, from);
        QFETCH(bool, kept);
        world->fs.put(kSettings, kFile);
        open();
        QApplication::setActiveWindow(dialog); // as the window manager does after the showing
        click(n::ReDialBox);
        world->dialogs.colorAnswers = {0x00336699u};
        click(n::ColorButton);
        QDialog chooser(dialog);
        if (from == QLatin1String("chooser")) { // the platform's chooser, gone before its owner is active again
            chooser.show();
            QApplication::setActiveWindow(&chooser);
            chooser.hide();
        } else if (from == QLatin1String("main")) {
            QApplication::setActiveWindow(&world->shell->mainWindow());
        } else {
            QApplication::setActiveWindow(nullptr);
            for (auto s : {Qt::ApplicationInactive, Qt::ApplicationActive}) {
                QApplicationStateChangeEvent event(s);
                QApplication::sendEvent(qApp, &event);
            }
        }
        QApplication::setActiveWindow(dialog);
        QCOMPARE(shown(find(n::ReDialBox)), kept ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(world->views.main.get(names::TForm1::TForm1).color == 0x00336699u, kept);
    }

    // "Změnit" writes the account, yet the drop-down line keeps the old text until the dialog is shown again.
    void aChangedAccountKeepsItsStaleLine() {
        open();
        QCOMPARE(showPage(5), QStringLiteral("000001"));
        QCOMPARE(shown(find(n::PortEdit)), QStringLiteral("110"));
        QTest::keyClicks(find(n::ServerEdit), QStringLiteral("pop.a.cz"));
        QTest::keyClicks(find(n::UserEdit), QStringLiteral("alice"));
        QTest::keyClicks(find(n::PasswordEdit), QStringLiteral("tajne"));
        click(n::AccountAddButton);
        QCOMPARE(lines(n::AccountList), QStringLiteral("pop.a.cz , alice"));
        QCOMPARE(state({n::ServerEdit, n::PortEdit}), QStringLiteral("ServerEdit= PortEdit="));

        QTest::keyClick(find(n::AccountList), Qt::Key_Down);
        QCOMPARE(state({n::ServerEdit, n::PortEdit}), QStringLiteral("ServerEdit=pop.a.cz PortEdit=110"));
        QTest::keyClick(find(n::ServerEdit), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(find(n::ServerEdit), QStringLiteral("pop.b.cz"));
        click(n::AccountChangeButton);
        QCOMPARE(lines(n::AccountList), QStringLiteral("pop.a.cz , alice"));
        mail::MailFileLock lock;
        const auto accounts = mail::MailAccountsFile(world->fs, lock, {}, "/app/Data/alice_Email.dat").load();
        QCOMPARE(accounts, (std::vector<mail::MailAccount>{{"pop.b.cz", "alice", "tajne", "110"}}));
    }
};

QTEST_MAIN(SettingsDialogFlowTest)
#include "SettingsDialogFlowTest.moc"
