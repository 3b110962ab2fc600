#include "platform/linux/LinuxDialUpAdapter.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace qv::platform {

int LinuxDialUpAdapter::GetEntries(std::vector<std::string>& entries) {
    entries.clear();
    DIR* dir = ::opendir(peersDir_.c_str());
    if (!dir)
        return errno == ENOENT ? 0 : 1; // no peers directory: an empty phonebook, not a failure
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.' || name.back() == '~')
            continue;
        struct stat st {};
        if (::stat((peersDir_ + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            entries.push_back(name);
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end());
    if (entries.size() > 100)
        entries.resize(100); // the phonebook listing has room for 100 names
    return 0;
}

} // namespace qv::platform
