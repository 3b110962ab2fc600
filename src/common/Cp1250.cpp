#include "common/Cp1250.h"

#include "common/Unicode.h"

#include <algorithm>
#include <array>
#include <optional>

namespace qv::cp1250 {

namespace {

// Code points of bytes 0x80 … 0xFF. The five bytes the code page leaves unassigned map to the C1 control of the
// same value, so that any byte string survives a trip through UTF-8 and back.
constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

struct Reverse {
    char16_t codePoint;
    unsigned char byte;
};

constexpr auto kReverse = [] {
    std::array<Reverse, 128> r{};
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = {kHigh[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(r.begin(), r.end(), [](const Reverse& a, const Reverse& b) { return a.codePoint < b.codePoint; });
    return r;
}();

constexpr auto kLower = [] {
    std::array<unsigned char, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = static_cast<unsigned char>(i);
    for (unsigned c = 'A'; c <= 'Z'; ++c)
        t[c] = static_cast<unsigned char>(c + 0x20);
    // Capitals whose small letter sits elsewhere in the code page.
    constexpr std::array<std::array<unsigned char, 2>, 10> pairs = {{{0x8A, 0x9A},
                                                                     {0x8C, 0x9C},
                                                                     {0x8D, 0x9D},
                                                                     {0x8E, 0x9E},
                                                                     {0x8F, 0x9F},
                                                                     {0xA3, 0xB3},
                                                                     {0xA5, 0xB9},
                                                                     {0xAA, 0xBA},
                                                                     {0xAF, 0xBF},
                                                                     {0xBC, 0xBE}}};
    for (const auto& p : pairs)
        t[p[0]] = p[1];
    for (unsigned c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) // the multiplication sign
            t[c] = static_cast<unsigned char>(c + 0x20);
    return t;
}();

std::optional<unsigned char> byteOf(char32_t cp) {
    if (cp < 0x80)
        return static_cast<unsigned char>(cp);
    const auto it = std::lower_bound(kReverse.begin(), kReverse.end(), cp,
                                     [](const Reverse& r, char32_t v) { return r.codePoint < v; });
    if (it == kReverse.end() || it->codePoint != cp)
        return std::nullopt;
    return it->byte;
}

char byteFor(char32_t cp) {
    return static_cast<char>(byteOf(cp).value_or('?'));
}

/// Lowers the code page's capitals; any other code point stays as it is.
char32_t foldCodePoint(char32_t cp) {
    const auto byte = byteOf(cp);
    if (!byte)
        return cp;
    const unsigned char lower = kLower[*byte];
    return lower < 0x80 ? char32_t{lower} : char32_t{kHigh[lower - 0x80]};
}

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::string fromUtf8(std::string_view utf8) {
    if (isAscii(utf8))
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        // One '?' for a broken sequence; the offending byte starts afresh.
        const auto cp = unicode::nextUtf8(utf8, i);
        out += cp ? byteFor(*cp) : '?';
    }
    return out;
}

std::string toUtf8(std::string_view bytes) {
    if (isAscii(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        unicode::appendUtf8(out, b < 0x80 ? char32_t{b} : char32_t{kHigh[b - 0x80]});
    }
    return out;
}

unsigned char foldCase(unsigned char byte) {
    return kLower[byte];
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return kLower[static_cast<unsigned char>(x)] == kLower[static_cast<unsigned char>(y)];
           });
}

bool equalsIgnoreCaseUtf8(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t startA = i, startB = j;
        const auto x = unicode::nextUtf8(a, i);
        const auto y = unicode::nextUtf8(b, j);
        if (x && y ? foldCodePoint(*x) != foldCodePoint(*y)
                   : a.substr(startA, i - startA) != b.substr(startB, j - startB))
            return false;
    }
    return i == a.size() && j == b.size();
}

} // namespace qv::cp1250
