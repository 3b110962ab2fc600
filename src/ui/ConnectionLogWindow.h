#pragma once

#include "app/Intents.h"
#include "app/ViewState.h"
#include "ui/SecondaryWindow.h"

namespace qv::ui {

/// The read-only connection log window "TForm10"; its text ("Memo1") is read and written by the logic.
class ConnectionLogWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    ConnectionLogWindow(app::WindowView& view, app::IntentSink& sink, QWidget* anchor = nullptr);
    ~ConnectionLogWindow() override;
};

} // namespace qv::ui
