#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"
#include "ui/SecondaryWindow.h"

namespace qv::ui {

/// The stay-on-top window "TForm8" telling the user that a failure was logged and the program will end. It has no
/// frame and cannot be closed except by its button, which goes to the logic.
class FatalErrorWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    FatalErrorWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor = nullptr);
    ~FatalErrorWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace qv::ui
