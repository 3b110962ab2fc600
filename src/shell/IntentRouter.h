#pragma once

#include "shell/Intents.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qv::shell {

/// Sends each intent to the handler registered for its widget. Clicks, edits, selections and toggles of a widget
/// without a handler are unhandled (reported through `onUnhandled`, which tests turn into failures); double clicks,
/// context menus and window events without a handler are simply of no interest. A widget whose action belongs to a
/// subsystem that is not built yet is registered as pending, with that subsystem's name. UI thread only.
class IntentRouter final : public IntentSink {
public:
    enum class Kind { Click, DoubleClick, ContextMenu, Text, Index, Toggle };

    void onClick(const WidgetName& w, std::function<void()> h) { clicks_[w] = std::move(h); }
    void onDoubleClick(const WidgetName& w, std::function<void()> h) { doubleClicks_[w] = std::move(h); }
    void onContextMenu(const WidgetName& w, std::function<void()> h) { contextMenus_[w] = std::move(h); }
    void onText(const WidgetName& w, std::function<void(const std::string&)> h) { texts_[w] = std::move(h); }
    void onIndex(const WidgetName& w, std::function<void(int)> h) { indexes_[w] = std::move(h); }
    void onToggle(const WidgetName& w, std::function<void(bool)> h) { toggles_[w] = std::move(h); }
    void onWindow(const WidgetName& window, WindowEvent e, std::function<void()> h) {
        windows_[{window, e}] = std::move(h);
    }
    /// A click that does nothing yet: its work waits for `subsystem`.
    void pending(const WidgetName& w, std::string subsystem) { pending_[w] = std::move(subsystem); }
    /// Called for an intent nobody handles.
    void onUnhandled(std::function<void(const WidgetName&, Kind)> report) { unhandled_ = std::move(report); }

    /// Whether an intent of that kind reaches a handler (a pending click counts as handled).
    bool handles(const WidgetName& w, Kind kind) const;
    /// The pending clicks and the subsystem each waits for.
    const std::map<WidgetName, std::string>& pendingClicks() const { return pending_; }

    // IntentSink
    void clicked(const WidgetName& widget) override;
    void doubleClicked(const WidgetName& widget) override;
    void contextMenu(const WidgetName& widget) override;
    void textEdited(const WidgetName& widget, const std::string& text) override;
    void indexChanged(const WidgetName& widget, int index) override;
    void toggled(const WidgetName& widget, bool checked) override;
    void windowEvent(const WidgetName& window, WindowEvent event) override;

private:
    void unhandled(const WidgetName& w, Kind kind) const;

    std::map<WidgetName, std::function<void()>> clicks_;
    std::map<WidgetName, std::function<void()>> doubleClicks_;
    std::map<WidgetName, std::function<void()>> contextMenus_;
    std::map<WidgetName, std::function<void(const std::string&)>> texts_;
    std::map<WidgetName, std::function<void(int)>> indexes_;
    std::map<WidgetName, std::function<void(bool)>> toggles_;
    std::map<std::pair<WidgetName, WindowEvent>, std::function<void()>> windows_;
    std::map<WidgetName, std::string> pending_;
    std::function<void(const WidgetName&, Kind)> unhandled_;
};

} // namespace qv::shell
