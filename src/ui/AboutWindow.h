#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"
#include "ui/SecondaryWindow.h"

namespace qv::ui {

class UiShell;

/// The about window "TForm3": the program's name and version ("Label1"), the licence texts ("Memo1", read-only) and
/// a close button ("Button1"). Its caption and texts come from the logic.
class AboutWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    /// `anchor` is the window it is centred over when shown.
    AboutWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor = nullptr);
    ~AboutWindow() override;
};

/// Registers the about window with the shell, made on its first showing.
void addAboutWindow(UiShell& shell, shell::WindowView& view);

} // namespace qv::ui
