#include "platform/linux/AlsaSoundPlayer.h"

#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/WavFile.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <memory>
#include <mutex>

namespace qv::platform {

namespace {

// A player with no device is not an error: ALSA's messages about it would only clutter stderr.
void silence(const char*, int, const char*, int, const char*, ...) {}

constexpr unsigned kLatencyUs = 200000;
constexpr std::uint64_t kMaxFileBytes = 64ull << 20; // a notification sound, not an album

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

snd_pcm_format_t formatOf(int bits) {
    switch (bits) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    default:
        return SND_PCM_FORMAT_S32_LE;
    }
}

} // namespace

AlsaSoundPlayer::AlsaSoundPlayer() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(silence); });
}

bool AlsaSoundPlayer::playWav(const std::string& path) {
    LinuxFileSystem fs;
    const auto size = fs.size(path);
    if (!size || *size > kMaxFileBytes)
        return false;
    const auto bytes = fs.readAll(path);
    const auto wav = bytes ? parseWav(*bytes) : std::nullopt;
    if (!wav)
        return false;

    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return false;
    const std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
    if (snd_pcm_set_params(raw, formatOf(wav->bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(wav->channels), static_cast<unsigned>(wav->sampleRate),
                           1 /* resample when the device needs it */, kLatencyUs) < 0)
        return false;

    const std::size_t frameBytes = static_cast<std::size_t>(wav->channels * wav->bitsPerSample / 8);
    const char* at = wav->samples.data();
    snd_pcm_uframes_t left = wav->samples.size() / frameBytes;
    while (left > 0) {
        snd_pcm_sframes_t n = snd_pcm_writei(raw, at, left);
        if (n < 0)
            n = snd_pcm_recover(raw, static_cast<int>(n), 1); // an underrun is recovered; anything else ends it
        if (n < 0)
            return false;
        at += static_cast<std::size_t>(n) * frameBytes;
        left -= static_cast<snd_pcm_uframes_t>(n);
    }
    snd_pcm_drain(raw);
    return true;
}

} // namespace qv::platform
