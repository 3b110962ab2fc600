#pragma once

#include "connection/ControllerState.h"
#include "settings/LoadSettings.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "shell/TimerSchedule.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::metering {

/// Where the floating window stands, how big its client area is and how opaque it is: what the logic decides and
/// the window draws, besides its widgets.
struct FloatingPlacement {
    int left = 0;
    int top = 0;
    int clientWidth = 115;
    int clientHeight = 62;
    int opacity = 250; ///< alpha, 0 (invisible) … 255 (opaque)
    /// Each request: show the window and put it on top of all others again, where it stands.
    std::uint32_t topmostRequests = 0;
    bool operator==(const FloatingPlacement&) const = default;
};

/// A mouse movement over the floating window: the buttons and keys held, and the pointer on the screen.
struct PointerMove {
    bool left = false;
    bool right = false;
    bool otherButton = false; ///< any button besides the left and the right one
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    int screenX = 0;
    int screenY = 0;
};

/// What the floating window needs from the shell.
struct FloatingServices {
    shell::Logs& logs;
    shell::TimerSchedule& timers; ///< Timer11 is the warning tick
    shell::WindowView& view;      ///< "TForm7"
    settings::SettingsFile& settingsFile;
    const settings::SettingsRecord& settings;
    const connection::ControllerState& controller;
    std::function<bool()> floatWindowOn;                            ///< [Okno] Show as taken at the last activation
    std::function<settings::FloatPosition()> loadedPosition;        ///< [Okno] Left and Top as last loaded
    std::function<std::optional<std::uint32_t>()> mainWindowColour; ///< 0x00BBGGRR or a system colour code
    std::function<double()> connMB;                                 ///< MB moved in this connection
};

/// The floating traffic window `TForm7`: opened at connect and closed at disconnect, dragged by its top-left corner
/// with the left button alone (each position written to the settings file at once), collapsed to its title strip
/// and expanded again, and its title strip flashing red while a disconnect rule is close. The values it shows are
/// written by the metering and the connection clock. "Exists" is the main window's reference to it: set from
/// opening to closing. UI thread only.
class FloatingForm final {
public:
    static constexpr int kExpandedHeight = 62;
    static constexpr int kCollapsedHeight = 16;
    static constexpr std::uint32_t kRed = 0x000000FF; ///< RGB 255, 0, 0 as 0x00BBGGRR

    explicit FloatingForm(FloatingServices services);
    FloatingForm(const FloatingForm&) = delete;
    FloatingForm& operator=(const FloatingForm&) = delete;

    /// When the window is in use and does not exist: a new one, expanded, at the position last loaded, in the main
    /// window's colour and with the opacity of [Okno] Pruhled, shown.
    void OpenFloatingWindow();
    void CloseFloatingWindow();
    /// The settings dialog's transparency slider (0 … 25) while it moves.
    void SetFloatingOpacity(int position);
    /// Every mouse movement over the window, its title strip or a label.
    void DragFloatingWindow(const PointerMove& pointer);
    /// The "------" button: collapse to the title strip, or expand.
    void ToggleFloatingWindow();
    /// Timer11's handler (every 1000 ms while connected).
    void FloatWarningTick();
    /// The application was minimised while connected: the window stays visible, on top.
    void ShowOnTop();
    /// The connection time, as the main window shows it.
    void showClock(const std::string& text);

    bool exists() const { return exists_; }
    bool timer11Busy() const { return busyDepth_ > 0; }
    const FloatingPlacement& placement() const { return placement_; }
    /// Called after each change of the placement.
    void subscribe(std::function<void()> listener) { listeners_.push_back(std::move(listener)); }

private:
    bool warningDue() const;
    void setPlacement(const FloatingPlacement& placement);

    FloatingServices s_;
    bool exists_ = false;
    int busyDepth_ = 0;
    FloatingPlacement placement_;
    std::vector<std::function<void()>> listeners_;
};

} // namespace qv::metering
