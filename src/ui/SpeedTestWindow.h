#pragma once

#include "app/Views.h"
#include "shell/Intents.h"
#include "ui/SecondaryWindow.h"

namespace qv::ui {

class UiShell;

/// "Test rychlosti" (TForm9): the download and ping results, their per-minute and per-hour figures, a progress bar
/// and "Spustit test" / "Storno". The bar's maximum is the text its view entry holds.
class SpeedTestWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    SpeedTestWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor);
    ~SpeedTestWindow() override;
};

/// Registers the tools' window (the speed test) with the shell.
void addToolWindows(UiShell& shell, app::Views& views);

} // namespace qv::ui
