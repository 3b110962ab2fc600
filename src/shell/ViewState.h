#pragma once

#include "shell/WidgetName.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::shell {

/// A point on the screen, in pixels from its top-left corner.
struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

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
    /// A window's top-left corner, frame included; none: where the window is or the window system puts it.
    std::optional<ScreenPoint> position;
};

/// The view state of one window: widget states by the names of the window's name table. The logic writes it; the
/// window draws it and is told of every change by name. Setters notify only on a real change. A name of another
/// window is a programming error (std::logic_error). UI thread only.
class WindowView {
public:
    using Listener = std::function<void(const WidgetName& name)>;

    /// `names` is the window's name table (the window's own entry first); it must outlive the view.
    explicit WindowView(std::span<const WidgetName> names);

    std::string_view windowName() const { return self_.window; }
    WidgetName self() const { return self_; }
    /// The table entry of a Qt objectName, or nothing when the window has no widget of that name.
    std::optional<WidgetName> find(std::string_view objectName) const;
    std::span<const WidgetName> names() const { return names_; }

    /// The state of a widget; a widget never written reads as the default state.
    const WidgetState& get(const WidgetName& name) const;
    bool has(const WidgetName& name) const;

    void setText(const WidgetName& name, const std::string& text);
    void setEnabled(const WidgetName& name, bool enabled);
    void setVisible(const WidgetName& name, bool visible);
    void setChecked(const WidgetName& name, bool checked);
    void setColor(const WidgetName& name, std::optional<std::uint32_t> color);
    void setItems(const WidgetName& name, std::vector<std::string> items);
    void setIndex(const WidgetName& name, int index);
    void setPosition(const WidgetName& name, std::optional<ScreenPoint> position);

    /// The window's own entry.
    const WidgetState& window() const { return get(self_); }
    void showWindow() { setVisible(self_, true); }
    void hideWindow() { setVisible(self_, false); }
    /// Asks the window to come to the front (a second request to open an already open window).
    void raise();
    std::uint32_t raiseCount() const { return raiseCount_; }
    /// Asks the window to go to the task bar as an icon (minimised): unlike hideWindow() it stays visible there and
    /// the user can bring it back without the program's help.
    void iconify();
    std::uint32_t iconifyCount() const { return iconifyCount_; }

    /// Called after each change with the widget's name (the window's own name for window changes).
    void subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

private:
    void check(const WidgetName& name) const;
    WidgetState& slot(const WidgetName& name);
    void changed(const WidgetName& name);

    std::span<const WidgetName> names_;
    WidgetName self_;
    std::map<std::string, WidgetState, std::less<>> widgets_;
    std::vector<Listener> listeners_;
    std::uint32_t raiseCount_ = 0;
    std::uint32_t iconifyCount_ = 0;
};

} // namespace qv::shell
