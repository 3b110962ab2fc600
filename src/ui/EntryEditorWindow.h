#pragma once

#include "app/Views.h"
#include "shell/Intents.h"
#include "shell/ViewState.h"
#include "ui/SecondaryWindow.h"

namespace qv::ui {

class UiShell;
/// The account editor "TFormEntry": name, number, modem device, user name and password of one phonebook entry,
/// with "Uložit" and "Storno". The caption ("Nový účet" / "Editovat účet") and any refusal to save come from the
/// logic.
class EntryEditorWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    /// `anchor` is the window it is centred over when shown.
    EntryEditorWindow(shell::WindowView& view, shell::IntentSink& sink, QWidget* anchor = nullptr);
    ~EntryEditorWindow() override;

protected:
    void shown() override;
};

/// Registers the connection subsystem's windows (the account editor) with the shell.
void addConnectionWindows(UiShell& shell, app::Views& views);

} // namespace qv::ui
