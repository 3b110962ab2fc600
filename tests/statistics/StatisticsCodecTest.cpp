#include "StatisticsFixture.h"

namespace qv::test {
namespace {

using statistics::StatisticsRecord;

TEST(StatisticsCodec, FieldsSitAtTheirOffsetsLittleEndianAndUndefinedBytesAreIgnored) {
    const StatisticsRecord r{120, "Ji\xF8\xED", 16.0, 0.5, 0.75, 1.0, 2.0, 3.0, 4.0}; // "Jiří" in Windows-1250
    std::string golden(88, '\0');
    golden.replace(0, 7, "\x78\x00\x04Ji\xF8\xED", 7);
    // The top two bytes of each double: Datum, Od, Do, Down1, Up1, then Up2 before Down2.
    const std::pair<std::size_t, const char*> tops[] = {{38, "\x30\x40"}, {46, "\xE0\x3F"}, {54, "\xE8\x3F"},
                                                        {62, "\xF0\x3F"}, {70, "\x00\x40"}, {78, "\x08\x40"},
                                                        {86, "\x10\x40"}};
    for (const auto& [offset, top] : tops)
        golden.replace(offset, 2, top, 2);
    EXPECT_EQ(statistics::encodeRecord(r), golden);

    std::string foreign = golden;
    foreign.replace(7, 25, 25, '\xAA'); // name bytes past the length, and the padding
    EXPECT_EQ(statistics::decodeRecord(foreign.data()), r);
    foreign[2] = static_cast<char>(200); // a foreign length reads as the 25 bytes there are
    EXPECT_EQ(statistics::decodeRecord(foreign.data()).Jmeno, "Ji\xF8\xED" + std::string(21, '\xAA'));
}

} // namespace
} // namespace qv::test
