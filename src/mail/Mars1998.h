#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qv::mail {

/// The MARS block cipher as first published (1998): 128-bit blocks, a 40-word expanded key built by the original
/// key expansion (a 47-word work array seeded with S-box entries 0..6, stirred in seven passes; multiplication
/// key words fixed with a pattern rotated by the word three places on, bit 31 of the fix-up mask kept for a run of
/// zeros). This is not the key schedule of the 1999 revision, which gives other ciphertexts for the same key.
/// Blocks and keys are read as 32-bit little-endian words, byte 0 being the low byte of word 0, on any host.
/// Immutable after construction: one object may serve several threads.
class Mars1998 final {
public:
    static constexpr std::size_t kBlockBytes = 16;
    static constexpr std::size_t kExpandedWords = 40;

    /// `key` holds 16 to 56 bytes, a multiple of 4 (4 to 14 words). Throws std::invalid_argument otherwise.
    explicit Mars1998(std::string_view key);

    /// One 16-byte block; `in` and `out` may be the same buffer.
    void encryptBlock(const char* in, char* out) const;
    void decryptBlock(const char* in, char* out) const;

    const std::array<std::uint32_t, kExpandedWords>& expandedKey() const { return k_; }

private:
    std::array<std::uint32_t, kExpandedWords> k_{};
};

} // namespace qv::mail
