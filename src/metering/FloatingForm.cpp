#include "metering/FloatingForm.h"

#include "metering/FloatingNames.h"
#include "metering/MeteringTags.h"
#include "settings/SettingsWriters.h"

#include <stdexcept>

namespace qv::metering {

namespace f = names::TForm7;

namespace {
/// The labels of the first two rows, which collapsing hides; the week's row is simply cut off.
constexpr shell::WidgetName kUpperLabels[] = {f::DRLabel1, f::DRLabel2, f::DRLabel5,
                                              f::DRLabel6, f::DRLabel4, f::DRLabel3};
} // namespace

FloatingForm::FloatingForm(FloatingServices services) : s_(std::move(services)) {
    s_.timers.setHandler(11, [this] { FloatWarningTick(); });
}

void FloatingForm::setPlacement(const FloatingPlacement& placement) {
    if (placement == placement_)
        return;
    placement_ = placement;
    for (std::size_t i = 0; i < listeners_.size(); ++i)
        listeners_[i]();
}

void FloatingForm::OpenFloatingWindow() {
    if (exists_ || !(s_.floatWindowOn && s_.floatWindowOn()))
        return;
    exists_ = true;
    s_.view.setText(f::Panel1, "Quorvex");
    s_.view.setText(f::DRLabel1, "Down:");
    s_.view.setText(f::DRLabel5, "Up:");
    s_.view.setText(f::DRLabel4, "Čas:");
    s_.view.setText(f::DRLabel9, "M.6+dnes:");
    // A new window: what the last one showed, and its collapse, are gone with it.
    for (const auto& label : kUpperLabels)
        s_.view.setVisible(label, true);
    for (const auto& value : {f::DRLabel2, f::DRLabel6, f::DRLabel3, f::DRLabel10})
        s_.view.setText(value, "");
    s_.view.setColor(f::DRLabel10, std::nullopt);
    const auto colour = s_.mainWindowColour ? s_.mainWindowColour() : std::nullopt;
    s_.view.setColor(f::TForm7, colour);
    s_.view.setColor(f::Panel1, colour);
    const settings::FloatPosition at = s_.loadedPosition ? s_.loadedPosition() : settings::FloatPosition{};
    FloatingPlacement p = placement_;
    p.left = at.left;
    p.top = at.top;
    p.clientHeight = kExpandedHeight;
    p.opacity = s_.settings.floatOpacity * 10;
    setPlacement(p);
    s_.view.showWindow();
}

void FloatingForm::CloseFloatingWindow() {
    if (!exists_)
        return;
    exists_ = false;
    s_.view.hideWindow();
}

void FloatingForm::SetFloatingOpacity(int position) {
    if (!exists_)
        return;
    FloatingPlacement p = placement_;
    p.opacity = position * 10;
    setPlacement(p);
}

void FloatingForm::DragFloatingWindow(const PointerMove& pointer) {
    s_.logs.guarded(tags::kDragFloatingWindow, [&] {
        const bool leftAlone =
            pointer.left && !pointer.right && !pointer.otherButton && !pointer.shift && !pointer.ctrl && !pointer.alt;
        if (!leftAlone)
            return;
        FloatingPlacement p = placement_;
        p.left = pointer.screenX;
        p.top = pointer.screenY;
        setPlacement(p);
        if (!settings::writeFloatPosition(s_.settingsFile, p.left, p.top))
            throw std::runtime_error("the floating window's position could not be written");
    });
}

void FloatingForm::ToggleFloatingWindow() {
    s_.logs.guarded(tags::kToggleFloatingWindow, [&] {
        for (const auto& label : kUpperLabels)
            s_.view.setVisible(label, !s_.view.get(label).visible);
        FloatingPlacement p = placement_;
        p.clientHeight = p.clientHeight == kCollapsedHeight ? kExpandedHeight : kCollapsedHeight;
        setPlacement(p);
    });
}

bool FloatingForm::warningDue() const {
    const settings::SettingsRecord& r = s_.settings;
    const connection::ControllerState& c = s_.controller;
    const std::int64_t warnSeconds = r.floatWarnSeconds;
    if (r.timeLimitOn && std::int64_t{r.timeLimitMinutes} * 60 - c.connectedSeconds < warnSeconds)
        return true;
    if (r.slowDownloadOn && std::int64_t{r.slowDownloadMinutes} * 60 - c.lowDownloadSeconds < warnSeconds)
        return true;
    const double mb = s_.connMB ? s_.connMB() : 0.0;
    return r.dataLimitOn && r.dataLimitMB - mb < r.floatWarnMB;
}

void FloatingForm::FloatWarningTick() {
    if (!(s_.controller.isConnected && s_.floatWindowOn && s_.floatWindowOn() && exists_ && s_.view.window().visible))
        return;
    ++busyDepth_;
    s_.logs.guarded(tags::kFloatWarningTick, [&] {
        const auto colour = s_.mainWindowColour ? s_.mainWindowColour() : std::nullopt;
        if (warningDue()) {
            const bool plain = s_.view.get(f::Panel1).color == colour;
            s_.view.setColor(f::Panel1, plain ? std::optional<std::uint32_t>(kRed) : colour);
        } else {
            s_.view.setColor(f::TForm7, colour);
            s_.view.setColor(f::Panel1, colour);
        }
    });
    --busyDepth_;
}

void FloatingForm::ShowOnTop() {
    if (!exists_)
        return;
    FloatingPlacement p = placement_;
    ++p.topmostRequests;
    setPlacement(p);
    s_.view.showWindow();
}

void FloatingForm::showClock(const std::string& text) {
    if (exists_)
        s_.view.setText(f::DRLabel3, text);
}

} // namespace qv::metering
