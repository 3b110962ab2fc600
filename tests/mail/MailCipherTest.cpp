// The accounts file's encipherment: the final short piece masked, the length kept, and everything given back
// unchanged. Its whole blocks are checked against the reference vectors in Mars1998Test, and records through it in
// MailAccountsFileTest.
#include "MailTestSupport.h"

#include "mail/MailCipher.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using mail::MailCipher;

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
