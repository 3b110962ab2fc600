#include "ui/ConnectionLogWindow.h"

#include "ui/ViewBinder.h"
#include "ui/WindowSupport.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qv::ui {

ConnectionLogWindow::ConnectionLogWindow(app::WindowView& view, app::IntentSink& sink, QWidget* anchor)
    : anchor_(anchor) {
    setObjectName(QStringLiteral("TForm10"));
    setWindowTitle(QString::fromUtf8("Log připojení a odpojení"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(windowFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memo);
    resize(510, 294);

    binder_ = new ViewBinder(*this, view, sink);
}

ConnectionLogWindow::~ConnectionLogWindow() = default;

void ConnectionLogWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    binder_->windowEvent(app::WindowEvent::Closed);
}

void ConnectionLogWindow::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        centreOver(*this, anchor_);
    QWidget::showEvent(event);
}

} // namespace qv::ui
