#pragma once

#include "shell/ViewState.h"

#include <cstdint>
#include <functional>

namespace qv::mail {

/// The new-mail notice `TForm11` "Nový email": a small always-on-top tool window with "Celkem nových zpráv" and the
/// total over it. At most one exists; it is made hidden by a check tick, shown by a check that finds mail, and
/// freed when it is closed (by a check that finds none, by a click, or by the user), after which the next tick
/// makes it again. UI thread only.
class MailNotice final {
public:
    /// Where a notice that is not yet visible appears: this far left of the screen's right edge and above its
    /// bottom edge (its frame's top-left corner).
    static constexpr int kFromRight = 175;
    static constexpr int kFromBottom = 85;

    /// `screenSize` gives the whole screen's width and height in pixels.
    MailNotice(shell::WindowView& view, std::function<shell::ScreenPoint()> screenSize);

    bool exists() const { return exists_; }
    /// Makes the notice, hidden, when there is none.
    void ensureCreated();
    /// Shows a total: fills the count, places a notice that is not visible at its corner (one the user has moved
    /// and is still open stays where it is), shows it and brings it to the front. A notice closed since the tick
    /// that made it shows nothing.
    void show(std::uint16_t total);
    /// Closes and frees the notice, when there is one.
    void close();

private:
    shell::WindowView& view_;
    std::function<shell::ScreenPoint()> screenSize_;
    bool exists_ = false;
};

} // namespace qv::mail
