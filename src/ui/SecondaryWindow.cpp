#include "ui/SecondaryWindow.h"

#include "ui/ViewBinder.h"
#include "ui/WindowSupport.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace qv::ui {

SecondaryWindow::SecondaryWindow(const QString& objectName, QWidget* anchor) : anchor_(anchor) {
    setObjectName(objectName);
    setFont(windowFont());
}

void SecondaryWindow::bind(shell::WindowView& view, shell::IntentSink& sink) {
    binder_ = new ViewBinder(*this, view, sink);
}

void SecondaryWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event); // the window goes; whether it still exists is the logic's to say
    binder_->windowEvent(shell::WindowEvent::Closed);
}

void SecondaryWindow::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        centreOver(*this, anchor_);
        shown();
    }
    QWidget::showEvent(event);
}

} // namespace qv::ui
