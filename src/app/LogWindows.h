#pragma once

#include "app/AppPaths.h"
#include "app/ViewState.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace qv::app {

/// A secondary window created on first use, at most once, freed when closed; it takes the main window's colour
/// when created.
class SecondaryWindow {
public:
    explicit SecondaryWindow(WindowView& view) : view_(view) { view_.hideWindow(); }
    bool exists() const { return exists_; }
    /// Creates the window when missing (colour = the given main window colour).
    void ensureCreated(std::optional<std::uint32_t> mainColor);
    /// Shows it, or brings the existing one to the front.
    void show();
    void free();
    WindowView& view() { return view_; }

private:
    WindowView& view_;
    bool exists_ = false;
};

/// The fatal error window "Error": shown after every caught failure, once.
class FatalErrorWindow {
public:
    FatalErrorWindow(WindowView& view, std::function<std::optional<std::uint32_t>()> mainColor);
    void showForError();
    SecondaryWindow& window() { return window_; }

private:
    SecondaryWindow window_;
    std::function<std::optional<std::uint32_t>()> mainColor_;
};

/// The connection log window: shows "PO.log" as it is on disk each time it is shown.
class ConnectionLogWindow {
public:
    ConnectionLogWindow(WindowView& view, platform::FileSystem& fs, const AppPaths& paths);
    void ShowConnectionLog(std::optional<std::uint32_t> mainColor);
    SecondaryWindow& window() { return window_; }

private:
    SecondaryWindow window_;
    platform::FileSystem& fs_;
    const AppPaths& paths_;
};

} // namespace qv::app
