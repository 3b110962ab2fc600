#pragma once

#include <bit>
#include <cstdint>

namespace qv::le {

// The record files are written by x86 programs: integers and doubles little-endian, whatever this machine is.

inline void putU16(char* at, std::uint16_t v) {
    at[0] = static_cast<char>(v & 0xff);
    at[1] = static_cast<char>(v >> 8);
}

inline std::uint16_t getU16(const char* at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(at[0]) |
                                      static_cast<unsigned>(static_cast<unsigned char>(at[1])) << 8);
}

inline void putDouble(char* at, double v) {
    auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i, bits >>= 8)
        at[i] = static_cast<char>(bits & 0xff);
}

inline double getDouble(const char* at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | static_cast<unsigned char>(at[i]);
    return std::bit_cast<double>(bits);
}

} // namespace qv::le
