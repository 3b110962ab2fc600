#pragma once

#include <string>

namespace qv::shell {

enum class WindowEvent {
    Activated,      ///< shown or activated (the main window's show/activation step)
    CloseRequested, ///< the close box; the logic decides whether the window really closes
    Minimized,      ///< the minimise button
    Closed,         ///< a secondary window was closed by the user
};

/// What the windows forward: every user action, named by window and widget objectName. The logic answers by
/// writing view state; the windows decide nothing. UI thread only.
class IntentSink {
public:
    virtual ~IntentSink() = default;
    /// Buttons, menu items (checkable ones too: the logic keeps their check mark), tray icon clicks.
    virtual void clicked(const std::string& window, const std::string& widget) = 0;
    virtual void doubleClicked(const std::string& window, const std::string& widget) = 0;
    /// A right click on a widget that has a context menu.
    virtual void contextMenu(const std::string& window, const std::string& widget) = 0;
    virtual void textEdited(const std::string& window, const std::string& widget, const std::string& text) = 0;
    virtual void indexChanged(const std::string& window, const std::string& widget, int index) = 0;
    virtual void toggled(const std::string& window, const std::string& widget, bool checked) = 0;
    virtual void windowEvent(const std::string& window, WindowEvent event) = 0;
};

} // namespace qv::shell
