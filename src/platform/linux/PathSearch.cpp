#include "platform/linux/PathSearch.h"

#include <sys/stat.h>
#include <unistd.h>

namespace qv::platform {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string findOnPath(const std::string& name, const std::string& path) {
    for (std::size_t pos = 0; pos <= path.size();) {
        auto end = path.find(':', pos);
        if (end == std::string::npos)
            end = path.size();
        const std::string dir = path.substr(pos, end - pos);
        pos = end + 1;
        if (dir.empty() || dir.front() != '/')
            continue;
        const std::string candidate = dir + "/" + name;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

} // namespace qv::platform
