#pragma once

#include <string>

namespace qv::platform {

/// Plays sound files.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    /// Plays a WAV file and returns once it has finished. False when it could not be played: no such file, a format
    /// the player does not know, or no sound device; that is never an error for the caller. Blocks: call it from a
    /// worker thread. Callable from several threads at once.
    virtual bool playWav(const std::string& path) = 0;
};

} // namespace qv::platform
