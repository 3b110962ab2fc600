#include "shell/ViewState.h"

namespace qv::shell {

namespace {
const WidgetState kDefault{};
}

const WidgetState& WindowView::get(const std::string& name) const {
    auto it = widgets_.find(name);
    return it == widgets_.end() ? kDefault : it->second;
}

WidgetState& WindowView::slot(const std::string& name) {
    return widgets_[name];
}

void WindowView::changed(const std::string& name) {
    // By index: a listener may subscribe another one while being notified.
    for (std::size_t i = 0; i < listeners_.size(); ++i)
        listeners_[i](name);
}

// One setter body for every field: write, and notify only when something changed or the widget is new.
#define QV_VIEW_SETTER(method, type, field)                                                                            \
    void WindowView::method(const std::string& name, type value) {                                                     \
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

#undef QV_VIEW_SETTER

void WindowView::raise() {
    ++raiseCount_;
    changed(windowName_);
}

} // namespace qv::shell
