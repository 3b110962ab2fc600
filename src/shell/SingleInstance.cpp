#include "shell/SingleInstance.h"

namespace qv::shell {

bool claimSingleInstance(platform::InstanceLock& lock, platform::FileSystem& fs, const AppPaths& paths) {
    if (lock.acquire(paths.appDir()))
        return true;
    // A missing or read-only Data directory leaves the running copy unaware; this copy still ends.
    fs.createEmpty(paths.signalFile());
    return false;
}

} // namespace qv::shell
