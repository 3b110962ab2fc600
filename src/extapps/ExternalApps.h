#pragma once

#include "common/Clock.h"
#include "common/LocaleFormats.h"
#include "connection/ControllerState.h"
#include "extapps/ExternalAppRule.h"
#include "platform/DesktopShell.h"
#include "platform/FileSystem.h"
#include "platform/ProcessTable.h"
#include "settings/SettingsRecord.h"

#include <functional>
#include <string>
#include <vector>

namespace qv::extapps {

struct ExternalAppServices {
    platform::FileSystem& fs;
    platform::DesktopShell& desktop; ///< starts the programs
    platform::ProcessTable& processes;
    const Clock& clock;
    LocaleFormats locale;
    const settings::SettingsRecord& settings;
    const connection::ControllerState& state;
    std::function<double()> connMB; ///< MB moved in this connection
    std::string rulesFile;          ///< the user's "Data/<user>_ExternApp.dat"
};

/// The user's external application rules: programs started a number of seconds after a connection comes up or at
/// a time of day, and stopped a number of seconds or megabytes before a disconnect rule ends the connection, or at
/// a time of day. Each check fires at most once per arming: the connection checks once per connection, the
/// time-of-day checks once per load of the list.
class ExternalApps {
public:
    explicit ExternalApps(ExternalAppServices services);

    /// Replaces the list with the rules file (all flags cleared); a missing file leaves the list as it is.
    /// Throws when the file exists but cannot be read.
    void LoadExternalApps();
    /// At each connect: arms the four connection checks again, when the rules file exists.
    void ResetExternalAppFlags();
    /// Timer19, every second, online or not.
    void CheckExternalApps();

    /// Starts the program in its own directory; the result is not looked at.
    void StartExternalApp(const std::string& path);
    /// Ends the first of the user's processes named as the program (or as its short 8.3 form).
    void StopExternalApp(const std::string& path);

    const std::vector<ExternalAppRule>& rules() const { return rules_; }

    /// The stop before a data-limit disconnect comes when the remaining megabytes are no more than the rule's
    /// value plus this margin: a connection moves fractions of a megabyte per second, so an exact equality would
    /// seldom be met, and the margin lets the stop land while the remaining amount, in whole megabytes, still
    /// reads the rule's value.
    static constexpr double kDataStopMarginMB = 0.4;

private:
    void check(ExternalAppRule& rule);

    ExternalAppServices s_;
    std::vector<ExternalAppRule> rules_;
};

/// The file name part of a program path: what follows the last '/', '\' or ':'.
std::string programName(const std::string& path);
/// The directory part: everything before the last '/' or '\' (empty without one).
std::string programDirectory(const std::string& path);
/// The short 8.3 form a long name takes: its first 6 characters, "~1" and the path's extension, upper-cased.
std::string shortProgramName(const std::string& path);

} // namespace qv::extapps
