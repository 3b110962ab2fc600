#include "shell/IntentRouter.h"

namespace qv::shell {

namespace {

// A copy of the handler runs: a handler may register another one for its own widget while it runs.
template <class Map, class... Args>
bool run(const Map& map, const typename Map::key_type& key, Args&&... args) {
    auto it = map.find(key);
    if (it == map.end() || !it->second)
        return false;
    auto handler = it->second;
    handler(std::forward<Args>(args)...);
    return true;
}

} // namespace

bool IntentRouter::handles(const WidgetName& w, Kind kind) const {
    switch (kind) {
    case Kind::Click:
        return clicks_.count(w) != 0 || pending_.count(w) != 0;
    case Kind::DoubleClick:
        return doubleClicks_.count(w) != 0;
    case Kind::ContextMenu:
        return contextMenus_.count(w) != 0;
    case Kind::Text:
        return texts_.count(w) != 0;
    case Kind::Index:
        return indexes_.count(w) != 0;
    case Kind::Toggle:
        return toggles_.count(w) != 0;
    }
    return false;
}

void IntentRouter::unhandled(const WidgetName& w, Kind kind) const {
    if (unhandled_)
        unhandled_(w, kind);
}

void IntentRouter::clicked(const WidgetName& widget) {
    if (!run(clicks_, widget) && pending_.count(widget) == 0)
        unhandled(widget, Kind::Click);
}

void IntentRouter::doubleClicked(const WidgetName& widget) {
    run(doubleClicks_, widget);
}

void IntentRouter::contextMenu(const WidgetName& widget) {
    run(contextMenus_, widget);
}

void IntentRouter::textEdited(const WidgetName& widget, const std::string& text) {
    if (!run(texts_, widget, text))
        unhandled(widget, Kind::Text);
}

void IntentRouter::indexChanged(const WidgetName& widget, int index) {
    if (!run(indexes_, widget, index))
        unhandled(widget, Kind::Index);
}

void IntentRouter::toggled(const WidgetName& widget, bool checked) {
    if (!run(toggles_, widget, checked))
        unhandled(widget, Kind::Toggle);
}

void IntentRouter::windowEvent(const WidgetName& window, WindowEvent event) {
    run(windows_, std::pair{window, event});
}

} // namespace qv::shell
