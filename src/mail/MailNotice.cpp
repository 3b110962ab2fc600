#include "mail/MailNotice.h"

#include "mail/MailNoticeNames.h"

#include <string>

namespace qv::mail {

namespace w = names::TForm11;

MailNotice::MailNotice(shell::WindowView& view, std::function<shell::ScreenPoint()> screenSize)
    : view_(view), screenSize_(std::move(screenSize)) {
    view_.hideWindow();
}

void MailNotice::ensureCreated() {
    if (exists_)
        return;
    exists_ = true;
    view_.setText(w::TForm11, "Nový email");
    view_.setText(w::Label1, "Celkem nových zpráv");
    view_.setText(w::Label2, "");
    view_.hideWindow();
}

void MailNotice::show(std::uint16_t total) {
    if (!exists_)
        return;
    view_.setText(w::Label2, std::to_string(total));
    if (!view_.window().visible) {
        const shell::ScreenPoint screen = screenSize_();
        view_.setPosition(w::TForm11, shell::ScreenPoint{screen.x - kFromRight, screen.y - kFromBottom});
        view_.showWindow();
    }
    view_.raise();
}

void MailNotice::close() {
    if (!exists_)
        return;
    exists_ = false;
    view_.hideWindow();
    // Forgotten with the window: the next notice is placed afresh even where this one was.
    view_.setPosition(w::TForm11, std::nullopt);
}

} // namespace qv::mail
