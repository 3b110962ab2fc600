#pragma once

#include "platform/FileSystem.h"
#include "shell/AppPaths.h"
#include "shell/SecondaryForm.h"

#include <cstdint>
#include <optional>

namespace qv::shell {

/// The connection log window: shows "PO.log" as it is on disk each time it is shown.
class ConnectionLogForm {
public:
    ConnectionLogForm(WindowView& view, platform::FileSystem& fs, const AppPaths& paths);
    void ShowConnectionLog(std::optional<std::uint32_t> mainColor);
    SecondaryForm& window() { return window_; }

private:
    SecondaryForm window_;
    platform::FileSystem& fs_;
    const AppPaths& paths_;
};

} // namespace qv::shell
