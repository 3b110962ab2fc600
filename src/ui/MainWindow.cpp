#include "ui/MainWindow.h"

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

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

QLabel* addLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(u8(text), parent);
    if (name)
        label->setObjectName(QLatin1String(name));
    return label;
}

// One caption-and-value row of a group.
QLabel* addRow(QGridLayout* grid, QWidget* parent, const char* caption, const char* valueName,
               const char* valueText = "") {
    const int row = grid->rowCount();
    grid->addWidget(addLabel(parent, nullptr, caption), row, 0);
    QLabel* value = addLabel(parent, valueName, valueText);
    grid->addWidget(value, row, 1);
    return value;
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const char* title) {
    auto* group = new QGroupBox(u8(title), parent);
    group->setObjectName(QLatin1String(name));
    return group;
}

QGridLayout* makeGrid(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(1);
    grid->setColumnStretch(1, 1);
    return grid;
}

QAction* addMenuItem(QMenu* menu, const char* name, const char* text) {
    QAction* action = menu->addAction(u8(text));
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu* makeMenu(QWidget* parent, const char* name, const char* title) {
    auto* menu = new QMenu(u8(title), parent);
    menu->setObjectName(QLatin1String(name));
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
    setObjectName(QStringLiteral("TForm1"));
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
}

MainWindow::~MainWindow() = default;

QList<QIcon> MainWindow::trayImages() {
    return {trayImage(QColor(0x2e, 0xb8, 0x3c)), trayImage(QColor(0xc0, 0x3a, 0x30)),
            trayImage(QColor(0xf2, 0xa9, 0x1c))};
}

QWidget* MainWindow::buildConnectionGroup() {
    QGroupBox* group = makeGroup(this, "GroupBox1", "Připojení");
    QGridLayout* grid = makeGrid(group);

    auto* accounts = new QComboBox(group);
    accounts->setObjectName(QStringLiteral("ComboBox1"));
    accounts->setPlaceholderText(u8("Připojení"));
    accounts->setToolTip(u8("Pravým tlačítkem editace atd.."));
    accounts->setProperty(kPopupMenuProperty, QStringLiteral("PopupMenu2"));
    grid->addWidget(accounts, 0, 0, 1, 2);

    QMenu* accountMenu = makeMenu(this, "PopupMenu2", "");
    addMenuItem(accountMenu, "Editovat1", "Editovat");
    addMenuItem(accountMenu, "Smazat1", "Smazat");

    grid->addWidget(addLabel(group, nullptr, "Uživatelské jméno"), 1, 0);
    auto* user = new QLineEdit(group);
    user->setObjectName(QStringLiteral("Edit1"));
    grid->addWidget(user, 1, 1);

    grid->addWidget(addLabel(group, nullptr, "Heslo"), 2, 0);
    auto* password = new QLineEdit(group);
    password->setObjectName(QStringLiteral("Edit2"));
    password->setEchoMode(QLineEdit::Password);
    grid->addWidget(password, 2, 1);

    auto* store = new QCheckBox(u8("Uložit změny v Uživatel a Heslo"), group);
    store->setObjectName(QStringLiteral("CheckBox1"));
    store->setToolTip(u8("K uložení dojde po kliknutí na Připojit"));
    grid->addWidget(store, 3, 0, 1, 2);

    auto* defaultAccount = new QCheckBox(u8("Nastavit jako CDMA účet"), group);
    defaultAccount->setObjectName(QStringLiteral("CheckBox2"));
    grid->addWidget(defaultAccount, 4, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    for (auto [name, text] : {std::pair{"SpeedButton3", "Detekuj účet"}, std::pair{"SpeedButton1", "Připojit"},
                              std::pair{"SpeedButton2", "Odpojit"}}) {
        auto* button = new QPushButton(u8(text), group);
        button->setObjectName(QLatin1String(name));
        buttons->addWidget(button);
    }
    group->findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->setEnabled(false);
    grid->addLayout(buttons, 5, 0, 1, 2);
    return group;
}

QWidget* MainWindow::buildAddressGroup() {
    QGroupBox* group = makeGroup(this, "GroupBox2", "IP adresy");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "IP Server :", "Label4");
    addRow(grid, group, "IP Klient :", "Label6");
    return group;
}

QWidget* MainWindow::buildSpeedGroup() {
    QGroupBox* group = makeGroup(this, "GroupBox3", "Rychlost KB/s");
    QGridLayout* grid = makeGrid(group);
    QLabel* direction = addLabel(group, "Label8", "Download");
    direction->setToolTip(u8("Dvojklikem Upload/Download"));
    grid->addWidget(direction, 0, 0);
    grid->addWidget(addLabel(group, "Label7", ""), 0, 1);
    return group;
}

QWidget* MainWindow::buildLimitsGroup() {
    QGroupBox* group = makeGroup(this, "GroupBox4", "Datové toky a čas aktuálního připojení, limity");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "Délka připojení:", "Label11");
    addRow(grid, group, "Zbývající:", "Label13");
    addRow(grid, group, "Přenesená data:", "Label15");
    addRow(grid, group, "Zbývající:", "Label17");
    addRow(grid, group, "Pokles downloadu:", "Label20");
    addRow(grid, group, "Zbývající:", "Label21");
    return group;
}

QWidget* MainWindow::buildTrafficGroup() {
    QGroupBox* group = makeGroup(this, "GroupBox5", "Přenos dat, aktuální připojení, celkem");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "Download:", "Label24");
    addRow(grid, group, "Upload:", "Label27");
    return group;
}

QWidget* MainWindow::buildModemGroup() {
    QGroupBox* group = makeGroup(this, "GroupBox6", "Modem info");
    QGridLayout* grid = makeGrid(group);
    addRow(grid, group, "Signál:", "LabelSignal", "?");
    addRow(grid, group, "Baterie:", "LabelBattery", "?");
    auto* level = new QProgressBar(group);
    level->setObjectName(QStringLiteral("ProgressBar1"));
    level->setRange(0, 100);
    level->setValue(0);
    level->setTextVisible(false);
    level->setMaximumHeight(10);
    grid->addWidget(level, grid->rowCount(), 0, 1, 2);
    return group;
}

QWidget* MainWindow::buildStatusPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    QLabel* status = addLabel(panel, "Label9", "Odpojeno");
    status->setAlignment(Qt::AlignCenter);
    status->setWordWrap(true);
    layout->addWidget(status);
    return panel;
}

void MainWindow::buildMainMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* menu = makeMenu(this, "Menu1", "Menu");
    addMenuItem(menu, "Vytvoitnovet1", "Vytvořit nový účet");
    addMenuItem(menu, "Nastaveni1", "Nastaveni");
    addMenuItem(menu, "Statistika1", "Statistika");
    addMenuItem(menu, "Restartovatpipojen1", "Restart připojení");
    addMenuItem(menu, "Zobrazitlog1", "Zobrazit log");
    addMenuItem(menu, "Konec1", "Konec");
    bar->addMenu(menu);

    QMenu* speed = makeMenu(this, "TestRychlosti1", "Test Rychlosti");
    addMenuItem(speed, "Test1", "Test");
    bar->addMenu(speed);

    QMenu* about = makeMenu(this, "Oaplikaci1", "O aplikaci");
    addMenuItem(about, "Licence1", "Licence");
    addMenuItem(about, "Aktualizace1", "Aktualizace");
    addMenuItem(about, "Jtnaweb1", "Jít na web");
    bar->addMenu(about);
}

void MainWindow::buildTray() {
    QMenu* menu = makeMenu(this, "PopupMenu1", "");
    addMenuItem(menu, "Obnovitaplikaci1", "Obnovit aplikaci");
    menu->addSeparator();
    addMenuItem(menu, "Pipojit1", "Připojit");
    addMenuItem(menu, "Odpojit1", "Odpojit")->setEnabled(false);
    menu->addSeparator();
    addMenuItem(menu, "Nerestartovatpipojen1", "Nerestartovat připojení")->setCheckable(true);
    addMenuItem(menu, "VypnoutPcpoodpojen1", "Vypnout PC po odpojení")->setCheckable(true);
    menu->addSeparator();
    addMenuItem(menu, "Restartpipojen1", "Restart připojení");
    addMenuItem(menu, "Nastaven1", "Nastavení");
    addMenuItem(menu, "Konec2", "Konec");

    tray_ = new QSystemTrayIcon(this);
    tray_->setObjectName(QStringLiteral("TrayIcon1"));
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
    if (isMinimized() && !(change->oldState() & Qt::WindowMinimized))
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
