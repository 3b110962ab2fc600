#pragma once

#include "shell/Intents.h"
#include "shell/ViewState.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv::ui {

class MainWindow;
class ViewBinder;

/// Owns the program's windows and keeps each one drawn from its view. The main window exists from the start; every
/// other window is made by its factory when its view first asks for it to be visible, and is then kept, hidden
/// and shown again as its view says. The shell is the views' only listener on the UI side. UI thread only.
class UiShell final {
public:
    /// Makes a window for a view (with its ViewBinder, or the shell adds one); `mainWindow` is what it is centred
    /// over.
    using Factory =
        std::function<std::unique_ptr<QWidget>(shell::WindowView& view, shell::IntentSink& sink, QWidget* mainWindow)>;

    /// The main window ("TForm1"), the exit dialog ("TForm6"), the fatal error window ("TForm8") and the connection
    /// log window ("TForm10"). The views and the sink must outlive the shell.
    UiShell(shell::WindowView& mainView, shell::WindowView& exitView, shell::WindowView& fatalView,
            shell::WindowView& logView, shell::IntentSink& sink);
    ~UiShell();

    UiShell(const UiShell&) = delete;
    UiShell& operator=(const UiShell&) = delete;

    /// Registers a further window, made on first demand by `factory`.
    void addWindow(shell::WindowView& view, Factory factory);

    /// Shows the main window unless its view already says otherwise.
    void start();

    MainWindow& mainWindow() { return *main_; }
    /// The window of that name, or nullptr while it has not been made.
    QWidget* window(std::string_view name) const;

private:
    struct Slot {
        shell::WindowView* view = nullptr;
        Factory factory;
        std::unique_ptr<QWidget> window;
        ViewBinder* binder = nullptr;
        bool creating = false;
    };

    Slot& addSlot(shell::WindowView& view, Factory factory);
    void changed(Slot& slot, const shell::WidgetName& name);
    void create(Slot& slot);

    shell::IntentSink& sink_;
    shell::WindowView& mainView_;
    std::unique_ptr<MainWindow> main_;         // declared before the slots: the other windows go first
    std::vector<std::unique_ptr<Slot>> slots_; // stable addresses for the view listeners
    std::shared_ptr<UiShell*> self_;           // lets a view listener outlive the shell harmlessly
};

} // namespace qv::ui
