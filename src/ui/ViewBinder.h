#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"

#include <QColor>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace qv::ui {

/// Dynamic property of a widget naming the QMenu (a child of the same window) that its right click opens.
inline constexpr char kPopupMenuProperty[] = "popupMenu";
/// Dynamic property (true) of a widget whose view colour is its background rather than its font colour.
inline constexpr char kBackgroundColourProperty[] = "viewColourIsBackground";
/// Dynamic property (true) of a label that shows a path: its whole text is also its tooltip, as the label itself
/// may show only the end of it.
inline constexpr char kElideLeftProperty[] = "elideLeft";

/// A window colour value (0x00BBGGRR) as a QColor; nothing for a system colour code (top byte 0xFF), which means
/// "the platform's own colour".
std::optional<QColor> colorFromValue(std::uint32_t value);

/// Draws a window's view state on its widgets and forwards what the user does to the logic. Widgets are matched by
/// objectName against the window's name table; other objects (Qt's own internals among them) are left alone. The
/// window's own entry (named after the window) is its caption, visibility, background colour, and raise and iconify
/// requests.
///
/// Each change is drawn field by field: only the fields that differ from the state drawn last reach the widget, so
/// what the user typed or ticked survives an unrelated change such as a disable. The first state drawn for a name
/// sets every field, except that an empty caption (button, action, group box, label, window) or an empty list (combo
/// box, list box) keeps the window's own: a logic that only enables or colours a caption leaves its text alone.
///
/// Number fields (spin boxes) and time fields carry their value as text: "12", "2.5" or "2,5" (a decimal comma
/// is answered with a comma), "7:30:00" or "07:30:00" (answered without the leading zero). Sliders and list boxes
/// carry their position or row as `index`; a click on a list box's current row is sent again as that row.
///
/// The binder is a child of its window. It does not watch the view on its own: its owner either calls changed()
/// for each notification (UiShell does) or calls attach() once.
class ViewBinder final : public QObject {
    Q_OBJECT
public:
    ViewBinder(QWidget& window, shell::WindowView& view, shell::IntentSink& sink);
    ~ViewBinder() override;

    /// The binder of a window, or nullptr.
    static ViewBinder* of(const QWidget& window);

    /// Draws everything the view holds for this window's widgets, then follows the view's changes itself. Not from
    /// inside a notification of the same view.
    void attach();
    /// Draws everything the view holds for this window's widgets.
    void applyAll();
    /// Draws one changed entry of the view.
    void changed(const shell::WidgetName& name);

    /// The images an `index` selects for a tray icon, action or button (an image list).
    void setImages(QObject& target, QList<QIcon> images);

    /// Forwards a window event of this window.
    void windowEvent(shell::WindowEvent event);
    /// True while the binder itself minimises the window for an iconify request: that is no minimise by the user.
    bool iconifying() const { return iconifying_; }

    /// Which showings and activations of the window reach the logic as Activated.
    enum class Activations {
        Every,            ///< each show by the program and each activation
        WithinProgram,    ///< the first show by the program, then activations whose focus comes from another window of
                          ///< the program (not a switch back from another application)
        FromOtherWindows, ///< as WithinProgram, but not the return from a dialog the window opened itself either
    };
    void setActivations(Activations activations);

    std::string_view windowName() const { return view_.windowName(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<shell::WidgetName> tableName(const QObject& object) const;
    void connectWidget(QObject& object);
    void apply(const shell::WidgetName& name, bool first);
    void applyWindow(const shell::WidgetState& now, unsigned fields, bool first);
    void showPopup(QWidget& owner, const QPoint& pos);
    void numberEdited(const shell::WidgetName& name, QString text);

    QWidget& window_;
    shell::WindowView& view_;
    shell::IntentSink& sink_;
    std::map<shell::WidgetName, shell::WidgetState> drawn_; // what each name looked like when drawn last
    std::map<QObject*, QList<QIcon>> images_;
    Activations activations_ = Activations::Every;
    bool shownOnce_ = false;
    bool iconifying_ = false;
    std::uint32_t raisesSeen_ = 0;
    std::uint32_t iconifiesSeen_ = 0;
    std::shared_ptr<ViewBinder*> self_; // lets a view listener outlive the binder harmlessly
};

} // namespace qv::ui
