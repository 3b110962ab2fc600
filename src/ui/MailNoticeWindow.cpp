#include "ui/MailNoticeWindow.h"

#include "mail/MailNoticeNames.h"
#include "ui/UiShell.h"
#include "ui/ViewBinder.h"
#include "ui/WindowSupport.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TForm11;

MailNoticeWindow::MailNoticeWindow(shell::WindowView& view, shell::IntentSink& sink) : view_(view), sink_(sink) {
    setObjectName(qtName(w::TForm11));
    setFont(windowFont());
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setWindowTitle(QString::fromUtf8("Nový email"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(0);
    for (const auto& name : {w::Label1, w::Label2}) {
        auto* label = new QLabel(this);
        label->setObjectName(qtName(name));
        label->setAlignment(Qt::AlignCenter);
        label->installEventFilter(this);
        layout->addWidget(label);
    }
    setFixedSize(169, 31);
    setCursor(Qt::PointingHandCursor); // the whole notice is one button

    binder_ = new ViewBinder(*this, view, sink);
}

MailNoticeWindow::~MailNoticeWindow() = default;

bool MailNoticeWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (const auto name = view_.find(watched->objectName().toStdString())) {
            sink_.clicked(*name);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MailNoticeWindow::mouseReleaseEvent(QMouseEvent* event) {
    sink_.clicked(w::TForm11);
    event->accept();
}

void MailNoticeWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    binder_->windowEvent(shell::WindowEvent::Closed);
}

void addMailWindows(UiShell& windows, app::Views& views) {
    windows.addWindow(views.mailNotice, [](shell::WindowView& view, shell::IntentSink& sink, QWidget*) {
        return std::make_unique<MailNoticeWindow>(view, sink);
    });
}

} // namespace qv::ui
