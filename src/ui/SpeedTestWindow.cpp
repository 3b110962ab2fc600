#include "ui/SpeedTestWindow.h"

#include "tools/SpeedTestNames.h"
#include "ui/UiShell.h"
#include "ui/WindowSupport.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TForm9;

namespace {

QLabel* label(QWidget* parent, const shell::WidgetName& name, const char* text) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(qtName(name));
    return l;
}

void setMaximum(QProgressBar& bar, const std::string& text) {
    bool ok = false;
    const int maximum = QString::fromStdString(text).toInt(&ok);
    if (ok && maximum > 0)
        bar.setMaximum(maximum);
}

} // namespace

SpeedTestWindow::SpeedTestWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor)
    : SecondaryWindow(qtName(w::TForm9), anchor) {
    setWindowTitle(QString::fromUtf8("Test rychlosti"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* speed = new QGroupBox(QString::fromUtf8("Rychlost: download"), this);
    speed->setObjectName(qtName(w::GroupBox1));
    auto* speedGrid = new QGridLayout(speed);
    speedGrid->addWidget(label(speed, w::Label1, "Download:"), 0, 0);
    speedGrid->addWidget(label(speed, w::Label2, ""), 0, 1);
    speedGrid->addWidget(label(speed, w::Label4, "Ping:"), 1, 0);
    speedGrid->addWidget(label(speed, w::Label3, ""), 1, 1);
    speedGrid->setColumnStretch(1, 1);
    layout->addWidget(speed);

    auto* perTime = new QGroupBox(QString::fromUtf8("Přepočet"), this);
    perTime->setObjectName(qtName(w::GroupBox2));
    auto* perGrid = new QGridLayout(perTime);
    perGrid->addWidget(label(perTime, w::Label5, "Za minutu:"), 0, 0);
    perGrid->addWidget(label(perTime, w::Label7, ""), 0, 1);
    perGrid->addWidget(label(perTime, w::Label6, "Za hodinu:"), 1, 0);
    perGrid->addWidget(label(perTime, w::Label8, ""), 1, 1);
    perGrid->setColumnStretch(1, 1);
    layout->addWidget(perTime);

    auto* bar = new QProgressBar(this);
    bar->setObjectName(qtName(w::ProgressBar1));
    bar->setTextVisible(false);
    setMaximum(*bar, view.get(w::ProgressBar1).text);
    layout->addWidget(bar);

    auto* buttons = new QHBoxLayout;
    auto* start = new QPushButton(QString::fromUtf8("Spustit test"), this);
    start->setObjectName(qtName(w::Button1));
    auto* cancel = new QPushButton(QString::fromUtf8("Storno"), this);
    cancel->setObjectName(qtName(w::Button2));
    buttons->addWidget(start);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    resize(260, 230);

    // The maximum before the position: the logic writes them in that order.
    view.subscribe([guard = QPointer<QProgressBar>(bar), &view](const shell::WidgetName& name) {
        if (guard && name == w::ProgressBar1)
            setMaximum(*guard, view.get(w::ProgressBar1).text);
    });
    bind(view, sink);
}

SpeedTestWindow::~SpeedTestWindow() = default;

void addToolWindows(UiShell& shell, app::Views& views) {
    shell.addWindow(views.speedTest, [](shell::WindowView& v, shell::IntentSink& sink, QWidget* mainWindow) {
        return std::make_unique<SpeedTestWindow>(v, sink, mainWindow);
    });
}

} // namespace qv::ui
