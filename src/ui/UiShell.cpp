#include "ui/UiShell.h"

#include "ui/ConnectionLogWindow.h"
#include "ui/ExitDialog.h"
#include "ui/FatalErrorWindow.h"
#include "ui/MainWindow.h"
#include "ui/ViewBinder.h"

#include <QApplication>

namespace qv::ui {

namespace {

template <typename Window>
UiShell::Factory factoryOf() {
    return [](shell::WindowView& view, shell::IntentSink& sink, QWidget* mainWindow) {
        return std::make_unique<Window>(view, sink, mainWindow);
    };
}

} // namespace

UiShell::UiShell(shell::WindowView& mainView, shell::WindowView& exitView, shell::WindowView& fatalView,
                 shell::WindowView& logView, shell::IntentSink& sink)
    : sink_(sink), mainView_(mainView), self_(std::make_shared<UiShell*>(this)) {
    // Closing the last visible window (say, the log while the main window sits in the tray) must not end the
    // program; only the logic ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    main_ = std::make_unique<MainWindow>(mainView, sink);
    Slot& mainSlot = addSlot(mainView, nullptr);
    mainSlot.binder = &main_->binder();
    mainSlot.binder->applyAll();

    addWindow(exitView, factoryOf<ExitDialog>());
    addWindow(fatalView, factoryOf<FatalErrorWindow>());
    addWindow(logView, factoryOf<ConnectionLogWindow>());
}

UiShell::~UiShell() {
    *self_ = nullptr;
}

UiShell::Slot& UiShell::addSlot(shell::WindowView& view, Factory factory) {
    auto slot = std::make_unique<Slot>();
    slot->view = &view;
    slot->factory = std::move(factory);
    Slot& ref = *slot;
    slots_.push_back(std::move(slot));
    view.subscribe([weak = std::weak_ptr<UiShell*>(self_), &ref](const shell::WidgetName& name) {
        if (auto self = weak.lock(); self && *self)
            (*self)->changed(ref, name);
    });
    return ref;
}

void UiShell::addWindow(shell::WindowView& view, Factory factory) {
    Slot& slot = addSlot(view, std::move(factory));
    if (view.has(view.self()) && view.window().visible)
        create(slot);
}

void UiShell::start() {
    if (!mainView_.has(mainView_.self()))
        mainView_.showWindow();
}

QWidget* UiShell::window(std::string_view name) const {
    if (name == mainView_.windowName())
        return main_.get();
    for (const auto& slot : slots_)
        if (slot->view->windowName() == name)
            return slot->window.get();
    return nullptr;
}

void UiShell::changed(Slot& slot, const shell::WidgetName& name) {
    if (slot.binder) {
        slot.binder->changed(name);
        return;
    }
    if (!slot.creating && name.isWindow() && slot.view->window().visible)
        create(slot);
}

void UiShell::create(Slot& slot) {
    // Changes made while the window is being built are drawn by applyAll below.
    slot.creating = true;
    slot.window = slot.factory(*slot.view, sink_, main_.get());
    slot.binder = ViewBinder::of(*slot.window);
    if (!slot.binder)
        slot.binder = new ViewBinder(*slot.window, *slot.view, sink_);
    slot.creating = false;
    slot.binder->applyAll();
}

} // namespace qv::ui
