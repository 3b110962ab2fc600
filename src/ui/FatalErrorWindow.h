#pragma once

#include "app/Intents.h"
#include "app/ViewState.h"

#include <QPointer>
#include <QWidget>

namespace qv::ui {

class ViewBinder;

/// The stay-on-top window "TForm8" telling the user that a failure was logged and the program will end. It has no
/// frame and cannot be closed except by its button, which goes to the logic.
class FatalErrorWindow final : public QWidget {
    Q_OBJECT
public:
    FatalErrorWindow(app::WindowView& view, app::IntentSink& sink, QWidget* anchor = nullptr);
    ~FatalErrorWindow() override;

    ViewBinder& binder() { return *binder_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> anchor_;
    ViewBinder* binder_ = nullptr;
};

} // namespace qv::ui
