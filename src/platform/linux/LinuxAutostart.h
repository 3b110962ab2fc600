#pragma once

#include "platform/Autostart.h"
#include "platform/ProcessEnvironment.h"

#include <string>

namespace qv::platform {

/// The desktop's autostart entry (freedesktop Desktop Application Autostart): `Quorvex.desktop` in
/// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart. Enabling writes it whole through a temporary file in the
/// same directory (written, synced, renamed over the old one), creating the directory; disabling removes it.
class LinuxAutostart final : public Autostart {
public:
    static constexpr const char* kEntryName = "Quorvex.desktop";

    /// The directory from XDG_CONFIG_HOME (when absolute) or HOME; the program from /proc/self/exe.
    explicit LinuxAutostart(const ProcessEnvironment& env);
    /// An explicit autostart directory and program path.
    LinuxAutostart(std::string directory, std::string program)
        : directory_(std::move(directory)), program_(std::move(program)) {}

    bool enable() override;
    bool disable() override;

    const std::string& directory() const { return directory_; }
    /// The entry's text for `program`.
    static std::string entryText(const std::string& program);
    /// `program` as the Exec key's value: quoted when it holds reserved characters, with the escapes of the
    /// Desktop Entry format (quoting rule, then the string value rule; '%' doubled).
    static std::string execValue(const std::string& program);

private:
    std::string directory_;
    std::string program_;
};

} // namespace qv::platform
