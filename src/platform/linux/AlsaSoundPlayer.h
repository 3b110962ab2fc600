#pragma once

#include "platform/SoundPlayer.h"

namespace qv::platform {

/// WAV files through ALSA's "default" device (which may route to PulseAudio or PipeWire). Without a sound device,
/// or with a file it cannot read, it plays nothing and says so only by its result; ALSA's own error printing is
/// switched off for the process.
class AlsaSoundPlayer final : public SoundPlayer {
public:
    AlsaSoundPlayer();
    bool playWav(const std::string& path) override;
};

} // namespace qv::platform
