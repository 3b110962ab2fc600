#pragma once

#include "shell/ViewState.h"

#include <cstdint>
#include <optional>

namespace qv::shell {

/// The logic side of a secondary window: created on first use, at most once, freed when closed; it takes the main
/// window's colour when created.
class SecondaryForm {
public:
    explicit SecondaryForm(WindowView& view) : view_(view) { view_.hideWindow(); }
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

} // namespace qv::shell
