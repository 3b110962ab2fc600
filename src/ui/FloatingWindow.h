#pragma once

#include "app/Views.h"
#include "metering/FloatingForm.h"
#include "shell/Intents.h"
#include "shell/ViewState.h"

#include <QWidget>

#include <cstdint>
#include <memory>

namespace qv::ui {

class UiShell;
class ViewBinder;

/// The floating traffic window "TForm7": frameless, above all other windows, a tool window without a task-bar
/// entry that takes no focus when it appears, with the hand pointer all over. Its widgets follow the view; where it
/// stands, its client size and its opacity follow the form's placement. Mouse movements over the window, its title
/// strip and its labels go to the form, which decides whether they drag it.
///
/// Desktops that keep windows' places and stacking to themselves (Wayland compositors) ignore both the position
/// and "on top": the window then opens where the desktop puts it and cannot be dragged, but shows and collapses
/// as anywhere else.
class FloatingWindow final : public QWidget {
    Q_OBJECT
public:
    FloatingWindow(shell::WindowView& view, shell::IntentSink& sink, metering::FloatingForm& form);
    ~FloatingWindow() override;

    ViewBinder& binder() { return *binder_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPlacement();

    metering::FloatingForm& form_;
    ViewBinder* binder_ = nullptr;
    std::uint32_t topmostSeen_ = 0;
    std::shared_ptr<FloatingWindow*> self_; // lets the form's listener outlive the window harmlessly
};

/// Registers the metering subsystem's window (the floating window) with the shell.
void addMeteringWindows(UiShell& shell, app::Views& views, metering::FloatingForm& form);

} // namespace qv::ui
