#include "ui/FocusOrigin.h"

#include <QApplication>
#include <QApplicationStateChangeEvent>
#include <QWidget>

namespace qv::ui {

FocusOrigin& FocusOrigin::instance() {
    // A child of the application: it goes with it, and a new application gets a new one.
    auto* existing = qApp->findChild<FocusOrigin*>(QString(), Qt::FindDirectChildrenOnly);
    return existing ? *existing : *new FocusOrigin;
}

FocusOrigin::FocusOrigin() : QObject(qApp) {
    qApp->installEventFilter(this);
}

bool FocusOrigin::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ApplicationStateChange:
        // The platform reports the application inactive once no window of it has the focus; a window it activates
        // next got the focus from outside.
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
            outside_ = true;
        break;
    case QEvent::WindowActivate:
        // Qt also tells every widget inside the window; only the window itself counts.
        if (auto* window = qobject_cast<QWidget*>(watched); window && window->isWindow()) {
            activationFromOutside_ = outside_;
            activationFromOwnDialog_ = !outside_ && ownerOfActive_ == window;
            ownerOfActive_ = window->parentWidget() ? window->parentWidget()->window() : nullptr;
            outside_ = false;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qv::ui
