#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qv::platform {

/// The samples of a RIFF WAVE file holding linear PCM (format 1, or the extensible format with the PCM sub-format):
/// 8-bit unsigned, or 16-, 24- or 32-bit signed little-endian samples, interleaved.
struct WavPcm {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::string_view samples; ///< whole frames only, within the file's bytes
};

/// Reads the "fmt " and "data" chunks of a WAVE file, skipping any others (chunks are padded to even sizes). A data
/// chunk cut short by the end of the file gives the frames that are there. Nothing for anything else: another
/// container or encoding, a missing chunk, impossible values.
std::optional<WavPcm> parseWav(std::string_view file);

} // namespace qv::platform
