#include "ui/FloatingWindow.h"

#include "metering/FloatingNames.h"
#include "ui/UiShell.h"
#include "ui/ViewBinder.h"
#include "ui/WindowSupport.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace qv::ui {

namespace f = names::TForm7;

namespace {

constexpr int kRowHeight = 16;

// Every caption comes from the view.
QLabel* addLabel(QWidget* parent, const shell::WidgetName& name, QRect at,
                 Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(parent);
    label->setObjectName(qtName(name));
    label->setGeometry(at);
    label->setAlignment(align);
    return label;
}

} // namespace

FloatingWindow::FloatingWindow(shell::WindowView& view, shell::IntentSink& sink, metering::FloatingForm& form)
    : form_(form), self_(std::make_shared<FloatingWindow*>(this)) {
    setObjectName(qtName(f::TForm7));
    setWindowTitle(QStringLiteral("Quorvex"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::PointingHandCursor);
    QFont small = windowFont();
    small.setPixelSize(9); // the six values share 115 pixels
    setFont(small);

    auto* strip = addLabel(this, f::Panel1, QRect(0, 0, 116, 17));
    strip->setFrameStyle(QFrame::Box | QFrame::Plain);
    strip->setIndent(2);
    strip->setProperty(kBackgroundColourProperty, true);
    auto* collapse = new QPushButton(QStringLiteral("------"), strip);
    collapse->setObjectName(qtName(f::Button1));
    collapse->setGeometry(98, 0, 14, 12);
    collapse->setFlat(true);

    const Qt::Alignment centred = Qt::AlignCenter;
    QLabel* labels[] = {
        addLabel(this, f::DRLabel1, QRect(0, kRowHeight, 28, kRowHeight), centred),
        addLabel(this, f::DRLabel2, QRect(32, kRowHeight, 32, kRowHeight), centred),
        addLabel(this, f::DRLabel5, QRect(64, kRowHeight, 17, kRowHeight), centred),
        addLabel(this, f::DRLabel6, QRect(81, kRowHeight, 34, kRowHeight), centred),
        addLabel(this, f::DRLabel4, QRect(0, 2 * kRowHeight, 32, kRowHeight)),
        addLabel(this, f::DRLabel3, QRect(32, 2 * kRowHeight, 65, kRowHeight)),
        addLabel(this, f::DRLabel9, QRect(0, 3 * kRowHeight, 57, kRowHeight)),
        addLabel(this, f::DRLabel10, QRect(56, 3 * kRowHeight, 57, kRowHeight)),
    };
    installEventFilter(this);
    strip->installEventFilter(this);
    for (QLabel* label : labels)
        label->installEventFilter(this);

    form_.subscribe([weak = std::weak_ptr<FloatingWindow*>(self_)] {
        if (auto self = weak.lock(); self && *self)
            (*self)->applyPlacement();
    });
    topmostSeen_ = form_.placement().topmostRequests; // earlier requests are met by the first showing
    applyPlacement();
    binder_ = new ViewBinder(*this, view, sink);
}

FloatingWindow::~FloatingWindow() {
    *self_ = nullptr;
}

void FloatingWindow::applyPlacement() {
    const metering::FloatingPlacement& p = form_.placement();
    setFixedSize(p.clientWidth, p.clientHeight);
    move(p.left, p.top);
    setWindowOpacity(p.opacity / 255.0);
    if (p.topmostRequests != topmostSeen_) {
        topmostSeen_ = p.topmostRequests;
        show();
        raise(); // without activating: the user was leaving the program
    }
}

bool FloatingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        const auto* e = static_cast<QMouseEvent*>(event);
        const Qt::MouseButtons buttons = e->buttons();
        const Qt::KeyboardModifiers keys = e->modifiers();
        const QPoint at = e->globalPosition().toPoint();
        form_.DragFloatingWindow({buttons.testFlag(Qt::LeftButton), buttons.testFlag(Qt::RightButton),
                                  (buttons & ~(Qt::LeftButton | Qt::RightButton)) != Qt::NoButton,
                                  keys.testFlag(Qt::ShiftModifier), keys.testFlag(Qt::ControlModifier),
                                  keys.testFlag(Qt::AltModifier), at.x(), at.y()});
        return true; // taken here: a label's movement must not reach the window a second time
    }
    return QWidget::eventFilter(watched, event);
}

void addMeteringWindows(UiShell& windows, app::Views& views, metering::FloatingForm& form) {
    windows.addWindow(views.floating, [&form](shell::WindowView& view, shell::IntentSink& sink, QWidget*) {
        return std::make_unique<FloatingWindow>(view, sink, form);
    });
}

} // namespace qv::ui
