#pragma once

#include <string_view>

namespace qv::shell {

/// A widget of one window, named as its Qt objectName. Widgets are only ever named through the constants of their
/// window's name table (below), so a misspelt name fails to compile instead of drawing nothing. The window's own
/// entry has `name == window`.
struct WidgetName {
    std::string_view window;
    std::string_view name;

    constexpr bool isWindow() const { return name == window; }
    friend constexpr bool operator==(const WidgetName& a, const WidgetName& b) {
        return a.window == b.window && a.name == b.name;
    }
    friend constexpr bool operator<(const WidgetName& a, const WidgetName& b) {
        return a.window != b.window ? a.window < b.window : a.name < b.name;
    }
};

} // namespace qv::shell

/// Declares a window's name table: one constant per widget in `namespace WINDOW`, the window's own entry named like
/// the window, and `kAll` listing every name (the window first). LIST(X) calls X(name) once per widget.
#define QV_WINDOW_NAMES(WINDOW, LIST)                                                                                  \
    namespace WINDOW {                                                                                                 \
    inline constexpr std::string_view kWindowName_ = #WINDOW;                                                          \
    inline constexpr ::qv::shell::WidgetName WINDOW{kWindowName_, kWindowName_};                                       \
    LIST(QV_WINDOW_NAME_CONSTANT_)                                                                                     \
    inline constexpr ::qv::shell::WidgetName kAll[] = {WINDOW LIST(QV_WINDOW_NAME_ENTRY_)};                            \
    }
#define QV_WINDOW_NAME_CONSTANT_(NAME) inline constexpr ::qv::shell::WidgetName NAME{kWindowName_, #NAME};
#define QV_WINDOW_NAME_ENTRY_(NAME) , NAME
