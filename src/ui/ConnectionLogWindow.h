#pragma once

#include "app/Intents.h"
#include "app/ViewState.h"

#include <QPointer>
#include <QWidget>

namespace qv::ui {

class ViewBinder;

/// The read-only connection log window "TForm10"; its text ("Memo1") is read and written by the logic.
class ConnectionLogWindow final : public QWidget {
    Q_OBJECT
public:
    ConnectionLogWindow(app::WindowView& view, app::IntentSink& sink, QWidget* anchor = nullptr);
    ~ConnectionLogWindow() override;

    ViewBinder& binder() { return *binder_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> anchor_;
    ViewBinder* binder_ = nullptr;
};

} // namespace qv::ui
