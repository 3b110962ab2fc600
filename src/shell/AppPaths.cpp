#include "shell/AppPaths.h"

namespace qv::shell {

AppPaths::AppPaths(std::string appDir, std::string userName)
    : appDir_(std::move(appDir)), userName_(std::move(userName)) {
    if (appDir_.empty() || appDir_.back() != '/')
        appDir_ += '/';
}

std::string AppPaths::resolveAppDir(const std::optional<std::string>& quorvexHome, const std::string& exePath) {
    std::string dir;
    if (quorvexHome && !quorvexHome->empty()) {
        dir = *quorvexHome;
    } else {
        const auto cut = exePath.rfind('/');
        dir = cut == std::string::npos ? std::string("./") : exePath.substr(0, cut + 1);
    }
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

std::string AppPaths::userNameOrDefault(const std::optional<std::string>& logonName) {
    const bool usable = logonName && !logonName->empty() && logonName->find('/') == std::string::npos &&
                        *logonName != "." && *logonName != "..";
    return usable ? *logonName : std::string("Neznamy");
}

} // namespace qv::shell
