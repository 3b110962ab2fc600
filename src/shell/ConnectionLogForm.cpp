#include "shell/ConnectionLogForm.h"
#include "shell/ShellNames.h"

#include "common/Cp1250.h"

namespace qv::shell {

ConnectionLogForm::ConnectionLogForm(WindowView& view, platform::FileSystem& fs, const AppPaths& paths)
    : window_(view), fs_(fs), paths_(paths) {}

void ConnectionLogForm::ShowConnectionLog(std::optional<std::uint32_t> mainColor) {
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
    window_.view().setText(names::TForm10::Memo1, text);
    window_.show();
}

} // namespace qv::shell
