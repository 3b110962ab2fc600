#include "shell/FatalErrorForm.h"
#include "shell/ShellNames.h"

namespace qv::shell {

FatalErrorForm::FatalErrorForm(WindowView& view, std::function<std::optional<std::uint32_t>()> mainColor)
    : window_(view), mainColor_(std::move(mainColor)) {
    view.setText(names::TForm8::TForm8, "Error");
}

void FatalErrorForm::showForError() {
    window_.ensureCreated(mainColor_ ? mainColor_() : std::nullopt);
    // Further failures leave an open window as it is.
    if (!window_.view().window().visible)
        window_.show();
}

} // namespace qv::shell
