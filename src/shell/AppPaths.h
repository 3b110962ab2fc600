#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv::shell {

/// Every file of the program lives in or below the application directory: the executable's directory, or the
/// directory named by QUORVEX_HOME. The directories below it are installed with the program, never created.
class AppPaths {
public:
    /// `appDir` ends with '/'.
    AppPaths(std::string appDir, std::string userName);

    /// The application directory from QUORVEX_HOME (when set and not empty) or the executable's path, with a
    /// trailing '/'.
    static std::string resolveAppDir(const std::optional<std::string>& quorvexHome, const std::string& exePath);
    /// The name used in per-user file names: the logon name, or "Neznamy" when it cannot be read or would not
    /// make a plain file name.
    static std::string userNameOrDefault(const std::optional<std::string>& logonName);

    const std::string& appDir() const { return appDir_; }
    const std::string& userName() const { return userName_; }
    std::string file(std::string_view relative) const { return appDir_ + std::string(relative); }

    std::string settingsFile() const { return file("Nastaveni.ini"); }
    std::string connectionLog() const { return file("PO.log"); }
    std::string errorLog() const { return file("Error.log"); }
    std::string signalFile() const { return file("Data/Start"); }
    std::string mailAccountsFile() const { return file("Data/" + userName_ + "_Email.dat"); }
    std::string externalAppsFile() const { return file("Data/" + userName_ + "_ExternApp.dat"); }
    std::string statisticsFile() const { return file("Statistiky/Pripojeni.sts"); }
    std::string deviceTool() const { return file("Util/devcon"); }
    std::string mailSound() const { return file("Zvuk/Email.wav"); }

private:
    std::string appDir_;
    std::string userName_;
};

} // namespace qv::shell
