#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv::shell {

/// What one widget shows. The entry named after the window itself (for example "TForm1") describes the
/// window: `visible`, `text` = caption, `color` = background colour.
struct WidgetState {
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::optional<std::uint32_t> color; ///< 0x00BBGGRR, or a system colour code with the top byte 0xFF
    std::vector<std::string> items;     ///< list entries (combo boxes)
    int index = -1;                     ///< selected list entry, tray icon image, progress bar position
};

/// The view state of one window: widget states by Qt objectName. The logic writes it; the window draws it and
/// is told of every change by name. Setters notify only on a real change. UI thread only.
class WindowView {
public:
    using Listener = std::function<void(const std::string& name)>;

    explicit WindowView(std::string windowName) : windowName_(std::move(windowName)) {}

    const std::string& windowName() const { return windowName_; }
    /// The state of a widget; a widget never written reads as the default state.
    const WidgetState& get(const std::string& name) const;
    bool has(const std::string& name) const { return widgets_.count(name) != 0; }

    void setText(const std::string& name, const std::string& text);
    void setEnabled(const std::string& name, bool enabled);
    void setVisible(const std::string& name, bool visible);
    void setChecked(const std::string& name, bool checked);
    void setColor(const std::string& name, std::optional<std::uint32_t> color);
    void setItems(const std::string& name, std::vector<std::string> items);
    void setIndex(const std::string& name, int index);

    /// The window's own entry.
    const WidgetState& window() const { return get(windowName_); }
    void showWindow() { setVisible(windowName_, true); }
    void hideWindow() { setVisible(windowName_, false); }
    /// Asks the window to come to the front (a second request to open an already open window).
    void raise();
    std::uint32_t raiseCount() const { return raiseCount_; }

    /// Called after each change with the widget's name (the window's own name for window changes).
    void subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

private:
    WidgetState& slot(const std::string& name);
    void changed(const std::string& name);

    std::string windowName_;
    std::map<std::string, WidgetState> widgets_;
    std::vector<Listener> listeners_;
    std::uint32_t raiseCount_ = 0;
};

} // namespace qv::shell
