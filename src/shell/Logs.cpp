#include "shell/Logs.h"

#include "common/Cp1250.h"
#include "common/Formats.h"

namespace qv::shell {

Logs::Logs(platform::FileSystem& fs, const Clock& clock, const LocaleFormats& locale, const AppPaths& paths)
    : fs_(fs), clock_(clock), locale_(locale), paths_(paths) {}

std::string Logs::formatLine(std::string_view text) const {
    std::string line = formatDateTime(clock_.now(), locale_);
    line += " : ";
    line += text;
    line += "\r\n";
    return line;
}

void Logs::WriteConnectionLog(std::string_view text) {
    fs_.append(paths_.connectionLog(), cp1250::fromUtf8(formatLine(text)));
}

void Logs::logError(std::string_view tag) {
    fs_.append(paths_.errorLog(), cp1250::fromUtf8(formatLine(tag)));
}

void Logs::ReportError(std::string_view tag) {
    logError(tag);
    if (showFatalWindow_)
        showFatalWindow_();
}

void Logs::guarded(const char* tag, const std::function<void()>& body) noexcept {
    try {
        body();
    } catch (...) {
        try {
            ReportError(tag);
        } catch (...) {
        }
    }
}

} // namespace qv::shell
