#pragma once

#include "common/Clock.h"
#include "common/LocaleFormats.h"
#include "platform/FileSystem.h"
#include "shell/AppPaths.h"

#include <functional>
#include <string_view>

namespace qv::shell {

/// The connection log "PO.log" and the error log "Error.log": one line per event, "<date time> : <text>" with
/// CR LF, in Windows-1250, each line appended on a freshly opened file. A log that cannot be opened is skipped
/// without a word.
class Logs {
public:
    Logs(platform::FileSystem& fs, const Clock& clock, const LocaleFormats& locale, const AppPaths& paths);

    /// Called after each error line (shows the fatal error window).
    void onError(std::function<void()> showFatalWindow) { showFatalWindow_ = std::move(showFatalWindow); }

    void WriteConnectionLog(std::string_view text);
    void ReportError(std::string_view tag);
    /// The error log line alone, without the error window (for failures while the program is ending).
    void logError(std::string_view tag);

    /// Runs a handler body inside the catch-all every handler uses: a failure skips the rest of the body and is
    /// reported with the handler's location tag; nothing escapes (a failure while reporting is dropped, as the
    /// application-wide handler drops whatever escapes).
    void guarded(const char* tag, const std::function<void()>& body) noexcept;

    /// The line as written, before encoding.
    std::string formatLine(std::string_view text) const;

private:
    platform::FileSystem& fs_;
    const Clock& clock_;
    const LocaleFormats& locale_;
    const AppPaths& paths_;
    std::function<void()> showFatalWindow_;
};

} // namespace qv::shell
