#include "ui/ViewBinder.h"

#include "common/Formats.h"
#include "ui/FocusOrigin.h"
#include "ui/WindowSupport.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qv::ui {

namespace {

enum Field : unsigned {
    Text = 1u << 0,
    Enabled = 1u << 1,
    Visible = 1u << 2,
    Checked = 1u << 3,
    Color = 1u << 4,
    Items = 1u << 5,
    Index = 1u << 6,
    Position = 1u << 7,
    AllFields = (1u << 8) - 1,
};

unsigned differing(const shell::WidgetState& a, const shell::WidgetState& b) {
    unsigned f = 0;
    f |= a.text != b.text ? Text : 0u;
    f |= a.enabled != b.enabled ? Enabled : 0u;
    f |= a.visible != b.visible ? Visible : 0u;
    f |= a.checked != b.checked ? Checked : 0u;
    f |= a.color != b.color ? Color : 0u;
    f |= a.items != b.items ? Items : 0u;
    f |= a.index != b.index ? Index : 0u;
    f |= a.position != b.position ? Position : 0u;
    return f;
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// Where a list widget's current row stood when the last mouse press on it began.
constexpr char kRowAtPress[] = "qv_rowAtPress";
// A time of day as time fields send it: the long time text, hours without a leading zero.
constexpr char kTimeFormat[] = "H:mm:ss";

// A number field's text: a decimal comma or point; nothing for what is no number.
std::optional<double> numberFromText(const std::string& text) {
    return parseDecimal(text, LocaleFormats{});
}

// A long time text, hours with or without a leading zero ("7:30:00", "07:30:00").
std::optional<QTime> timeFromText(const std::string& text) {
    const auto day = parseTimeOfDay(text, LocaleFormats{});
    if (!day)
        return std::nullopt;
    const auto seconds = static_cast<int>(std::lround(*day * 86400.0)) % 86400;
    return QTime(0, 0).addSecs(seconds);
}

QStringList toStringList(const std::vector<std::string>& items) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& i : items)
        list.push_back(qs(i));
    return list;
}

// The font colour of a widget; a system colour code or none gives the inherited colour back.
void applyFontColor(QWidget& w, const std::optional<std::uint32_t>& value) {
    const auto color = value ? colorFromValue(*value) : std::nullopt;
    if (!color) {
        w.setPalette(QPalette()); // an empty palette resolves everything from the parent again
        return;
    }
    QPalette pal; // only the roles set here are resolved; the rest still follows the parent
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        pal.setColor(role, *color);
    w.setPalette(pal);
}

// The background of a widget; a system colour code or none gives the parent's back.
void applyBackgroundColor(QWidget& w, const std::optional<std::uint32_t>& value) {
    const auto color = value ? colorFromValue(*value) : std::nullopt;
    QPalette pal;
    if (color)
        pal.setColor(QPalette::Window, *color);
    w.setAutoFillBackground(color.has_value());
    w.setPalette(pal);
}

void showWindow(QWidget& w) {
    if (w.isMinimized())
        w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
    w.show();
}

} // namespace

std::optional<QColor> colorFromValue(std::uint32_t value) {
    if ((value & 0xFF000000u) == 0xFF000000u)
        return std::nullopt;
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

ViewBinder::ViewBinder(QWidget& window, shell::WindowView& view, shell::IntentSink& sink)
    : QObject(&window), window_(window), view_(view), sink_(sink), self_(std::make_shared<ViewBinder*>(this)) {
    setObjectName(QStringLiteral("qt_viewbinder")); // not a widget of the window: never bound itself
    window_.installEventFilter(this);
    for (QObject* o : window_.findChildren<QObject*>())
        if (o != this && tableName(*o))
            connectWidget(*o);
}

ViewBinder::~ViewBinder() {
    *self_ = nullptr;
}

ViewBinder* ViewBinder::of(const QWidget& window) {
    return window.findChild<ViewBinder*>(QString(), Qt::FindDirectChildrenOnly);
}

void ViewBinder::attach() {
    applyAll();
    view_.subscribe([weak = std::weak_ptr<ViewBinder*>(self_)](const shell::WidgetName& name) {
        if (auto self = weak.lock(); self && *self)
            (*self)->changed(name);
    });
}

void ViewBinder::applyAll() {
    raisesSeen_ = view_.raiseCount(); // earlier raise requests are met by the showing itself
    // The names first: drawing may make and delete inner objects of the window (a text box's document parts).
    std::vector<shell::WidgetName> names;
    for (QObject* o : window_.findChildren<QObject*>()) {
        if (o == this)
            continue;
        if (const auto n = tableName(*o); n && view_.has(*n))
            names.push_back(*n);
    }
    for (const shell::WidgetName& n : names)
        apply(n, true);
    if (view_.has(view_.self()))
        apply(view_.self(), true);
}

void ViewBinder::changed(const shell::WidgetName& name) {
    apply(name, !drawn_.count(name));
}

void ViewBinder::setImages(QObject& target, QList<QIcon> images) {
    images_[&target] = std::move(images);
}

void ViewBinder::windowEvent(shell::WindowEvent event) {
    sink_.windowEvent(view_.self(), event);
}

void ViewBinder::apply(const shell::WidgetName& name, bool first) {
    const shell::WidgetState now = view_.get(name);
    const auto before = drawn_.find(name);
    first = first || before == drawn_.end();
    unsigned fields = first ? AllFields : differing(before->second, now);
    if (first && !now.color)
        fields &= ~Color; // no colour yet: leave the window's own palette alone
    // Stored before drawing: showing a window may re-enter the logic, which may change this entry again.
    drawn_[name] = now;
    if (name.isWindow()) {
        applyWindow(now, fields, first);
        return;
    }
    if (fields == 0)
        return;

    QObject* target = window_.findChild<QObject*>(QString::fromUtf8(name.name.data(), qsizetype(name.name.size())));
    if (!target || target == this)
        return;
    const QSignalBlocker block(target);
    // A first empty caption leaves the window's own constant caption in place.
    const bool setCaption = (fields & Text) && !(first && now.text.empty());
    const auto image = [&](auto setIcon) {
        auto it = images_.find(target);
        if ((fields & Index) && it != images_.end() && now.index >= 0 && now.index < it->second.size())
            setIcon(it->second.at(now.index));
    };

    if (auto* tray = qobject_cast<QSystemTrayIcon*>(target)) {
        if (setCaption)
            tray->setToolTip(qs(now.text));
        image([&](const QIcon& icon) { tray->setIcon(icon); });
        if (fields & Visible)
            tray->setVisible(now.visible);
        return;
    }
    if (auto* action = qobject_cast<QAction*>(target)) {
        if (setCaption)
            action->setText(qs(now.text));
        if (fields & Enabled)
            action->setEnabled(now.enabled);
        if (fields & Visible)
            action->setVisible(now.visible);
        if ((fields & Checked) && action->isCheckable())
            action->setChecked(now.checked);
        image([&](const QIcon& icon) { action->setIcon(icon); });
        return;
    }
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget)
        return;
    if (fields & Enabled)
        widget->setEnabled(now.enabled);
    if ((fields & Color) && widget->property(kBackgroundColourProperty).toBool())
        applyBackgroundColor(*widget, now.color);
    else if (fields & Color)
        applyFontColor(*widget, now.color);
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        // A menu's visibility is its entry in the menu bar; the popup itself opens only on demand.
        if (setCaption)
            menu->setTitle(qs(now.text));
        if (fields & Visible)
            menu->menuAction()->setVisible(now.visible);
        return;
    }
    if ((fields & Visible) && widget->isHidden() == now.visible)
        widget->setVisible(now.visible);

    // A first empty list keeps the window's own constant entries, as an empty caption does.
    const bool setItems = (fields & Items) && !(first && now.items.empty());
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (setItems) {
            combo->clear();
            combo->addItems(toStringList(now.items));
        }
        if (fields & (Items | Index))
            combo->setCurrentIndex(now.index < combo->count() ? now.index : -1);
        // Shown while nothing is selected, such as the hint of an empty account list.
        if (fields & Text)
            combo->setPlaceholderText(qs(now.text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if ((fields & Text) && edit->text() != qs(now.text))
            edit->setText(qs(now.text)); // only on a real change: keeps the cursor where the user left it
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        if ((fields & Text) && plain->toPlainText() != qs(now.text)) {
            plain->setPlainText(qs(now.text));
            if (plain->isReadOnly())
                plain->moveCursor(QTextCursor::End); // a log reads from its latest line
        }
    } else if (auto* rich = qobject_cast<QTextEdit*>(widget)) {
        if ((fields & Text) && rich->toPlainText() != qs(now.text))
            rich->setPlainText(qs(now.text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (setCaption) {
            label->setText(qs(now.text));
            if (label->property(kElideLeftProperty).toBool())
                label->setToolTip(qs(now.text));
        }
    } else if (auto* time = qobject_cast<QDateTimeEdit*>(widget)) {
        if (fields & Text)
            if (const auto t = timeFromText(now.text))
                time->setTime(*t);
    } else if (auto* real = qobject_cast<QDoubleSpinBox*>(widget)) {
        if (fields & Text)
            if (const auto v = numberFromText(now.text))
                real->setValue(*v); // clamped to the field's limits
    } else if (auto* whole = qobject_cast<QSpinBox*>(widget)) {
        if (fields & Text)
            if (const auto v = numberFromText(now.text); v && std::abs(*v) < 2e9)
                whole->setValue(static_cast<int>(std::lround(*v)));
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        if (fields & Index)
            slider->setValue(now.index);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (setItems) {
            list->clear();
            list->addItems(toStringList(now.items));
        }
        if (fields & (Items | Index)) {
            const int row = now.index < list->count() ? now.index : -1;
            list->setCurrentRow(row);
            if (row < 0)
                list->clearSelection();
        }
    } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
        if (fields & Index) {
            if (now.index < bar->minimum())
                bar->reset();
            else
                bar->setValue(std::min(now.index, bar->maximum()));
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (setCaption)
            button->setText(qs(now.text));
        if ((fields & Checked) && button->isCheckable())
            button->setChecked(now.checked);
        image([&](const QIcon& icon) { button->setIcon(icon); });
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        if (setCaption)
            group->setTitle(qs(now.text));
    }
}

void ViewBinder::applyWindow(const shell::WidgetState& now, unsigned fields, bool first) {
    if ((fields & Text) && !(first && now.text.empty()))
        window_.setWindowTitle(qs(now.text));
    if (fields & Color) {
        const auto color = now.color ? colorFromValue(*now.color) : std::nullopt;
        if (color) {
            QPalette pal;
            pal.setColor(QPalette::Window, *color);
            window_.setPalette(pal);
            window_.setAutoFillBackground(true);
        } else {
            window_.setPalette(QPalette());
        }
    }
    const bool raise = view_.raiseCount() != raisesSeen_;
    raisesSeen_ = view_.raiseCount();
    // Before showing, so that the window appears where the logic put it.
    if ((fields & Position) && now.position)
        window_.move(now.position->x, now.position->y);
    // A request made before the window existed still counts: the window then starts in the task bar.
    const bool iconify = view_.iconifyCount() != iconifiesSeen_;
    iconifiesSeen_ = view_.iconifyCount();
    if (iconify && now.visible) {
        iconifying_ = true;
        window_.showMinimized();
        iconifying_ = false;
    } else if (fields & Visible) {
        if (now.visible)
            showWindow(window_);
        else
            window_.hide();
    }
    if (raise && now.visible) {
        showWindow(window_);
        window_.raise();
        window_.activateWindow();
    }
}

std::optional<shell::WidgetName> ViewBinder::tableName(const QObject& object) const {
    const QString n = object.objectName();
    if (n.isEmpty())
        return std::nullopt;
    return view_.find(n.toStdString());
}

void ViewBinder::connectWidget(QObject& object) {
    const shell::WidgetName n = *tableName(object);
    if (auto* tray = qobject_cast<QSystemTrayIcon*>(&object)) {
        connect(tray, &QSystemTrayIcon::activated, this, [this, n](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                sink_.clicked(n);
        });
        return;
    }
    if (auto* action = qobject_cast<QAction*>(&object)) {
        connect(action, &QAction::triggered, this, [this, n, action] {
            sink_.clicked(n);
            // The logic owns a check mark: undo Qt's own toggle unless the logic made it so.
            if (action->isCheckable()) {
                const QSignalBlocker block(action);
                action->setChecked(view_.get(n).checked);
            }
        });
        return;
    }
    auto* widget = qobject_cast<QWidget*>(&object);
    if (!widget)
        return;
    if (const QVariant menuName = widget->property(kPopupMenuProperty); menuName.isValid()) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(widget, &QWidget::customContextMenuRequested, this, [this, n, widget](const QPoint& pos) {
            sink_.contextMenu(n);
            showPopup(*widget, pos);
        });
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        // activated comes only from the user, never from state drawn here.
        connect(combo, &QComboBox::activated, this, [this, n](int index) {
            view_.setIndex(n, index);
            sink_.indexChanged(n, index);
        });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textEdited, this, [this, n](const QString& text) {
            const std::string t = text.toStdString();
            view_.setText(n, t);
            sink_.textEdited(n, t);
        });
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, [this, n, button](bool checked) {
            if (button->isCheckable()) {
                view_.setChecked(n, checked); // the view keeps what the window shows
                sink_.toggled(n, checked);
            } else {
                sink_.clicked(n);
            }
        });
        // An option button that Qt clears because another of its group was chosen: the view follows the screen.
        // The logic hears of the choice from the chosen one.
        if (button->isCheckable() && button->autoExclusive())
            connect(button, &QAbstractButton::toggled, this, [this, n](bool checked) {
                if (!checked && view_.get(n).checked)
                    view_.setChecked(n, false);
            });
    } else if (auto* time = qobject_cast<QDateTimeEdit*>(widget)) {
        connect(time, &QDateTimeEdit::timeChanged, this, [this, n](QTime t) {
            const std::string text = t.toString(QLatin1String(kTimeFormat)).toStdString();
            if (timeFromText(view_.get(n).text) == t)
                return; // the same time again (Enter sends it), whichever way the view wrote it
            view_.setText(n, text);
            sink_.textEdited(n, text);
        });
    } else if (auto* real = qobject_cast<QDoubleSpinBox*>(widget)) {
        connect(real, &QDoubleSpinBox::valueChanged, this,
                [this, n, real](double v) { numberEdited(n, QString::number(v, 'f', real->decimals())); });
    } else if (auto* whole = qobject_cast<QSpinBox*>(widget)) {
        connect(whole, &QSpinBox::valueChanged, this, [this, n](int v) { numberEdited(n, QString::number(v)); });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        connect(slider, &QAbstractSlider::valueChanged, this, [this, n](int v) {
            view_.setIndex(n, v);
            sink_.indexChanged(n, v);
        });
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        const auto chosen = [this, n](int row) {
            view_.setIndex(n, row);
            sink_.indexChanged(n, row);
        };
        connect(list, &QListWidget::currentRowChanged, this, [chosen](int row) {
            if (row >= 0)
                chosen(row);
        });
        // A click on the row already current changes nothing, yet the user asked for that row again.
        connect(list, &QListWidget::itemClicked, this, [list, chosen](QListWidgetItem* item) {
            const int row = list->row(item);
            const QVariant before = list->property(kRowAtPress);
            if (row >= 0 && (!before.isValid() || before.toInt() == row))
                chosen(row);
        });
        list->viewport()->installEventFilter(this);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setTextFormat(Qt::PlainText); // texts from the view are never markup
        label->installEventFilter(this);
    }
}

void ViewBinder::numberEdited(const shell::WidgetName& name, QString text) {
    // Answered with the decimal mark the logic wrote the field with.
    if (view_.get(name).text.find(',') != std::string::npos)
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    const std::string t = text.toStdString();
    if (t == view_.get(name).text)
        return; // the same value again: Enter in a number field sends it once more
    view_.setText(name, t);
    sink_.textEdited(name, t);
}

void ViewBinder::showPopup(QWidget& owner, const QPoint& pos) {
    const QString menuName = owner.property(kPopupMenuProperty).toString();
    if (auto* menu = window_.findChild<QMenu*>(menuName))
        menu->popup(owner.mapToGlobal(pos));
}

void ViewBinder::setActivations(Activations activations) {
    activations_ = activations;
    if (activations_ != Activations::Every)
        FocusOrigin::instance(); // from now on, so that it has seen where the focus is when the window is activated
}

bool ViewBinder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_) {
        const bool every = activations_ == Activations::Every;
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            if (every || !shownOnce_)
                windowEvent(shell::WindowEvent::Activated);
            shownOnce_ = true;
        } else if (event->type() == QEvent::WindowActivate) {
            const FocusOrigin& origin = FocusOrigin::instance();
            const bool ownDialog = activations_ == Activations::FromOtherWindows && origin.activationFromOwnDialog();
            if (every || (!origin.activationFromOutside() && !ownDialog))
                windowEvent(shell::WindowEvent::Activated);
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        if (auto* list = qobject_cast<QListWidget*>(watched->parent()); list && list->viewport() == watched)
            list->setProperty(kRowAtPress, list->currentRow());
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (const auto n = tableName(*watched))
            sink_.doubleClicked(*n);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qv::ui
