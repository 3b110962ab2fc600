#include "mail/Mars1998.h"

#include "mail/MarsSbox.h"

#include <bit>
#include <stdexcept>

namespace qv::mail {

namespace {

// std::rotl/std::rotr are defined for every count; data-dependent rotations by 0 are common here, and the
// hand-written form (x << n) | (x >> (32 - n)) would shift by 32 for them.
using std::rotl;
using std::rotr;

constexpr std::uint32_t S(std::uint32_t i) {
    return kMarsSbox[i & 511];
}
constexpr std::uint32_t S0(std::uint32_t byte) {
    return kMarsSbox[byte & 255];
}
constexpr std::uint32_t S1(std::uint32_t byte) {
    return kMarsSbox[256 + (byte & 255)];
}

constexpr std::uint32_t byte0(std::uint32_t x) {
    return x & 0xFF;
}
constexpr std::uint32_t byte1(std::uint32_t x) {
    return (x >> 8) & 0xFF;
}
constexpr std::uint32_t byte2(std::uint32_t x) {
    return (x >> 16) & 0xFF;
}
constexpr std::uint32_t byte3(std::uint32_t x) {
    return x >> 24;
}

std::uint32_t loadWord(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(u[0]) | (static_cast<std::uint32_t>(u[1]) << 8) |
           (static_cast<std::uint32_t>(u[2]) << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}

void storeWord(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The bits of w that lie inside a run of at least ten equal bits, without the run's two end bits, and never
// bits 0 and 1. The first version of the cipher also keeps bit 31 when it ends a run of zeros (the revision
// clears bit 31 always).
std::uint32_t fixUpMask(std::uint32_t w) {
    // Bit b (0..30) set when bits b and b+1 of w are equal.
    std::uint32_t m = ~(w ^ (w >> 1)) & 0x7FFFFFFF;
    // Bit b set when bits b..b+9 of w are all equal: nine neighbouring equal pairs.
    m &= (m >> 1) & (m >> 2);
    m &= (m >> 3) & (m >> 6);
    if (m == 0)
        return 0;
    // Each such ten-bit window marks its eight inner bits b+1..b+8.
    m <<= 1;
    m |= m << 1;
    m |= m << 2;
    m |= m << 4;
    // A run of zeros that reaches bit 31 keeps its top bit.
    m |= (m << 1) & ~w & 0x80000000;
    return m & 0xFFFFFFFC;
}

// After each round the four words move one place: (a, b, c, d) <- (b, c, d, a); decryption moves them back.
void turnForward(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d) {
    const std::uint32_t first = a;
    a = b;
    b = c;
    c = d;
    d = first;
}

void turnBack(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d) {
    const std::uint32_t last = d;
    d = c;
    c = b;
    b = a;
    a = last;
}

struct EOut {
    std::uint32_t l, m, r;
};

EOut eFunction(std::uint32_t in, std::uint32_t key1, std::uint32_t key2) {
    std::uint32_t m = in + key1;
    std::uint32_t r = rotl(rotl(in, 13) * key2, 5);
    std::uint32_t l = S(m);
    m = rotl(m, static_cast<int>(r & 31));
    l ^= r;
    r = rotl(r, 5);
    l ^= r;
    l = rotl(l, static_cast<int>(r & 31));
    return {l, m, r};
}

} // namespace

Mars1998::Mars1998(std::string_view key) {
    if (key.size() < 16 || key.size() > 56 || key.size() % 4 != 0)
        throw std::invalid_argument("MARS key must be 4 to 14 words");
    const std::size_t n = key.size() / 4;
    std::uint32_t kw[14] = {};
    for (std::size_t i = 0; i < n; ++i)
        kw[i] = loadWord(key.data() + 4 * i);

    std::array<std::uint32_t, 47> t{};
    for (std::size_t i = 0; i < 7; ++i)
        t[i] = kMarsSbox[i];
    for (std::uint32_t i = 0; i < 39; ++i)
        t[i + 7] = rotl(t[i] ^ t[i + 5], 3) ^ kw[i % n] ^ i;
    t[46] = static_cast<std::uint32_t>(n);

    // Seven stirring passes over t[7..46], taken as a ring.
    for (int pass = 0; pass < 7; ++pass) {
        for (std::size_t i = 8; i < 47; ++i)
            t[i] = rotl(t[i] + S(t[i - 1]), 9);
        t[7] = rotl(t[7] + S(t[46]), 9);
    }

    for (std::size_t i = 0; i < kExpandedWords; ++i)
        k_[(7 * i) % kExpandedWords] = t[i + 7];

    // The multiplication key words of the core: low two bits set, long runs of equal bits broken up.
    for (std::size_t i = 5; i <= 35; i += 2) {
        std::uint32_t w = k_[i] | 3;
        const std::uint32_t mask = fixUpMask(w);
        if (mask != 0) {
            const std::uint32_t pattern = kMarsSbox[265 + (k_[i] & 3)];
            w ^= rotl(pattern, static_cast<int>(k_[i + 3] & 31)) & mask;
        }
        k_[i] = w;
    }
}

void Mars1998::encryptBlock(const char* in, char* out) const {
    std::uint32_t a = loadWord(in) + k_[0];
    std::uint32_t b = loadWord(in + 4) + k_[1];
    std::uint32_t c = loadWord(in + 8) + k_[2];
    std::uint32_t d = loadWord(in + 12) + k_[3];

    // Forward mixing.
    for (int i = 0; i < 8; ++i) {
        b ^= S0(byte0(a));
        b += S1(byte1(a));
        c += S0(byte2(a));
        d ^= S1(byte3(a));
        a = rotr(a, 24);
        if (i == 0 || i == 4)
            a += d;
        if (i == 1 || i == 5)
            a += b;
        turnForward(a, b, c, d);
    }

    // Keyed core: eight forward rounds, then eight backward ones.
    for (int i = 0; i < 16; ++i) {
        const EOut e = eFunction(a, k_[2 * i + 4], k_[2 * i + 5]);
        a = rotl(a, 13);
        c += e.m;
        if (i < 8) {
            b += e.l;
            d ^= e.r;
        } else {
            d += e.l;
            b ^= e.r;
        }
        turnForward(a, b, c, d);
    }

    // Backward mixing.
    for (int i = 0; i < 8; ++i) {
        if (i == 2 || i == 6)
            a -= d;
        if (i == 3 || i == 7)
            a -= b;
        b ^= S1(byte0(a));
        c -= S0(byte3(a));
        d -= S1(byte2(a));
        d ^= S0(byte1(a));
        a = rotl(a, 24);
        turnForward(a, b, c, d);
    }

    storeWord(out, a - k_[36]);
    storeWord(out + 4, b - k_[37]);
    storeWord(out + 8, c - k_[38]);
    storeWord(out + 12, d - k_[39]);
}

void Mars1998::decryptBlock(const char* in, char* out) const {
    std::uint32_t a = loadWord(in) + k_[36];
    std::uint32_t b = loadWord(in + 4) + k_[37];
    std::uint32_t c = loadWord(in + 8) + k_[38];
    std::uint32_t d = loadWord(in + 12) + k_[39];

    // Each round undoes the matching encryption round, last first.
    for (int i = 7; i >= 0; --i) {
        turnBack(a, b, c, d);
        a = rotr(a, 24);
        d ^= S0(byte1(a));
        d += S1(byte2(a));
        c += S0(byte3(a));
        b ^= S1(byte0(a));
        if (i == 2 || i == 6)
            a += d;
        if (i == 3 || i == 7)
            a += b;
    }

    for (int i = 15; i >= 0; --i) {
        turnBack(a, b, c, d);
        a = rotr(a, 13);
        const EOut e = eFunction(a, k_[2 * i + 4], k_[2 * i + 5]);
        c -= e.m;
        if (i < 8) {
            b -= e.l;
            d ^= e.r;
        } else {
            d -= e.l;
            b ^= e.r;
        }
    }

    for (int i = 7; i >= 0; --i) {
        turnBack(a, b, c, d);
        if (i == 0 || i == 4)
            a -= d;
        if (i == 1 || i == 5)
            a -= b;
        a = rotl(a, 24);
        d ^= S1(byte3(a));
        c -= S0(byte2(a));
        b -= S1(byte1(a));
        b ^= S0(byte0(a));
    }

    storeWord(out, a - k_[0]);
    storeWord(out + 4, b - k_[1]);
    storeWord(out + 8, c - k_[2]);
    storeWord(out + 12, d - k_[3]);
}

} // namespace qv::mail
