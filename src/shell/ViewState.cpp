#include "shell/ViewState.h"

#include <stdexcept>

namespace qv::shell {

namespace {
const WidgetState kDefault{};
}

WindowView::WindowView(std::span<const WidgetName> names) : names_(names), self_(names.front()) {
    if (!self_.isWindow())
        throw std::logic_error("a name table starts with the window's own entry");
}

std::optional<WidgetName> WindowView::find(std::string_view objectName) const {
    for (const WidgetName& n : names_)
        if (n.name == objectName)
            return n;
    return std::nullopt;
}

void WindowView::check(const WidgetName& name) const {
    if (name.window != self_.window)
        throw std::logic_error("widget " + std::string(name.name) + " of " + std::string(name.window) +
                               " used on the view of " + std::string(self_.window));
}

const WidgetState& WindowView::get(const WidgetName& name) const {
    check(name);
    auto it = widgets_.find(name.name);
    return it == widgets_.end() ? kDefault : it->second;
}

bool WindowView::has(const WidgetName& name) const {
    check(name);
    return widgets_.find(name.name) != widgets_.end();
}

WidgetState& WindowView::slot(const WidgetName& name) {
    check(name);
    auto it = widgets_.find(name.name);
    return it != widgets_.end() ? it->second : widgets_[std::string(name.name)];
}

void WindowView::changed(const WidgetName& name) {
    // By index: a listener may subscribe another one while being notified.
    for (std::size_t i = 0; i < listeners_.size(); ++i)
        listeners_[i](name);
}

// One setter body for every field: write, and notify only when something changed or the widget is new.
#define QV_VIEW_SETTER(method, type, field)                                                                            \
    void WindowView::method(const WidgetName& name, type value) {                                                      \
        const bool fresh = !has(name);                                                                                 \
        WidgetState& w = slot(name);                                                                                   \
        if (!fresh && w.field == value)                                                                                \
            return;                                                                                                    \
        w.field = std::move(value);                                                                                    \
        changed(name);                                                                                                 \
    }

QV_VIEW_SETTER(setText, const std::string&, text)
QV_VIEW_SETTER(setEnabled, bool, enabled)
QV_VIEW_SETTER(setVisible, bool, visible)
QV_VIEW_SETTER(setChecked, bool, checked)
QV_VIEW_SETTER(setColor, std::optional<std::uint32_t>, color)
QV_VIEW_SETTER(setItems, std::vector<std::string>, items)
QV_VIEW_SETTER(setIndex, int, index)
QV_VIEW_SETTER(setPosition, std::optional<ScreenPoint>, position)

#undef QV_VIEW_SETTER

void WindowView::raise() {
    ++raiseCount_;
    changed(self_);
}

void WindowView::iconify() {
    // One notification: the window goes straight to the task bar, never shown in between.
    slot(self_).visible = true;
    ++iconifyCount_;
    changed(self_);
}

} // namespace qv::shell
