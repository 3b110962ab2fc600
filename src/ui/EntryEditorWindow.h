#pragma once

#include "app/Intents.h"
#include "app/ViewState.h"
#include "app/Views.h"

#include <QPointer>
#include <QWidget>

namespace qv::ui {

class UiShell;
class ViewBinder;

/// The account editor "TFormEntry": name, number, modem device, user name and password of one phonebook entry,
/// with "Uložit" and "Storno". The caption ("Nový účet" / "Editovat účet") and any refusal to save come from the
/// logic.
class EntryEditorWindow final : public QWidget {
    Q_OBJECT
public:
    /// `anchor` is the window it is centred over when shown.
    EntryEditorWindow(app::WindowView& view, app::IntentSink& sink, QWidget* anchor = nullptr);
    ~EntryEditorWindow() override;

    ViewBinder& binder() { return *binder_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> anchor_;
    ViewBinder* binder_ = nullptr;
};

/// Registers the connection subsystem's windows (the account editor) with the shell.
void addConnectionWindows(UiShell& shell, app::Views& views);

} // namespace qv::ui
