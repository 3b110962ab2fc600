#pragma once

#include "shell/WidgetName.h"

#include <string>

namespace qv::shell {

enum class WindowEvent {
    Activated,      ///< shown, or focus came back to it from another of the program's windows
    CloseRequested, ///< the close box; the logic decides whether the window really closes
    Minimized,      ///< the minimise button
    Closed,         ///< a secondary window was closed by the user
};

/// What the windows forward: every user action, named by the widget's table entry (which names its window too).
/// The logic answers by writing view state; the windows decide nothing. UI thread only.
class IntentSink {
public:
    virtual ~IntentSink() = default;
    /// Buttons, menu items (checkable ones too: the logic keeps their check mark), tray icon clicks.
    virtual void clicked(const WidgetName& widget) = 0;
    virtual void doubleClicked(const WidgetName& widget) = 0;
    /// A right click on a widget that has a context menu.
    virtual void contextMenu(const WidgetName& widget) = 0;
    virtual void textEdited(const WidgetName& widget, const std::string& text) = 0;
    virtual void indexChanged(const WidgetName& widget, int index) = 0;
    virtual void toggled(const WidgetName& widget, bool checked) = 0;
    /// `window` is the window's own table entry.
    virtual void windowEvent(const WidgetName& window, WindowEvent event) = 0;
};

} // namespace qv::shell
