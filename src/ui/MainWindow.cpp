#include "ui/MainWindow.h"

#include "shell/ShellNames.h"
#include "ui/ViewBinder.h"
#include "ui/WindowSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TForm1;

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

QLabel* addLabel(QWidget* parent, const shell::WidgetName* name, const char* text) {
    auto* label = new QLabel(u8(text), parent);
    if (name)
        label->setObjectName(qtName(*name));
    return label;
}

// One caption-and-value row of a group.
QLabel* addRow(QGridLayout* grid, QWidget* parent, const char* caption, const shell::WidgetName& valueName,
               const char* valueText = "") {
    const int row = grid->rowCount();
    grid->addWidget(addLabel(parent, nullptr, caption), row, 0);
    QLabel* value = addLabel(parent, &valueName, valueText);
    grid->addWidget(value, row, 1);
    return value;
}

QGroupBox* makeGroup(QWidget* parent, const shell::WidgetName& name, const char* title) {
    auto* group = new QGroupBox(u8(title), parent);
    group->setObjectName(qtName(name));
    return group;
}

QGridLayout* makeGrid(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(1);
    grid->setColumnStretch(1, 1);
    return grid;
}

QAction* addMenuItem(QMenu* menu, const shell::WidgetName& name, const char* text) {
    QAction* action = menu->addAction(u8(text));
    action->setObjectName(qtName(name));
    return action;
}

QMenu* makeMenu(QWidget* parent, const shell::WidgetName& name, const char* title) {
    auto* menu = new QMenu(u8(title), parent);
    menu->setObjectName(qtName(name));
    return menu;
}

QIcon trayImage(const QColor& fill) {
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal pen = size / 16.0;
        painter.setPen(QPen(fill.darker(170), pen));
        painter.setBrush(fill);
        painter.drawEllipse(QRectF(pen, pen, size - 2 * pen, size - 2 * pen));
        // A highlight so the dot reads as a lamp on light and dark panels alike.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 110));
        painter.drawEllipse(QRectF(size * 0.28, size * 0.2, size * 0.3, size * 0.25));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

MainWindow::MainWindow(shell::WindowView& view, shell::IntentSink& sink) {
    setObjectName(qtName(w::TForm1));
    setWindowTitle(QStringLiteral("Quorvex 1.32 Beta"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(windowFont());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 2, 4, 4);
    column->setSpacing(2);
    column->addWidget(buildConnectionGroup());
    column->addWidget(buildAddressGroup());
    column->addWidget(buildSpeedGroup());
    column->addWidget(buildLimitsGroup());
    column->addWidget(buildTrafficGroup());
    column->addWidget(buildModemGroup());
    column->addStretch(1);
    column->addWidget(buildStatusPanel());
    setCentralWidget(central);

    buildMainMenu();
    buildTray();
    setFixedSize(297, 550);

    binder_ = new ViewBinder(*this, view, sink);
    binder_->setImages(*tray_, trayImages());
    // The activation step reloads the account list and its credentials: it is meant for coming back from the
    // program's own windows, not for a switch back from another application, which would undo what the user typed.
    binder_->setActivations(ViewBinder::Activations::WithinProgram);
}

MainWindow::~MainWindow() = default;

QList<QIcon> MainWindow::trayImages() {
    return {trayImage(QColor(0x2e, 0xb8, 0x3c)), trayImage(QColor(0xc0, 0x3a, 0x30)),
            trayImage(QColor(0xf2, 0xa9, 0x1c))};
}

QWidget* MainWindow::buildConnectionGroup() {
    QGroupBox* group = makeGroup(this, w::GroupBox1, "Připojení");
    QGridLayout* grid = makeGrid(group);

    auto* accounts = new QComboBox(group);
    accounts->setObjectName(qtName(w::ComboBox1));
    accounts->setPlaceholderText(u8("Připojení"));
    accounts->setToolTip(u8("Pravým tlačítkem editace atd.."));
    accounts->setProperty(kPopupMenuProperty, qtName(w::PopupMenu2));
    grid->addWidget(accounts, 0, 0, 1, 2);

    QMenu* accountMenu = makeMenu(this, w::PopupMenu2, "");
    addMenuItem(accountMenu, w::Editovat1, "Editovat");
    addMenuItem(accountMenu, w::Smazat1, "Smazat");

    grid->addWidget(addLabel(group, nullptr, "Uživatelské jméno"), 1, 0);
    auto* user = new QLineEdit(group);
    user->setObjectName(qtName(w::Edit1));
    grid->addWidget(user, 1, 1);

    grid->addWidget(addLabel(group, nullptr, "Heslo"), 2, 0);
    auto* password = new QLineEdit(group);
    password->setObjectName(qtName(w::Edit2));
    password->setEchoMode(QLineEdit::Password);
    grid->addWidget(password, 2, 1);

    auto* store = new QCheckBox(u8("Uložit změny v Uživatel a Heslo"), group);
    store->setObjectName(qtName(w::CheckBox1));
    store->setToolTip(u8("K uložení dojde po kliknutí na Připojit"));
    grid->addWidget(store, 3, 0, 1, 2);

    auto* defaultAccount = new QCheckBox(u8("Nastavit jako CDMA účet"), group);
    defaultAccount->setObjectName(qtName(w::CheckBox2));
    grid->addWidget(defaultAccount, 4, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    for (auto [name, text] : {std::pair{w::SpeedButton3, "Detekuj účet"}, std::pair{w::SpeedButton1, "Připojit"},
                              std::pair{w::SpeedButton2, "Odpojit"}}) {
        auto* button = new QPushButton(u8(text), group);
        button->setObjectName(qtName(name));
        buttons->addWidget(button);
    }
    group->findChild<QPushButton*>(qtName(w::SpeedButton2))->setEnabled(false);
    grid->addLayout(buttons, 5, 0, 1, 2);
    return group;
}

QWidget* MainWindow::buildAddressGroup() {
    QGroupBox* group = makeGroup(this, w::GroupBox2, "IP adresy");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "IP Server :", w::Label4);
    addRow(grid, group, "IP Klient :", w::Label6);
    return group;
}

QWidget* MainWindow::buildSpeedGroup() {
    QGroupBox* group = makeGroup(this, w::GroupBox3, "Rychlost KB/s");
    QGridLayout* grid = makeGrid(group);
    QLabel* direction = addLabel(group, &w::Label8, "Download");
    direction->setToolTip(u8("Dvojklikem Upload/Download"));
    grid->addWidget(direction, 0, 0);
    grid->addWidget(addLabel(group, &w::Label7, ""), 0, 1);
    return group;
}

QWidget* MainWindow::buildLimitsGroup() {
    QGroupBox* group = makeGroup(this, w::GroupBox4, "Datové toky a čas aktuálního připojení, limity");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "Délka připojení:", w::Label11);
    addRow(grid, group, "Zbývající:", w::Label13);
    addRow(grid, group, "Přenesená data:", w::Label15);
    addRow(grid, group, "Zbývající:", w::Label17);
    addRow(grid, group, "Pokles downloadu:", w::Label20);
    addRow(grid, group, "Zbývající:", w::Label21);
    return group;
}

QWidget* MainWindow::buildTrafficGroup() {
    QGroupBox* group = makeGroup(this, w::GroupBox5, "Přenos dat, aktuální připojení, celkem");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "Download:", w::Label24);
    addRow(grid, group, "Upload:", w::Label27);
    return group;
}

QWidget* MainWindow::buildModemGroup() {
    QGroupBox* group = makeGroup(this, w::GroupBox6, "Modem info");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "Signál:", w::LabelSignal, "?");
    addRow(grid, group, "Baterie:", w::LabelBattery, "?");
    auto* level = new QProgressBar(group);
    level->setObjectName(qtName(w::ProgressBar1));
    level->setRange(0, 100);
    level->setValue(0);
    level->setTextVisible(false);
    level->setMaximumHeight(10);
    grid->addWidget(level, grid->rowCount(), 0, 1, 2);
    return group;
}

QWidget* MainWindow::buildStatusPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(qtName(w::Panel1));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    QLabel* status = addLabel(panel, &w::Label9, "Odpojeno");
    status->setAlignment(Qt::AlignCenter);
    status->setWordWrap(true);
    layout->addWidget(status);
    return panel;
}

void MainWindow::buildMainMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(qtName(w::MainMenu1));

    QMenu* menu = makeMenu(this, w::Menu1, "Menu");
    addMenuItem(menu, w::Vytvoitnovet1, "Vytvořit nový účet");
    addMenuItem(menu, w::Nastaveni1, "Nastaveni");
    addMenuItem(menu, w::Statistika1, "Statistika");
    addMenuItem(menu, w::Restartovatpipojen1, "Restart připojení");
    addMenuItem(menu, w::Zobrazitlog1, "Zobrazit log");
    addMenuItem(menu, w::Konec1, "Konec");
    bar->addMenu(menu);

    QMenu* speed = makeMenu(this, w::TestRychlosti1, "Test Rychlosti");
    addMenuItem(speed, w::Test1, "Test");
    bar->addMenu(speed);

    QMenu* about = makeMenu(this, w::Oaplikaci1, "O aplikaci");
    addMenuItem(about, w::Licence1, "Licence");
    addMenuItem(about, w::Aktualizace1, "Aktualizace");
    addMenuItem(about, w::Jtnaweb1, "Jít na web");
    bar->addMenu(about);
}

void MainWindow::buildTray() {
    QMenu* menu = makeMenu(this, w::PopupMenu1, "");
    addMenuItem(menu, w::Obnovitaplikaci1, "Obnovit aplikaci");
    menu->addSeparator();
    addMenuItem(menu, w::Pipojit1, "Připojit");
    addMenuItem(menu, w::Odpojit1, "Odpojit")->setEnabled(false);
    menu->addSeparator();
    addMenuItem(menu, w::Nerestartovatpipojen1, "Nerestartovat připojení")->setCheckable(true);
    addMenuItem(menu, w::VypnoutPcpoodpojen1, "Vypnout PC po odpojení")->setCheckable(true);
    menu->addSeparator();
    addMenuItem(menu, w::Restartpipojen1, "Restart připojení");
    addMenuItem(menu, w::Nastaven1, "Nastavení");
    addMenuItem(menu, w::Konec2, "Konec");

    tray_ = new QSystemTrayIcon(this);
    tray_->setObjectName(qtName(w::TrayIcon1));
    tray_->setToolTip(QStringLiteral("Quorvex"));
    tray_->setIcon(trayImages().at(1));
    tray_->setContextMenu(menu);
    tray_->show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The close box never ends the program; the logic answers with the exit dialog.
    event->ignore();
    binder_->windowEvent(shell::WindowEvent::CloseRequested);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    // Only the user's minimise is news to the logic; an iconify it asked for is not.
    if (isMinimized() && !(change->oldState() & Qt::WindowMinimized) && !binder_->iconifying())
        binder_->windowEvent(shell::WindowEvent::Minimized);
}

void MainWindow::showEvent(QShowEvent* event) {
    if (!placed_ && !event->spontaneous()) {
        placed_ = true;
        centreOver(*this, nullptr);
    }
    QMainWindow::showEvent(event);
}

} // namespace qv::ui
