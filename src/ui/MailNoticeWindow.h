#pragma once

#include "app/Views.h"
#include "shell/Intents.h"
#include "shell/ViewState.h"

#include <QWidget>

namespace qv::ui {

class UiShell;
class ViewBinder;

/// The new-mail notice "TForm11": a tool window that stays on top, 169 × 31 inside its frame, with "Celkem nových
/// zpráv" over the count. It appears where the logic places it (not centred); a click anywhere on it, labels
/// included, goes to the logic, and so does its close box.
class MailNoticeWindow final : public QWidget {
    Q_OBJECT
public:
    MailNoticeWindow(shell::WindowView& view, shell::IntentSink& sink);
    ~MailNoticeWindow() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    shell::WindowView& view_;
    shell::IntentSink& sink_;
    ViewBinder* binder_ = nullptr;
};

/// Registers the mail subsystem's window (the notice) with the shell.
void addMailWindows(UiShell& shell, app::Views& views);

} // namespace qv::ui
