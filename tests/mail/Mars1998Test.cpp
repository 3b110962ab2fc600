// The block cipher against the reference data: every known-answer vector in both directions, the expanded key of
// the built-in pass phrase, and the embedded S-box.
#include "MailTestSupport.h"

#include "mail/MailCipher.h"
#include "mail/Mars1998.h"
#include "mail/MarsSbox.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qv::test {
namespace {

using mail::Mars1998;

const std::string kDataDir = QV_MAIL_TEST_DATA;

struct Vector {
    int line;
    std::string key, plain, cipher;
};

struct Reference {
    std::vector<Vector> vectors;
    std::vector<std::uint32_t> phraseExpandedKey; ///< the listed K[0..39] of the built-in phrase
};

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("reference file missing: " + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

Reference readReference() {
    Reference ref;
    const std::regex vectorLine("KEY=([0-9a-f]+) PT=([0-9a-f]+) CT=([0-9a-f]+)");
    const std::regex keyWordsLine("#\\s+((?:[0-9a-f]{8}\\s*){8})");
    bool inExpandedKey = false;
    const auto lines = readLines(kDataDir + "/mars1998-vectors.txt");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (std::regex_match(lines[i], m, vectorLine)) {
            ref.vectors.push_back({static_cast<int>(i + 1), fromHex(m.str(1)), fromHex(m.str(2)), fromHex(m.str(3))});
        } else if (lines[i].find("expanded key K[0..39]") != std::string::npos) {
            inExpandedKey = true;
        } else if (inExpandedKey && std::regex_match(lines[i], m, keyWordsLine)) {
            std::istringstream words(m.str(1));
            for (std::string w; words >> w;)
                ref.phraseExpandedKey.push_back(static_cast<std::uint32_t>(std::stoul(w, nullptr, 16)));
        } else {
            inExpandedKey = false;
        }
    }
    return ref;
}

TEST(Mars1998, ReproducesEveryReferenceVectorInBothDirections) {
    const Reference ref = readReference();
    // Published (9), inferred (4), generated (12 + 2 + 4): a short count means the file was cut or misread.
    ASSERT_EQ(ref.vectors.size(), 31u);
    for (const Vector& v : ref.vectors) {
        SCOPED_TRACE("line " + std::to_string(v.line));
        ASSERT_EQ(v.plain.size() % Mars1998::kBlockBytes, 0u);
        ASSERT_EQ(v.plain.size(), v.cipher.size());
        const Mars1998 mars(v.key);
        std::string enc(v.plain.size(), '\0');
        std::string dec(v.plain.size(), '\0');
        for (std::size_t at = 0; at < v.plain.size(); at += Mars1998::kBlockBytes) {
            mars.encryptBlock(v.plain.data() + at, enc.data() + at);
            mars.decryptBlock(v.cipher.data() + at, dec.data() + at);
        }
        EXPECT_EQ(toHex(enc), toHex(v.cipher));
        EXPECT_EQ(toHex(dec), toHex(v.plain));
        // The file cipher is the same electronic codebook on whole blocks.
        if (v.key == mail::mailKeyOf(mail::kMailPassPhrase)) {
            const mail::MailCipher file;
            EXPECT_EQ(toHex(file.encipher(v.plain)), toHex(v.cipher));
            EXPECT_EQ(toHex(file.decipher(v.cipher)), toHex(v.plain));
        }
    }
}

TEST(Mars1998, ExpandsTheBuiltInPhraseToTheListedKey) {
    const Reference ref = readReference();
    ASSERT_EQ(ref.phraseExpandedKey.size(), Mars1998::kExpandedWords);
    const Mars1998 mars(mail::mailKeyOf(mail::kMailPassPhrase));
    for (std::size_t i = 0; i < Mars1998::kExpandedWords; ++i)
        EXPECT_EQ(mars.expandedKey()[i], ref.phraseExpandedKey[i]) << "K[" << i << "]";
}

TEST(Mars1998, EmbeddedSboxIsThePublishedOne) {
    std::vector<std::uint32_t> published;
    for (const std::string& line : readLines(kDataDir + "/mars-sbox.txt"))
        if (!line.empty() && line[0] != '#')
            published.push_back(static_cast<std::uint32_t>(std::stoul(line, nullptr, 16)));
    ASSERT_EQ(published.size(), mail::kMarsSbox.size());
    for (std::size_t i = 0; i < published.size(); ++i)
        EXPECT_EQ(mail::kMarsSbox[i], published[i]) << "entry " << i;
}

TEST(Mars1998, TakesKeysOfFourToFourteenWordsOnly) {
    for (const std::size_t bytes : {16u, 20u, 32u, 56u})
        EXPECT_NO_THROW(Mars1998(std::string(bytes, 'k'))) << bytes;
    for (const std::size_t bytes : {0u, 12u, 17u, 60u})
        EXPECT_THROW(Mars1998(std::string(bytes, 'k')), std::invalid_argument) << bytes;
}

TEST(MailKey, IsThePhrasePaddedWithZerosOrCutTo32Bytes) {
    EXPECT_EQ(toHex(mail::mailKeyOf(mail::kMailPassPhrase)),
              "51756f727665782d4b65792d3031000000000000000000000000000000000000");
    EXPECT_EQ(mail::mailKeyOf(std::string(40, 'x')), std::string(32, 'x'));
}

} // namespace
} // namespace qv::test
