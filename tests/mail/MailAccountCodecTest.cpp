// The 324-byte account record: offsets, Windows-1250 texts, capacities, and the record count of a file.
#include "mail/MailAccountCodec.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using mail::MailAccount;

TEST(MailAccountCodec, FieldsAreLengthPrefixedWindows1250TextsAtFixedOffsets) {
    const MailAccount a{"pop.seznam.cz", "ji\u0159\u00ed", "\u0161\u00e9f\u20ac", "110"};
    std::string golden(324, '\0');
    golden.replace(0, 14, "\x0Dpop.seznam.cz");
    golden.replace(101, 5, "\x04ji\xF8\xED");
    golden.replace(202, 5, "\x04\x9A\xE9\x66\x80"); // š é f € in Windows-1250
    golden.replace(303, 4, "\x03\x31\x31\x30");
    EXPECT_EQ(mail::encodeAccount(a), golden);
    EXPECT_EQ(mail::decodeAccount(golden.data()), a);

    std::string foreign = golden;
    foreign.replace(14, 87, 87, '\xAA'); // unused bytes of another writer
    foreign.replace(307, 17, 17, '\x55');
    EXPECT_EQ(mail::decodeAccount(foreign.data()), a);
}

TEST(MailAccountCodec, ACharacterTheCodePageLacksIsWrittenAsAQuestionMark) {
    const MailAccount a{"\u65E5.cz", "u", "p", "110"};
    EXPECT_EQ(mail::decodeAccount(mail::encodeAccount(a).data()).server, "?.cz");
}

struct CapacityCase {
    const char* name;
    std::string MailAccount::*field;
    std::string character; ///< UTF-8; one byte in Windows-1250
    std::size_t given;
    std::size_t kept;
};

class Capacity : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(Capacity, TextsAreKeptUpToTheFieldsCapacityInCharactersAndCutBeyond) {
    const CapacityCase& c = GetParam();
    MailAccount a{"s", "u", "p", "110"};
    std::string text;
    for (std::size_t i = 0; i < c.given; ++i)
        text += c.character;
    a.*c.field = text;
    const std::string record = mail::encodeAccount(a);
    ASSERT_EQ(record.size(), mail::kAccountRecordSize);
    const MailAccount back = mail::decodeAccount(record.data());
    std::string expected;
    for (std::size_t i = 0; i < c.kept; ++i)
        expected += c.character;
    EXPECT_EQ(back.*c.field, expected);
    // The neighbouring fields are untouched by a full or over-long text.
    EXPECT_EQ(back.port, c.field == &MailAccount::port ? expected : "110");
    EXPECT_EQ(back.server, c.field == &MailAccount::server ? expected : "s");
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Capacity,
    ::testing::Values(CapacityCase{"ServerFull", &MailAccount::server, "a", 100, 100},
                      CapacityCase{"ServerOver", &MailAccount::server, "a", 101, 100},
                      CapacityCase{"UserOver", &MailAccount::user, "b", 250, 100},
                      CapacityCase{"PasswordFullOfDiacritics", &MailAccount::password, "\u017E", 100, 100},
                      // Cut in characters, never inside a character's UTF-8 bytes.
                      CapacityCase{"PasswordOverWithDiacritics", &MailAccount::password, "\u017E", 130, 100},
                      CapacityCase{"PortFull", &MailAccount::port, "9", 20, 20},
                      CapacityCase{"PortOver", &MailAccount::port, "9", 21, 20},
                      CapacityCase{"PortOverWithDiacritics", &MailAccount::port, "\u010D", 40, 20}),
    [](const ::testing::TestParamInfo<CapacityCase>& param) { return std::string(param.param.name); });

TEST(MailAccountCodec, AForeignLengthAboveTheCapacityReadsAsTheCapacity) {
    std::string record = mail::encodeAccount({std::string(100, 's'), "u", "p", std::string(20, '1')});
    record[0] = static_cast<char>(255);
    record[303] = static_cast<char>(200);
    const MailAccount a = mail::decodeAccount(record.data());
    EXPECT_EQ(a.server, std::string(100, 's'));
    EXPECT_EQ(a.port, std::string(20, '1'));
    EXPECT_EQ(a.user, "u"); // not read from the server's neighbour
}

struct CountCase {
    std::size_t bytes;
    std::size_t accounts;
};

class RecordCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(RecordCount, IsTheSizeOverTheRecordSizeRemainderIgnoredAtMost255) {
    const auto [bytes, expected] = GetParam();
    std::string file;
    for (std::size_t i = 0; file.size() + 324 <= bytes; ++i)
        file += mail::encodeAccount({"s" + std::to_string(i), "u", "p", "110"});
    file.resize(bytes, '\x7F');
    const auto accounts = mail::decodeAccounts(file);
    ASSERT_EQ(accounts.size(), expected);
    for (std::size_t i = 0; i < expected; ++i)
        ASSERT_EQ(accounts[i].server, "s" + std::to_string(i)) << "in file order";
}

INSTANTIATE_TEST_SUITE_P(Sizes, RecordCount,
                         ::testing::Values(CountCase{0, 0}, CountCase{323, 0}, CountCase{324, 1},
                                           CountCase{324 * 3 + 10, 3}, CountCase{324 * 4 - 1, 3},
                                           CountCase{324 * 255, 255}, CountCase{324 * 256, 255},
                                           CountCase{324 * 300 + 7, 255}));

TEST(MailAccountCodec, AFileHoldsAtMost255Records) {
    const std::vector<MailAccount> many(300, MailAccount{"s", "u", "p", "110"});
    EXPECT_EQ(mail::encodeAccounts(many).size(), 255u * 324u);
    EXPECT_TRUE(mail::encodeAccounts({}).empty());
}

} // namespace
} // namespace qv::test
