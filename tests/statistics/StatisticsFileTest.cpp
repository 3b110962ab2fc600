#include "StatisticsFixture.h"

namespace qv::test {
namespace {

using statistics::StatisticsRecord;

struct StatisticsFileTest : StatisticsFixture {};

TEST_F(StatisticsFileTest, CloseAndAppendKeepsTheRecordsOnDiskAndAddsThePieceInMegabytes) {
    std::string old = statistics::encodeFile({rec(day(2026, 3, 1))});
    old[30] = '\x55';                        // padding: carried over untouched
    fs.mem.put(kFile, old + "123456789012"); // 100 bytes: one record and a partial one, dropped at the rewrite
    EXPECT_EQ(file.LoadStatistics().size(), 1u);
    connect();
    auto& r = *running.currentConnRecord();
    r = {0, r.Jmeno, r.Datum, r.Od, 0, 123'456'789, 1000, 5, 2'000'000};
    loop.advance(90'000);
    disconnect();

    EXPECT_EQ(bytes().substr(0, 88), old);
    ASSERT_EQ(bytes().size(), 176u);
    EXPECT_EQ(records()[1], (StatisticsRecord{120, cp1250::fromUtf8("Žluťoučký kůň úpěl ďábels"), day(2026, 3, 5),
                                              tod(12, 0), tod(12, 1, 30), 123.456789, 0.001, 0.000005, 2.0}));
    EXPECT_EQ(running.currentConnRecord(), nullptr);
    EXPECT_TRUE(errors().empty());

    connect();
    fs.failReads = true; // present but unreadable: never taken for an empty file and overwritten
    disconnect();
    EXPECT_EQ(errors(), std::vector<std::string>{"1629,1"});
    EXPECT_EQ(bytes().size(), 176u);
}

struct FormatCase {
    const char* name;
    std::string content;
    bool kept;
    statistics::FormatCheck::Result found;
};
struct CheckFormat : StatisticsFixture, ::testing::WithParamInterface<FormatCase> {};

TEST_P(CheckFormat, OnlyTheFirstRecordDecides) {
    fs.mem.put(kFile, GetParam().content);
    EXPECT_EQ(file.checkFormat().result, GetParam().found);
    EXPECT_EQ(fs.mem.readAll(kFile), GetParam().content); // looking changes nothing
    file.CheckStatisticsFormat();
    EXPECT_EQ(fs.mem.exists(kFile), GetParam().kept);
}

using R = statistics::FormatCheck::Result;
const std::string kValid = statistics::encodeRecord(rec(45000));
std::string tagged(const char* tag) {
    return std::string(tag, 2) + kValid.substr(2);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CheckFormat,
    ::testing::Values(FormatCase{"Empty", "", false, R::Empty},
                      FormatCase{"ShortOfOneRecord", kValid.substr(0, 87), false, R::TooShort},
                      FormatCase{"OneRecordAndTail", kValid + "xyz", true, R::Valid},
                      FormatCase{"ForeignFirstValidRest", tagged("\x79\x00") + kValid, false, R::ForeignTag},
                      FormatCase{"BigEndianTag", tagged("\x00\x78") + kValid, false, R::ForeignTag},
                      FormatCase{"ValidFirstForeignSecond", kValid + tagged("\x01\x00"), true, R::Valid}),
    [](const auto& p) { return std::string(p.param.name); });

struct PurgeCase {
    double today;
    int ageDays;
    double recordDay;
    bool kept;
};
struct PurgeBoundary : StatisticsFixture, ::testing::WithParamInterface<PurgeCase> {};

TEST_P(PurgeBoundary, TheCutoffDayItselfStays) {
    clock.set(GetParam().today + tod(9, 0));
    settings.purgeAgeDays = static_cast<std::uint16_t>(GetParam().ageDays);
    put({rec(GetParam().recordDay), rec(GetParam().today)});
    file.PurgeStatistics();
    EXPECT_EQ(records().size(), GetParam().kept ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Calendar, PurgeBoundary,
                         ::testing::Values(PurgeCase{day(2026, 1, 1), 1, day(2025, 12, 31), true},
                                           PurgeCase{day(2026, 1, 1), 1, day(2025, 12, 30), false},
                                           PurgeCase{day(2024, 3, 1), 365, day(2023, 3, 2), true},
                                           PurgeCase{day(2024, 3, 1), 365, day(2023, 3, 1), false}));

TEST_F(StatisticsFileTest, PurgeRemovesEveryOldRecordInOneRunAndWritesOnlyWhenSomethingWent) {
    clock.set(at(2026, 1, 10));
    settings.purgeAgeDays = 15;
    const std::vector<StatisticsRecord> fresh{rec(day(2026, 1, 2), 2), rec(day(2025, 12, 30), 3)};
    const std::string tail = "12 bytes....";
    fs.mem.put(kFile, statistics::encodeFile({rec(day(2025, 11, 1)), rec(day(2025, 12, 1)), rec(day(2025, 12, 2)),
                                              fresh[0], rec(day(2025, 12, 24)), fresh[1]}) +
                          tail);
    file.PurgeStatistics();
    EXPECT_EQ(bytes(), statistics::encodeFile(fresh)); // order kept, partial tail gone with the rewrite

    fs.mem.put(kFile, statistics::encodeFile(fresh) + tail);
    fs.mem.setReadOnly("/app/Statistiky", true);
    file.PurgeStatistics(); // nothing to remove: no write is tried
    EXPECT_TRUE(errors().empty());
    put({rec(day(2020, 1, 1))});
    file.PurgeStatistics();
    EXPECT_EQ(errors(), std::vector<std::string>{"3128,1"});
    EXPECT_EQ(records().size(), 1u);
}

} // namespace
} // namespace qv::test
