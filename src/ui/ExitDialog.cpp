#include "ui/ExitDialog.h"

#include "ui/ViewBinder.h"
#include "ui/WindowSupport.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>

namespace qv::ui {

ExitDialog::ExitDialog(app::WindowView& view, app::IntentSink& sink, QWidget* anchor) : anchor_(anchor) {
    setObjectName(QStringLiteral("TForm6"));
    setWindowTitle(QString::fromUtf8("Ukončení aplikace"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(windowFont());

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    for (auto [name, text] : {std::pair{"SpeedButton1", "Ukončit"}, std::pair{"SpeedButton2", "Ukončit a odpojit"},
                              std::pair{"SpeedButton3", "Storno"}}) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(QLatin1String(name));
        button->setFlat(true);
        button->setMinimumHeight(30);
        row->addWidget(button);
    }
    setFixedSize(320, 52);

    binder_ = new ViewBinder(*this, view, sink);
}

ExitDialog::~ExitDialog() = default;

void ExitDialog::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event); // the window goes; whether it still exists is the logic's to say
    binder_->windowEvent(app::WindowEvent::Closed);
}

void ExitDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        centreOver(*this, anchor_);
    QWidget::showEvent(event);
}

} // namespace qv::ui
