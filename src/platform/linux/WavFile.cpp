#include "platform/linux/WavFile.h"

namespace qv::platform {

namespace {

std::uint32_t le(std::string_view bytes, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

constexpr std::uint32_t kPcm = 1;
constexpr std::uint32_t kExtensible = 0xFFFE;

} // namespace

std::optional<WavPcm> parseWav(std::string_view file) {
    if (file.size() < 12 || file.substr(0, 4) != "RIFF" || file.substr(8, 4) != "WAVE")
        return std::nullopt;
    std::optional<WavPcm> format;
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::string_view id = file.substr(at, 4);
        const std::uint32_t size = le(file, at + 4, 4);
        const std::size_t body = at + 8;
        const std::size_t available = file.size() - body;
        if (id == "fmt ") {
            if (size < 16 || size > available)
                return std::nullopt;
            std::uint32_t tag = le(file, body, 2);
            if (tag == kExtensible && size >= 40)
                tag = le(file, body + 24, 2); // the sub-format GUID starts with the format tag
            WavPcm f;
            f.channels = static_cast<int>(le(file, body + 2, 2));
            f.sampleRate = static_cast<int>(le(file, body + 4, 4));
            f.bitsPerSample = static_cast<int>(le(file, body + 14, 2));
            const bool bitsOk =
                f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32;
            if (tag != kPcm || !bitsOk || f.channels < 1 || f.channels > 8 || f.sampleRate < 1000 ||
                f.sampleRate > 384000)
                return std::nullopt;
            format = f;
        } else if (id == "data") {
            if (!format)
                return std::nullopt;
            const std::size_t frame = static_cast<std::size_t>(format->channels * format->bitsPerSample / 8);
            std::size_t length = std::min<std::size_t>(size, available);
            length -= length % frame;
            format->samples = file.substr(body, length);
            return format;
        }
        if (size > available)
            break;
        at = body + size + (size & 1u);
    }
    return std::nullopt;
}

} // namespace qv::platform
