#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"
#include "ui/SecondaryWindow.h"

namespace qv::ui {

/// The read-only connection log window "TForm10"; its text ("Memo1") is read and written by the logic.
class ConnectionLogWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    ConnectionLogWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor = nullptr);
    ~ConnectionLogWindow() override;
};

} // namespace qv::ui
