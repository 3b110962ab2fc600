#pragma once

#include "app/Intents.h"
#include "app/ViewState.h"

#include <QPointer>
#include <QWidget>

namespace qv::ui {

class ViewBinder;

/// The exit dialog "TForm6": "Ukončit", "Ukončit a odpojit", "Storno". Which buttons show is the logic's choice.
class ExitDialog final : public QWidget {
    Q_OBJECT
public:
    /// `anchor` is the window it is centred over when shown.
    ExitDialog(app::WindowView& view, app::IntentSink& sink, QWidget* anchor = nullptr);
    ~ExitDialog() override;

    ViewBinder& binder() { return *binder_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> anchor_;
    ViewBinder* binder_ = nullptr;
};

} // namespace qv::ui
