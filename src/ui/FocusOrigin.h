#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace qv::ui {

/// Tells, when a window of the program becomes active, whether the focus came from outside the program (another
/// application, the desktop, the task bar) or from another of the program's own windows. It follows the application
/// state (inactive whenever no window of the program has the focus) and the activations of the program's windows.
/// One per application, made on first use; UI thread only.
class FocusOrigin final : public QObject {
    Q_OBJECT
public:
    static FocusOrigin& instance();

    /// Whether the window activation being delivered now (or the last one) came from outside the program. The
    /// application's event filter runs before a window's own filters, so a window's filter already sees the answer
    /// for its own activation.
    bool activationFromOutside() const { return activationFromOutside_; }
    /// Whether that activation came back from a dialog the window itself opened (a message box, a file or colour
    /// chooser parented to it): the user never left the window.
    bool activationFromOwnDialog() const { return activationFromOwnDialog_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FocusOrigin();

    bool outside_ = true; // the program starts without the focus
    bool activationFromOutside_ = true;
    bool activationFromOwnDialog_ = false;
    // The window owning the one activated last (none for a window of its own): a dialog is often gone before its
    // owner is activated again, so its owner is noted when the dialog becomes active.
    QPointer<QWidget> ownerOfActive_;
};

} // namespace qv::ui
