#pragma once

#include "mail/Mars1998.h"

#include <string>
#include <string_view>

namespace qv::mail {

/// The pass phrase built into the program. Every copy must use the same one, or it cannot read the accounts files
/// that other copies wrote.
inline constexpr std::string_view kMailPassPhrase = "Quorvex-Key-01";
inline constexpr std::size_t kMailKeyBytes = 32;

/// The 256-bit key of a pass phrase: its bytes padded with zero bytes to 32, a longer phrase cut to 32.
std::string mailKeyOf(std::string_view passPhrase);

/// The encipherment of the accounts file at rest: MARS (1998) in electronic-codebook mode, each whole 16-byte
/// block by itself, and the length kept.
///
/// A final piece of r < 16 bytes (4, 8 or 12 bytes for files of 1, 2 or 3 records, modulo 4) cannot be a block.
/// It is XORed with the first r bytes of the encryption of the file's last enciphered block, or of the all-zero
/// block when the file has no whole block. Both directions compute the same mask from bytes they both have (the
/// last block as it is on disk), so deciphering gives the piece back unchanged, and the whole blocks stay exactly
/// the plain electronic-codebook blocks. The piece is never written in clear. It covers only unused or late bytes
/// of the last record's port field (bytes 312..323 at most), so even a reader that left it alone would decode
/// the same accounts whenever the port text has at most eight characters.
///
/// The file is one buffer in memory; pieces of 4096 bytes would give the same result, 4096 being whole blocks.
/// Immutable after construction: one object may serve several threads.
class MailCipher final {
public:
    explicit MailCipher(std::string_view passPhrase = kMailPassPhrase);

    std::string encipher(std::string_view clear) const;
    std::string decipher(std::string_view enciphered) const;

    const Mars1998& blockCipher() const { return mars_; }

private:
    void maskTail(std::string& bytes, std::size_t tailAt, const char* lastEncipheredBlock) const;

    Mars1998 mars_;
};

} // namespace qv::mail
