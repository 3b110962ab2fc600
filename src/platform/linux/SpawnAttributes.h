#pragma once

#include <csignal>
#include <spawn.h>

namespace qv::platform {

/// Spawn attributes that give a child a clean signal state: nothing blocked, every handler at its default. The
/// program blocks SIGTERM in all its threads (the termination watcher takes it), and a child must not inherit
/// that. `extraFlags` adds further POSIX_SPAWN_* flags the caller has set up. Destroy with posix_spawnattr_destroy.
inline void initCleanSignalAttributes(posix_spawnattr_t& attr, short extraFlags = 0) {
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags));
}

} // namespace qv::platform
