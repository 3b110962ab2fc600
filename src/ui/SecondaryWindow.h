#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"

#include <QPointer>
#include <QWidget>

namespace qv::ui {

class ViewBinder;

/// What every window besides the main one shares: its objectName, the window font, a binder to its view, centring
/// over its anchor when the program shows it, and a close box that hides it and tells the logic.
class SecondaryWindow : public QWidget {
    Q_OBJECT
public:
    ViewBinder& binder() { return *binder_; }

protected:
    /// `anchor` is the window it is centred over when shown.
    SecondaryWindow(const QString& objectName, QWidget* anchor);
    /// Binds the view; called at the end of the derived constructor, once the named widgets exist.
    void bind(shell::WindowView& view, shell::IntentSink& sink);
    /// Runs after the window was centred on a show by the program.
    virtual void shown() {}

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> anchor_;
    ViewBinder* binder_ = nullptr;
};

} // namespace qv::ui
