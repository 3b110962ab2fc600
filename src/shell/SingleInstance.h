#pragma once

#include "platform/FileSystem.h"
#include "platform/InstanceLock.h"
#include "shell/AppPaths.h"

namespace qv::shell {

/// The start-up instance test. True: this is the only copy, go on. False: another copy runs from this
/// application directory; the empty signal file "Data/Start" has been left for it (when the directory allows)
/// and this process must end without showing anything.
bool claimSingleInstance(platform::InstanceLock& lock, platform::FileSystem& fs, const AppPaths& paths);

} // namespace qv::shell
