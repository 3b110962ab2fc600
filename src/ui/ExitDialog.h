#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"
#include "ui/SecondaryWindow.h"

namespace qv::ui {

/// The exit dialog "TForm6": "Ukončit", "Ukončit a odpojit", "Storno". Which buttons show is the logic's choice.
class ExitDialog final : public SecondaryWindow {
    Q_OBJECT
public:
    /// `anchor` is the window it is centred over when shown.
    ExitDialog(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor = nullptr);
    ~ExitDialog() override;
};

} // namespace qv::ui
