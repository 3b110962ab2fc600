#include "ui/SettingsWindow.h"
#include "RecordingSink.h"
#include "app/Views.h"
#include "settingsdialog/SettingsDialogFields.h"
#include "ui/MainWindow.h"
#include "ui/UiShell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include <memory>

using namespace qv;
namespace n = names::TForm2;
using settingsdialog::kNumberFields;
using settingsdialog::kPages;

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

QString qname(const shell::WidgetName& name) {
    return QString::fromLatin1(name.name.data(), qsizetype(name.name.size()));
}

// The caption a widget shows: a label's or button's text, a group's title.
QString caption(const QObject* o) {
    if (const auto* g = qobject_cast<const QGroupBox*>(o))
        return g->title();
    return o->property("text").toString();
}

// Each page's captions, "widget=caption" joined by "|", exactly as the dialog shows them.
const char* const kCaptions[][2] = {
    {"TForm2", "PagesGroup=Položky nastavení|SaveButton=Uložit nastavení|CancelButton=Storno"},
    {"ConnectGroup", "ConnectGroup=Připojeni, odpojení|ReDialBox=Při samovolném odpojení znovu připojit|"
                     "ReDialTimeBox=Po|ReDialTimeUnit=min.|ReDialTimeAction=odpojit, |ReDialTimeReconnect=připojit|"
                     "ReDataBox=Po přenesení|ReDataUnit=MB|ReDataAction=odpojit, |ReDataReconnect=připojit|"
                     "SlowBox=Po dobu|SlowTimeUnit=min ,|SlowSpeedLabel=rychlost pod|SlowSpeedUnit=KB/s|"
                     "SlowAction=odpojit, |SlowReconnect=připojit|DelayLabel=Prodleva mezi připojením a odpojením|"
                     "DelayUnit=sekund|UsbRestartBox=Restartovat USB port při odpojení|"
                     "PingRestartBox=Automaticky restartovat připojení po několikanásobném chybném pingu |"
                     "Retry721Box=Pokusit se znovu připojit po chybě 721 nebo 720 s minutovou pauzou"},
    {"AppsGroup", "AppsGroup=Externí aplikace|StopSecondsLabel=Vypnout|StopSecondsUnit=sek. před odpojením|"
                  "StopMegabytesLabel=Vypnout|StopMegabytesUnit=MB před odpojením|StartSecondsLabel=Spustit|"
                  "StartSecondsUnit=sek. po připojení|StartAtBox=Spustit v|StopAtBox=Vypnout v|"
                  "RuleBrowseButton=Vybrat aplikaci|RuleAddButton=Přidat|RuleRemoveButton=Odebrat|"
                  "RuleChangeButton=Změnit"},
    {"FloatGroup", "FloatGroup=Plovoucí okno|FloatShowBox=Zapnout plovoucí okno při připojení|"
                   "FloatWarnLabel=Upozornění plovoucího okna|FloatDataUnit=MB před odpojením|"
                   "FloatTimeUnit=sek. před odpojením|OpacityLabel=Průhlednost plovoucího okna"},
    {"OtherGroup", "OtherGroup=Ostatní|RestoreBox=Obnovení aplikace po odpojení|MinimizeBox=Minimalizace po připojení|"
                   "MeteringGroup=Monitorování přenosu dat|CountersOption=Registry|PacketsOption=Pakety|"
                   "PeriodicSaveBox=Průběžně ukládat přenosy po|PeriodicSaveUnit=minutách připojení|"
                   "PurgeBox=Odstranit ze statistik záznamy starší než|PurgeUnit=dny|"
                   "ModemPortLabel=Port pro komunikaci s modemem|ModemInfoButton=Info modem|TimeoutLabel=Timeout|"
                   "TimeoutUnit=sec|ColorLabel=Nastavit barvu aplikace|ColorButton=Vybrat barvu|"
                   "ClockLabel=Synchronizace času|ClockButton=Synchronizovat"},
    {"StartGroup", "StartGroup=Start aplikace|AutoConnectBox=Připojit po startu aplikace, tj. i při startu windows|"
                   "AutoStartBox=Spustit aplikaci při startu windows|ConnectAtBox=Připojit v|"
                   "DisconnectAtBox=Odpojit v|PowerOffBox=Vypnout PC"},
    {"MailGroup", "MailGroup=Nastavení kontroly emailů|AccountsLabel=Vytvořené účty|ServerLabel=POP3 server|"
                  "PortLabel=Port|UserLabel=Uživ. jméno|PasswordLabel=Heslo|AccountAddButton=Přidat|"
                  "AccountRemoveButton=Odebrat|AccountChangeButton=Změnit|MailCheckBox=Kontrolovat každých|"
                  "MailIntervalUnit=minut|MailSoundBox=Zvukové oznámení|MailClientBox=Otevřít emailového klienta|"
                  "MailClientButton=Cesta"},
};

// The intent one user gesture on each widget sends, from the widget's state at the window's first showing: a click
// on a box or button, one arrow step up on a number or time field (left on the slider), one step down a list.
// Labels and groups send nothing. Lists get two entries first, so that there is somewhere to step to.
const char* const kIntents =
    "indexChanged PageList 1|clicked SaveButton|clicked CancelButton|"
    "toggled ReDialBox 1|toggled ReDialTimeBox 1|textEdited ReDialTimeField 2|toggled ReDialTimeReconnect 1|"
    "toggled ReDataBox 1|textEdited ReDataField 2|toggled ReDataReconnect 1|"
    "toggled SlowBox 1|textEdited SlowTimeField 2|textEdited SlowSpeedField 1|toggled SlowReconnect 1|"
    "textEdited DelayField 11|toggled UsbRestartBox 1|toggled PingRestartBox 1|toggled Retry721Box 1|"
    "indexChanged RuleList 0|textEdited StopSecondsField 1|textEdited StopMegabytesField 1|"
    "textEdited StartSecondsField 1|toggled StartAtBox 1|textEdited StartAtTime 1:00:00|toggled StopAtBox 1|"
    "textEdited StopAtTime 1:00:00|clicked RuleBrowseButton|clicked RuleAddButton|clicked RuleRemoveButton|"
    "clicked RuleChangeButton|"
    "toggled FloatShowBox 1|textEdited FloatDataField 2|textEdited FloatTimeField 11|indexChanged OpacitySlider 24|"
    "toggled RestoreBox 1|toggled MinimizeBox 1|toggled CountersOption 1|toggled PacketsOption 1|"
    "toggled PeriodicSaveBox 1|textEdited PeriodicSaveField 21|toggled PurgeBox 1|textEdited PurgeField 2|"
    "indexChanged ModemPortList 0|clicked ModemInfoButton|textEdited TimeoutField 1.5|clicked ColorButton|"
    "clicked ClockButton|"
    "toggled AutoConnectBox 1|toggled AutoStartBox 1|toggled ConnectAtBox 1|textEdited ConnectAtTime 1:00:00|"
    "toggled DisconnectAtBox 1|textEdited DisconnectAtTime 1:00:00|toggled PowerOffBox 1|"
    "indexChanged AccountList 0|textEdited ServerEdit x|textEdited PortEdit x|textEdited UserEdit x|"
    "textEdited PasswordEdit x|clicked AccountAddButton|clicked AccountRemoveButton|clicked AccountChangeButton|"
    "toggled MailCheckBox 1|textEdited MailIntervalField 2|toggled MailSoundBox 1|toggled MailClientBox 1|"
    "clicked MailClientButton";

} // namespace

// The settings dialog's widgets over a view driven by the test, as the dialog logic will drive it.
class SettingsWindowTest : public QObject {
    Q_OBJECT

    ui::test::RecordingSink sink;
    std::unique_ptr<app::Views> views;
    std::unique_ptr<ui::UiShell> shell;

    shell::WindowView& view() { return views->settings; }
    QWidget& window() { return *shell->window("TForm2"); }
    template <typename T = QWidget>
    T* find(const shell::WidgetName& name) {
        T* found = name.isWindow() ? qobject_cast<T*>(&window()) : window().findChild<T*>(qname(name));
        if (!found)
            qFatal("no %s of type %s", std::string(name.name).c_str(), T::staticMetaObject.className());
        return found;
    }
    // Shows that page group alone, as the logic does for the page list.
    void showPage(const shell::WidgetName& group) {
        for (const auto& page : kPages)
            view().setVisible(page.group, page.group == group);
        window().layout()->activate();
    }
    void showPageOf(const QWidget& widget) {
        for (const auto& page : kPages)
            if (find(page.group)->isAncestorOf(&widget))
                showPage(page.group);
    }
    // The intents recorded so far, "kind widget value" joined by "|", without the window's name.
    QString intents() {
        QStringList lines = sink.log;
        sink.log.clear();
        for (QString& line : lines)
            line.remove(QStringLiteral(" TForm2"));
        return lines.join(QLatin1Char('|'));
    }

private slots:
    void init() {
        sink.log.clear();
        sink.onIntent = nullptr;
        views = std::make_unique<app::Views>();
        shell = std::make_unique<ui::UiShell>(views->main, views->exitDialog, views->fatalError, views->connectionLog,
                                              sink);
        ui::addSettingsWindow(*shell, *views);
        shell->start();
        sink.log.clear();
        QVERIFY(!shell->window("TForm2")); // made only when first asked for
        view().showWindow();
        QVERIFY(shell->window("TForm2") && window().isVisible());
        QCOMPARE(intents(), QStringLiteral("windowEvent Activated"));
    }
    void cleanup() {
        shell.reset();
        views.reset();
    }

    void windowIsAFixedNonModalDialogOverTheMainWindow() {
        QWidget& w = window();
        QCOMPARE(w.windowTitle(), u8("Nastavení"));
        QCOMPARE(w.size(), QSize(664, 321));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowModality(), Qt::NonModal);
        const Qt::WindowFlags flags = w.windowFlags();
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY((w.frameGeometry().center() - shell->mainWindow().frameGeometry().center()).manhattanLength() <= 2);
        QCOMPARE(w.focusWidget(), find<QListWidget>(n::PageList));

        view().setColor(n::TForm2, 0x00C0FFEE); // the main window's colour, handed over at the opening
        QCOMPARE(w.palette().color(QPalette::Window), QColor(0xEE, 0xFF, 0xC0));
        QCOMPARE(find<QGroupBox>(n::OtherGroup)->palette().color(QPalette::Window), QColor(0xEE, 0xFF, 0xC0));

        QVERIFY(w.close());
        QCOMPARE(intents(), QStringLiteral("windowEvent Closed"));
    }

    // Each caption, on its page.
    void everyCaptionOnItsPage() {
        for (const auto& [pageName, captions] : kCaptions) {
            QWidget* page =
                pageName == QByteArray("TForm2") ? &window() : window().findChild<QWidget*>(QLatin1String(pageName));
            QVERIFY2(page, pageName);
            QStringList shown;
            for (const QString& entry : u8(captions).split(QLatin1Char('|'))) {
                const QString name = entry.section(QLatin1Char('='), 0, 0);
                QWidget* widget = page->objectName() == name ? page : page->findChild<QWidget*>(name);
                shown << name + QLatin1Char('=') + (widget ? caption(widget) : QStringLiteral("<missing>"));
            }
            QCOMPARE(shown.join(QLatin1Char('|')), u8(captions));
        }
        // Fixed list entries: the six pages in order and the sixteen ports.
        auto* pages = find<QListWidget>(n::PageList);
        QCOMPARE(pages->count(), int(kPages.size()));
        for (int i = 0; i < pages->count(); ++i)
            QCOMPARE(pages->item(i)->text(), u8(kPages[std::size_t(i)].item));
        auto* ports = find<QComboBox>(n::ModemPortList);
        QCOMPARE(ports->count(), 16);
        QCOMPARE(ports->itemText(0) + ports->itemText(15), QStringLiteral("Com1Com16"));
        QCOMPARE(ports->currentIndex(), -1);
        QCOMPARE(find<QLineEdit>(n::PasswordEdit)->echoMode(), QLineEdit::Normal);
    }

    // One gesture on each named widget sends one intent of its kind (that the names and the widgets match, the dial
    // flow test checks for every window).
    void eachGestureSendsItsIntent() {
        view().setItems(n::RuleList, {"/usr/bin/a", "/usr/bin/b"});
        view().setItems(n::AccountList, {"pop.a.cz , a", "pop.b.cz , b"});
        sink.log.clear();
        for (const shell::WidgetName& name : view().names()) {
            if (name.isWindow())
                continue;
            QObject* o = find<QObject>(name);
            showPageOf(*find(name)); // as the page list would
            if (auto* button = qobject_cast<QAbstractButton*>(o))
                // A box stretched along its row reacts only on its mark and caption.
                QTest::mouseClick(button, Qt::LeftButton, {},
                                  button->isCheckable() ? QPoint(6, button->height() / 2) : button->rect().center());
            else if (auto* slider = qobject_cast<QSlider*>(o))
                QTest::keyClick(slider, Qt::Key_Left);
            else if (auto* spin = qobject_cast<QAbstractSpinBox*>(o))
                QTest::keyClick(spin, Qt::Key_Up);
            else if (auto* edit = qobject_cast<QLineEdit*>(o))
                QTest::keyClicks(edit, QStringLiteral("x"));
            else if (qobject_cast<QComboBox*>(o) || qobject_cast<QListWidget*>(o))
                QTest::keyClick(qobject_cast<QWidget*>(o), Qt::Key_Down);
        }
        QCOMPARE(intents(), QLatin1String(kIntents));
        // What the user did is what the view now holds.
        QCOMPARE(view().get(n::TimeoutField).text, "1.5");
        QCOMPARE(view().get(n::ConnectAtTime).text, "1:00:00");
        QCOMPARE(view().get(n::OpacitySlider).index, 24);
        QVERIFY(view().get(n::PacketsOption).checked);
        QVERIFY(!view().get(n::CountersOption).checked); // cleared by Qt when "Pakety" was chosen
    }

    // Each number field has its table's limits; typing is refused and the arrows stop at the limits, sending nothing.
    void numberFieldsStepWithinTheirLimitsAndTakeNoTyping() {
        for (const auto& f : kNumberFields) {
            auto* spin = window().findChild<QAbstractSpinBox*>(qname(f.name));
            if (!spin)
                continue; // the slider and the lists
            showPageOf(*spin);
            const auto value = [spin] { return spin->property("value").toDouble(); };
            QCOMPARE(QList<double>({spin->property("minimum").toDouble(), spin->property("maximum").toDouble(),
                                    spin->property("singleStep").toDouble(), spin->property("decimals").toDouble()}),
                     QList<double>({f.min, f.max, f.step, double(f.decimals)}));
            view().setText(f.name, QString::number(f.max, 'f', f.decimals).toStdString());
            QTest::keyClick(spin, Qt::Key_Up);
            QTest::keyClick(spin, Qt::Key_PageUp);
            QCOMPARE(value(), f.max);
            view().setText(f.name, QString::number(f.min, 'f', f.decimals).toStdString());
            QTest::keyClick(spin, Qt::Key_Down);
            QTest::keyClicks(spin, QStringLiteral("7"));
            QTest::keyClick(spin, Qt::Key_Backspace);
            QTest::keyClick(spin, Qt::Key_Enter); // the same value again
            QCOMPARE(value(), f.min);
            QCOMPARE(intents(), QString());
        }
    }

    // The time-out steps by half a second and answers with the view's decimal mark; times go out as "H:mm:ss".
    void timeoutAndTimesAsText() {
        showPage(n::OtherGroup);
        const struct {
            const char* shown;
            Qt::Key key;
            const char* sent;
        } cases[] = {{"2.5", Qt::Key_Up, "3.0"},
                     {"2,5", Qt::Key_Up, "3,0"},
                     {"1.5", Qt::Key_Down, "1.0"},
                     {"4,5", Qt::Key_Up, "5,0"},
                     {"3", Qt::Key_Down, "2.5"}};
        for (const auto& c : cases) {
            view().setText(n::TimeoutField, c.shown);
            QTest::keyClick(find(n::TimeoutField), c.key);
            QCOMPARE(intents(), QLatin1String("textEdited TimeoutField ") + QLatin1String(c.sent));
            QCOMPARE(view().get(n::TimeoutField).text, c.sent);
        }
        QCOMPARE(find<QDoubleSpinBox>(n::TimeoutField)->text().size(), 3); // "2.5": one decimal

        showPage(n::StartGroup);
        auto* at = find<QTimeEdit>(n::ConnectAtTime);
        view().setText(n::ConnectAtTime, "07:30:00");
        at->setCurrentSection(QDateTimeEdit::MinuteSection);
        QTest::keyClick(at, Qt::Key_Up);
        QTest::keyClick(at, Qt::Key_Enter); // no change, nothing sent
        QCOMPARE(intents(), QStringLiteral("textEdited ConnectAtTime 7:31:00"));
    }

    // The page list and a logic that shows the chosen page: one group at a time, and a click on the current item asks
    // for it again (as a click on the current rule reads that rule again).
    void pageListShowsOneGroup() {
        sink.onIntent = [this](const QString& line) {
            const QString prefix = QStringLiteral("indexChanged TForm2 PageList ");
            if (line.startsWith(prefix))
                showPage(kPages[line.mid(prefix.size()).toUInt()].group);
        };
        auto* list = find<QListWidget>(n::PageList);
        const auto click = [list](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        };
        for (int row : {3, 0, 5, 5, 1}) {
            sink.log.clear();
            click(row);
            QCOMPARE(intents(), QStringLiteral("indexChanged PageList %1").arg(row));
            QCOMPARE(list->currentRow(), row);
            for (std::size_t i = 0; i < kPages.size(); ++i)
                QCOMPARE(find(kPages[i].group)->isVisible(), int(i) == row);
        }
    }

    // Every page's controls fit in the fixed window: each gets the room it asks for (a number field pressed below
    // that loses its arrows first), and the page list shows every item whole.
    void everyPageFits() {
        for (const auto& page : kPages) {
            showPage(page.group);
            QWidget* group = find(page.group);
            QVERIFY(group->isVisible());
            const QSize need = group->sizeHint();
            QVERIFY2(need.width() <= group->width() && need.height() <= group->height(),
                     qPrintable(qname(page.group) + QStringLiteral(" needs %1x%2, has %3x%4")
                                                        .arg(need.width())
                                                        .arg(need.height())
                                                        .arg(group->width())
                                                        .arg(group->height())));
            QVERIFY(window().rect().contains(group->geometry()));
        }
        auto* list = find<QListWidget>(n::PageList);
        for (int i = 0; i < list->count(); ++i) {
            const QRect item = list->visualItemRect(list->item(i));
            QVERIFY(list->viewport()->rect().contains(item));
            QVERIFY2(list->fontMetrics().boundingRect(item, Qt::TextWordWrap, list->item(i)->text()).height() <=
                         item.height(),
                     qPrintable(list->item(i)->text()));
        }
    }

    // What the view says, each widget kind shows, and drawing sends nothing back.
    void viewStateReachesEachKindOfWidget() {
        showPage(n::AppsGroup);
        view().setChecked(n::StartAtBox, true);
        view().setEnabled(n::StartAtTime, false);
        QVERIFY(find<QCheckBox>(n::StartAtBox)->isChecked() && !find(n::StartAtTime)->isEnabled());
        const struct {
            const char* text;
            int value;
        } numbers[] = {{"12", 12}, {"0", 0}, {"20000", 1000}, {"abc", 1000}, {"7,0", 7}};
        for (const auto& c : numbers) {
            view().setText(n::StopSecondsField, c.text);
            QCOMPARE(find<QSpinBox>(n::StopSecondsField)->value(), c.value);
        }
        const struct {
            const char* text;
            QTime time;
        } times[] = {{"7:30:00", QTime(7, 30)},       {"07:30:05", QTime(7, 30, 5)}, {"00:00:00", QTime(0, 0)},
                     {"23:59:59", QTime(23, 59, 59)}, {"7:30:00 PM", QTime(19, 30)}, {"x", QTime(19, 30)}};
        for (const auto& c : times) {
            view().setText(n::StopAtTime, c.text);
            QCOMPARE(find<QTimeEdit>(n::StopAtTime)->time(), c.time);
        }
        QCOMPARE(find<QTimeEdit>(n::StopAtTime)->text(), QStringLiteral("19:30:00"));

        auto* rules = find<QListWidget>(n::RuleList);
        view().setItems(n::RuleList, {"/opt/a", "/opt/b", "/opt/c"});
        view().setIndex(n::RuleList, 2);
        QCOMPARE(rules->count() * 10 + rules->currentRow(), 32);
        view().setIndex(n::RuleList, -1);
        QVERIFY(rules->selectedItems().isEmpty());

        auto* path = find<ui::PathText>(n::RulePath);
        const std::string longPath = "/home/alice/programs/" + std::string(200, 'p') + "/app.bin";
        view().setText(n::RulePath, longPath);
        QCOMPARE(path->text().toStdString(), longPath);
        QCOMPARE(path->toolTip().toStdString(), longPath);
        QVERIFY(path->shownText().startsWith(QChar(0x2026)) && path->shownText().endsWith(QLatin1String("/app.bin")));
        QVERIFY(path->fontMetrics().horizontalAdvance(path->shownText()) <= path->contentsRect().width());
        view().setText(n::RulePath, "/bin/x");
        QCOMPARE(path->shownText(), QStringLiteral("/bin/x"));

        view().setIndex(n::OpacitySlider, 7);
        QCOMPARE(find<QSlider>(n::OpacitySlider)->value(), 7);
        view().setIndex(n::ModemPortList, 3); // no items from the view: the window's own stay
        QCOMPARE(find<QComboBox>(n::ModemPortList)->currentText(), QStringLiteral("Com4"));
        view().setIndex(n::ModemPortList, -1);
        QCOMPARE(find<QComboBox>(n::ModemPortList)->currentIndex(), -1);
        QCOMPARE(intents(), QString());

        // Qt clears the other option of the pair; the view follows.
        view().setChecked(n::PacketsOption, true);
        view().setChecked(n::CountersOption, true);
        QVERIFY(!find<QRadioButton>(n::PacketsOption)->isChecked() && !view().get(n::PacketsOption).checked);
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
