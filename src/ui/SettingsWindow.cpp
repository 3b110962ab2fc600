#include "ui/SettingsWindow.h"

#include "settingsdialog/SettingsDialogFields.h"
#include "ui/UiShell.h"
#include "ui/ViewBinder.h"
#include "ui/WindowSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <initializer_list>
#include <stdexcept>

namespace qv::ui {

namespace w = names::TForm2;

namespace {

constexpr int kMargin = 6;       // inside a group
constexpr int kPagesWidth = 176; // "Položky nastavení"

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

template <typename T>
T* named(T* widget, const shell::WidgetName& name) {
    widget->setObjectName(qtName(name));
    return widget;
}

QLabel* label(QWidget* parent, const shell::WidgetName& name, const char* text) {
    return named(new QLabel(u8(text), parent), name);
}

QCheckBox* box(QWidget* parent, const shell::WidgetName& name, const char* text) {
    return named(new QCheckBox(u8(text), parent), name);
}

QPushButton* button(QWidget* parent, const shell::WidgetName& name, const char* text) {
    return named(new QPushButton(u8(text), parent), name);
}

QLineEdit* edit(QWidget* parent, const shell::WidgetName& name) {
    return named(new QLineEdit(parent), name);
}

QGroupBox* group(QWidget* parent, const shell::WidgetName& name, const char* title) {
    return named(new QGroupBox(u8(title), parent), name);
}

// A spin box whose text the user cannot type into: only its arrows (and the arrow keys) step the value.
template <typename Base>
class StepOnly final : public Base {
public:
    explicit StepOnly(QWidget* parent) : Base(parent) { this->lineEdit()->setReadOnly(true); }
};

const settingsdialog::NumberField& limitsOf(const shell::WidgetName& name) {
    for (const auto& f : settingsdialog::kNumberFields)
        if (f.name == name)
            return f;
    throw std::logic_error("no limits for " + std::string(name.name));
}

// A number field with the limits, step and decimals of its table entry.
QAbstractSpinBox* number(QWidget* parent, const shell::WidgetName& name) {
    const auto& f = limitsOf(name);
    if (f.decimals > 0) {
        auto* spin = named(new StepOnly<QDoubleSpinBox>(parent), name);
        spin->setDecimals(f.decimals);
        spin->setRange(f.min, f.max);
        spin->setSingleStep(f.step);
        return spin;
    }
    auto* spin = named(new StepOnly<QSpinBox>(parent), name);
    spin->setRange(static_cast<int>(f.min), static_cast<int>(f.max));
    spin->setSingleStep(static_cast<int>(f.step));
    return spin;
}

QTimeEdit* time(QWidget* parent, const shell::WidgetName& name) {
    auto* edit = named(new QTimeEdit(QTime(0, 0), parent), name);
    edit->setDisplayFormat(QStringLiteral("H:mm:ss"));
    return edit;
}

PathText* path(QWidget* parent, const shell::WidgetName& name) {
    auto* text = named(new PathText(parent), name);
    text->setProperty(kElideLeftProperty, true);
    return text;
}

// The widgets side by side, left-aligned.
QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QHBoxLayout;
    layout->setSpacing(3);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch(1);
    return layout;
}

QVBoxLayout* column(QGroupBox* group) {
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(kMargin, 4, kMargin, kMargin);
    layout->setSpacing(3);
    return layout;
}

} // namespace

PathText::PathText(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

QString PathText::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideLeft, contentsRect().width() - 2 * margin() - 4);
}

QSize PathText::sizeHint() const {
    return {fontMetrics().averageCharWidth() * 24, QLabel::sizeHint().height()};
}

QSize PathText::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 8, QLabel::minimumSizeHint().height()};
}

void PathText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin() + 2, 0, -margin() - 2, 0);
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shownText(),
                          foregroundRole());
}

SettingsWindow::SettingsWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(qtName(w::TForm2), anchor) {
    setWindowTitle(u8("Nastavení"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 6);
    root->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    root->addLayout(top, 1);

    auto* pages = group(this, w::PagesGroup, "Položky nastavení");
    auto* list = named(new QListWidget(pages), w::PageList);
    for (const auto& page : settingsdialog::kPages)
        list->addItem(u8(page.item));
    list->setCurrentRow(0);
    // A long item takes two lines rather than room from the pages.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setWordWrap(true);
    list->setResizeMode(QListView::Adjust);
    pages->setFixedWidth(kPagesWidth);
    column(pages)->addWidget(list);
    top->addWidget(pages);

    // The six pages share one place; the logic keeps one of them visible.
    auto* place = new QGridLayout;
    place->setContentsMargins(0, 0, 0, 0);
    for (QWidget* page :
         {buildConnectPage(), buildAppsPage(), buildFloatPage(), buildOtherPage(), buildStartPage(), buildMailPage()}) {
        place->addWidget(page, 0, 0);
        page->setVisible(page->objectName() == qtName(settingsdialog::kPages.front().group));
    }
    top->addLayout(place, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(button(this, w::SaveButton, "Uložit nastavení"));
    buttons->addWidget(button(this, w::CancelButton, "Storno"));
    root->addLayout(buttons);
    setFixedSize(kClientWidth, kClientHeight);

    bind(view, sink);
    // Each activation from another of the program's windows reloads every control from the settings file: a switch
    // back from another application, or from a message box, file or colour chooser of the dialog itself, must not
    // undo the user's edits (nor the colour just chosen for the main window).
    binder().setActivations(ViewBinder::Activations::FromOtherWindows);
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::shown() {
    findChild<QListWidget*>(qtName(w::PageList))->setFocus();
}

QWidget* SettingsWindow::buildConnectPage() {
    auto* g = group(this, w::ConnectGroup, "Připojeni, odpojení");
    auto* c = column(g);
    c->addWidget(box(g, w::ReDialBox, "Při samovolném odpojení znovu připojit"));
    c->addLayout(
        row({box(g, w::ReDialTimeBox, "Po"), number(g, w::ReDialTimeField), label(g, w::ReDialTimeUnit, "min."),
             label(g, w::ReDialTimeAction, "odpojit, "), box(g, w::ReDialTimeReconnect, "připojit")}));
    c->addLayout(row({box(g, w::ReDataBox, "Po přenesení"), number(g, w::ReDataField), label(g, w::ReDataUnit, "MB"),
                      label(g, w::ReDataAction, "odpojit, "), box(g, w::ReDataReconnect, "připojit")}));
    c->addLayout(row({box(g, w::SlowBox, "Po dobu"), number(g, w::SlowTimeField), label(g, w::SlowTimeUnit, "min ,"),
                      label(g, w::SlowSpeedLabel, "rychlost pod"), number(g, w::SlowSpeedField),
                      label(g, w::SlowSpeedUnit, "KB/s"), label(g, w::SlowAction, "odpojit, "),
                      box(g, w::SlowReconnect, "připojit")}));
    c->addLayout(row({label(g, w::DelayLabel, "Prodleva mezi připojením a odpojením"), number(g, w::DelayField),
                      label(g, w::DelayUnit, "sekund")}));
    c->addWidget(box(g, w::UsbRestartBox, "Restartovat USB port při odpojení"));
    c->addWidget(box(g, w::PingRestartBox, "Automaticky restartovat připojení po několikanásobném chybném pingu "));
    c->addWidget(box(g, w::Retry721Box, "Pokusit se znovu připojit po chybě 721 nebo 720 s minutovou pauzou"));
    c->addStretch(1);
    return g;
}

QWidget* SettingsWindow::buildAppsPage() {
    auto* g = group(this, w::AppsGroup, "Externí aplikace");
    auto* c = column(g);
    auto* upper = new QHBoxLayout;
    upper->setSpacing(6);
    auto* rules = named(new QListWidget(g), w::RuleList);
    rules->setFixedWidth(130);
    upper->addWidget(rules);
    auto* fields = new QGridLayout;
    fields->setSpacing(3);
    const struct {
        shell::WidgetName label, field, unit;
        const char *caption, *unitText;
    } numbers[] = {
        {w::StopSecondsLabel, w::StopSecondsField, w::StopSecondsUnit, "Vypnout", "sek. před odpojením"},
        {w::StopMegabytesLabel, w::StopMegabytesField, w::StopMegabytesUnit, "Vypnout", "MB před odpojením"},
        {w::StartSecondsLabel, w::StartSecondsField, w::StartSecondsUnit, "Spustit", "sek. po připojení"},
    };
    int r = 0;
    for (const auto& n : numbers) {
        fields->addWidget(label(g, n.label, n.caption), r, 0);
        fields->addWidget(number(g, n.field), r, 1);
        fields->addWidget(label(g, n.unit, n.unitText), r, 2);
        ++r;
    }
    fields->addWidget(box(g, w::StartAtBox, "Spustit v"), r, 0);
    fields->addWidget(time(g, w::StartAtTime), r++, 1);
    fields->addWidget(box(g, w::StopAtBox, "Vypnout v"), r, 0);
    fields->addWidget(time(g, w::StopAtTime), r++, 1);
    fields->setColumnStretch(3, 1);
    fields->setRowStretch(r, 1);
    upper->addLayout(fields, 1);
    c->addLayout(upper, 1);

    auto* file = new QHBoxLayout;
    file->setSpacing(4);
    file->addWidget(path(g, w::RulePath), 1);
    file->addWidget(button(g, w::RuleBrowseButton, "Vybrat aplikaci"));
    c->addLayout(file);
    c->addLayout(row({button(g, w::RuleAddButton, "Přidat"), button(g, w::RuleRemoveButton, "Odebrat"),
                      button(g, w::RuleChangeButton, "Změnit")}));
    return g;
}

QWidget* SettingsWindow::buildFloatPage() {
    auto* g = group(this, w::FloatGroup, "Plovoucí okno");
    auto* c = column(g);
    c->addWidget(box(g, w::FloatShowBox, "Zapnout plovoucí okno při připojení"));
    c->addSpacing(6);
    c->addWidget(label(g, w::FloatWarnLabel, "Upozornění plovoucího okna"));
    c->addLayout(row({number(g, w::FloatDataField), label(g, w::FloatDataUnit, "MB před odpojením")}));
    c->addLayout(row({number(g, w::FloatTimeField), label(g, w::FloatTimeUnit, "sek. před odpojením")}));
    c->addSpacing(6);
    auto* slider = named(new QSlider(Qt::Horizontal, g), w::OpacitySlider);
    const auto& limits = limitsOf(w::OpacitySlider);
    slider->setRange(static_cast<int>(limits.min), static_cast<int>(limits.max));
    slider->setPageStep(5);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setValue(slider->maximum()); // fully opaque until the settings say otherwise
    slider->setFixedWidth(220);
    c->addWidget(label(g, w::OpacityLabel, "Průhlednost plovoucího okna"));
    c->addWidget(slider);
    c->addStretch(1);
    return g;
}

QWidget* SettingsWindow::buildOtherPage() {
    auto* g = group(this, w::OtherGroup, "Ostatní");
    auto* grid = new QGridLayout(g);
    grid->setContentsMargins(kMargin, 4, kMargin, kMargin);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);

    auto* boxes = new QVBoxLayout;
    boxes->addWidget(box(g, w::RestoreBox, "Obnovení aplikace po odpojení"));
    boxes->addWidget(box(g, w::MinimizeBox, "Minimalizace po připojení"));
    auto* metering = group(g, w::MeteringGroup, "Monitorování přenosu dat");
    auto* options = new QHBoxLayout(metering);
    options->setContentsMargins(8, 2, 8, 2);
    options->addWidget(named(new QRadioButton(u8("Registry"), metering), w::CountersOption));
    options->addWidget(named(new QRadioButton(u8("Pakety"), metering), w::PacketsOption));
    auto* first = new QHBoxLayout;
    first->addLayout(boxes);
    first->addStretch(1);
    first->addWidget(metering);
    grid->addLayout(first, 0, 0, 1, 4);

    grid->addLayout(row({box(g, w::PeriodicSaveBox, "Průběžně ukládat přenosy po"), number(g, w::PeriodicSaveField),
                         label(g, w::PeriodicSaveUnit, "minutách připojení")}),
                    1, 0, 1, 4);
    grid->addLayout(row({box(g, w::PurgeBox, "Odstranit ze statistik záznamy starší než"), number(g, w::PurgeField),
                         label(g, w::PurgeUnit, "dny")}),
                    2, 0, 1, 4);

    auto* ports = named(new QComboBox(g), w::ModemPortList);
    for (int i = 1; i <= 16; ++i)
        ports->addItem(QStringLiteral("Com%1").arg(i));
    ports->setCurrentIndex(-1);
    grid->addWidget(label(g, w::ModemPortLabel, "Port pro komunikaci s modemem"), 3, 0);
    grid->addLayout(row({ports, button(g, w::ModemInfoButton, "Info modem")}), 3, 1, 1, 3);
    grid->addWidget(label(g, w::TimeoutLabel, "Timeout"), 4, 0);
    grid->addLayout(row({number(g, w::TimeoutField), label(g, w::TimeoutUnit, "sec")}), 4, 1, 1, 3);
    grid->addWidget(label(g, w::ColorLabel, "Nastavit barvu aplikace"), 5, 0);
    grid->addLayout(row({button(g, w::ColorButton, "Vybrat barvu")}), 5, 1, 1, 3);
    grid->addWidget(label(g, w::ClockLabel, "Synchronizace času"), 6, 0);
    grid->addLayout(row({button(g, w::ClockButton, "Synchronizovat")}), 6, 1, 1, 3);
    grid->setRowStretch(7, 1);
    return g;
}

QWidget* SettingsWindow::buildStartPage() {
    auto* g = group(this, w::StartGroup, "Start aplikace");
    auto* c = column(g);
    c->addWidget(box(g, w::AutoConnectBox, "Připojit po startu aplikace, tj. i při startu windows"));
    c->addWidget(box(g, w::AutoStartBox, "Spustit aplikaci při startu windows"));
    c->addSpacing(6);
    auto* times = new QGridLayout;
    times->setSpacing(4);
    times->addWidget(box(g, w::ConnectAtBox, "Připojit v"), 0, 0);
    times->addWidget(time(g, w::ConnectAtTime), 0, 1);
    times->addWidget(box(g, w::DisconnectAtBox, "Odpojit v"), 1, 0);
    times->addWidget(time(g, w::DisconnectAtTime), 1, 1);
    times->addWidget(box(g, w::PowerOffBox, "Vypnout PC"), 1, 2);
    times->setColumnStretch(3, 1);
    c->addLayout(times);
    c->addStretch(1);
    return g;
}

QWidget* SettingsWindow::buildMailPage() {
    auto* g = group(this, w::MailGroup, "Nastavení kontroly emailů");
    auto* c = column(g);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->addWidget(label(g, w::AccountsLabel, "Vytvořené účty"), 0, 0);
    grid->addWidget(named(new QComboBox(g), w::AccountList), 0, 1, 1, 3);
    grid->addWidget(label(g, w::ServerLabel, "POP3 server"), 1, 0);
    grid->addWidget(edit(g, w::ServerEdit), 1, 1);
    grid->addWidget(label(g, w::PortLabel, "Port"), 1, 2);
    grid->addWidget(edit(g, w::PortEdit), 1, 3);
    grid->addWidget(label(g, w::UserLabel, "Uživ. jméno"), 2, 0);
    grid->addWidget(edit(g, w::UserEdit), 2, 1);
    grid->addWidget(label(g, w::PasswordLabel, "Heslo"), 2, 2);
    grid->addWidget(edit(g, w::PasswordEdit), 2, 3); // shown in clear, as the user typed it
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    c->addLayout(grid);
    c->addLayout(row({button(g, w::AccountAddButton, "Přidat"), button(g, w::AccountRemoveButton, "Odebrat"),
                      button(g, w::AccountChangeButton, "Změnit")}));
    c->addSpacing(4);
    auto* check = row({box(g, w::MailCheckBox, "Kontrolovat každých"), number(g, w::MailIntervalField),
                       label(g, w::MailIntervalUnit, "minut")});
    check->addWidget(box(g, w::MailSoundBox, "Zvukové oznámení"));
    c->addLayout(check);
    auto* client = new QHBoxLayout;
    client->setSpacing(4);
    client->addWidget(box(g, w::MailClientBox, "Otevřít emailového klienta"));
    client->addWidget(path(g, w::MailClientPath), 1);
    client->addWidget(button(g, w::MailClientButton, "Cesta"));
    c->addLayout(client);
    c->addStretch(1);
    return g;
}

void addSettingsWindow(UiShell& shell, app::Views& views) {
    shell.addWindow(views.settings, [](shell::WindowView& v, shell::IntentSink& sink, QWidget* mainWindow) {
        return std::make_unique<SettingsWindow>(v, sink, mainWindow);
    });
}

} // namespace qv::ui
