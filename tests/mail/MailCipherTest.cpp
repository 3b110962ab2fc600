// The accounts file's encipherment: whole blocks in electronic-codebook mode, the final short piece masked, the
// length kept, and everything given back unchanged.
#include "MailTestSupport.h"

#include "mail/MailAccountCodec.h"
#include "mail/MailCipher.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using mail::MailAccount;
using mail::MailCipher;
using mail::Mars1998;

std::vector<MailAccount> accounts(std::size_t n) {
    std::vector<MailAccount> out;
    for (std::size_t i = 0; i < n; ++i)
        out.push_back({"pop" + std::to_string(i) + ".example.cz", "u\u017Eivatel" + std::to_string(i),
                       "heslo-" + std::to_string(i), "110"});
    return out;
}

// A file of n records ends in 324 * n mod 16 = 4, 8, 12, 0, 4 bytes that do not fill a block.
class RecordFile : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RecordFile, WholeBlocksAreCodebookBlocksTheTailIsMaskedAndAllComesBack) {
    const std::size_t n = GetParam();
    const std::string clear = mail::encodeAccounts(accounts(n));
    const MailCipher cipher;
    const std::string enc = cipher.encipher(clear);
    ASSERT_EQ(enc.size(), clear.size());

    const std::size_t tail = clear.size() % Mars1998::kBlockBytes;
    constexpr std::size_t kTails[] = {4, 8, 12, 0, 4};
    EXPECT_EQ(tail, kTails[n - 1]);
    const std::size_t whole = clear.size() - tail;
    for (std::size_t at = 0; at < whole; at += Mars1998::kBlockBytes) {
        char block[Mars1998::kBlockBytes];
        cipher.blockCipher().encryptBlock(clear.data() + at, block);
        ASSERT_EQ(enc.compare(at, Mars1998::kBlockBytes, block, Mars1998::kBlockBytes), 0) << "block at " << at;
    }
    if (tail != 0) {
        EXPECT_NE(enc.substr(whole), clear.substr(whole)) << "the last piece was written in clear";
    }

    EXPECT_EQ(toHex(cipher.decipher(enc)), toHex(clear));
    EXPECT_EQ(mail::decodeAccounts(cipher.decipher(enc)), accounts(n));
}

INSTANTIATE_TEST_SUITE_P(OneToFiveRecords, RecordFile, ::testing::Values(1u, 2u, 3u, 4u, 5u));

TEST(MailCipher, EveryLengthComesBackUnchanged) {
    // Around the block edges, and the lengths with no whole block at all.
    const MailCipher cipher;
    std::string clear;
    for (std::size_t length = 0; length <= 100; ++length) {
        EXPECT_EQ(cipher.decipher(cipher.encipher(clear)), clear) << "length " << length;
        if (length > 0) {
            EXPECT_NE(cipher.encipher(clear), clear) << "length " << length;
        }
        clear.push_back(static_cast<char>(length * 37 + 11));
    }
}

TEST(MailCipher, TailIsMaskedWithTheEncryptionOfTheLastEncipheredBlock) {
    // Known answers of the file format, computed apart from this code. One block then four bytes: the block is the
    // reference vector for "MARS test block!" and the four bytes are masked by the encryption of that ciphertext.
    const MailCipher cipher;
    const std::string clear = std::string("MARS test block!") + "\x01\x02\x03\x04";
    EXPECT_EQ(toHex(cipher.encipher(clear)), "310a3eb54a656a11c2346b5c1f9edb5690eaa28c");
    // No whole block: the mask is the encryption of the all-zero block (8bf9aa01c1... for the built-in phrase).
    EXPECT_EQ(toHex(cipher.encipher("abcde")), "ea9bc965a4");
    EXPECT_EQ(cipher.decipher(fromHex("ea9bc965a4")), "abcde");
}

} // namespace
} // namespace qv::test
