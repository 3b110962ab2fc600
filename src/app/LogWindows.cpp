#include "app/LogWindows.h"

#include "common/Cp1250.h"

namespace qv::app {

void SecondaryWindow::ensureCreated(std::optional<std::uint32_t> mainColor) {
    if (exists_)
        return;
    exists_ = true;
    view_.setColor(view_.windowName(), mainColor);
}

void SecondaryWindow::show() {
    view_.showWindow();
    view_.raise();
}

void SecondaryWindow::free() {
    exists_ = false;
    view_.hideWindow();
}

FatalErrorWindow::FatalErrorWindow(WindowView& view, std::function<std::optional<std::uint32_t>()> mainColor)
    : window_(view), mainColor_(std::move(mainColor)) {
    view.setText("TForm8", "Error");
}

void FatalErrorWindow::showForError() {
    window_.ensureCreated(mainColor_ ? mainColor_() : std::nullopt);
    // Further failures leave an open window as it is.
    if (!window_.view().window().visible)
        window_.show();
}

ConnectionLogWindow::ConnectionLogWindow(WindowView& view, platform::FileSystem& fs, const AppPaths& paths)
    : window_(view), fs_(fs), paths_(paths) {}

void ConnectionLogWindow::ShowConnectionLog(std::optional<std::uint32_t> mainColor) {
    window_.ensureCreated(mainColor);
    // The box is cleared and filled from the file each time, so showing twice shows the file once.
    std::string text;
    if (auto bytes = fs_.readAll(paths_.connectionLog())) {
        const std::string utf8 = cp1250::toUtf8(*bytes);
        text.reserve(utf8.size());
        for (char c : utf8)
            if (c != '\r')
                text += c;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
    }
    window_.view().setText("Memo1", text);
    window_.show();
}

} // namespace qv::app
