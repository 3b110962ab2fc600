#include "shell/SecondaryForm.h"

namespace qv::shell {

void SecondaryForm::ensureCreated(std::optional<std::uint32_t> mainColor) {
    if (exists_)
        return;
    exists_ = true;
    view_.setColor(view_.self(), mainColor);
}

void SecondaryForm::show() {
    view_.showWindow();
    view_.raise();
}

void SecondaryForm::free() {
    exists_ = false;
    view_.hideWindow();
}

} // namespace qv::shell
