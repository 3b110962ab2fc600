#include "extapps/ExternalAppCodec.h"

#include "common/OleDate.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qv::extapps {
namespace {

ExternalAppRule sample() {
    ExternalAppRule r;
    r.path = "/home/alice/Programy/Příliš žluťoučký.sh";
    r.stopSecondsBefore = 0x0102;
    r.stopMegabytesBefore = 1000;
    r.startSecondsAfter = 5;
    r.startAt = oleFromCivil({2024, 1, 2, 8, 0, 0, 0});
    r.stopAt = oleTimeOfDay(23, 59, 59);
    r.startAtOn = true;
    r.stopAtOn = false;
    return r;
}

TEST(ExternalAppCodec, EveryFieldSitsAtItsOffset) {
    ExternalAppRule r = sample();
    r.path = "C:\\a b.exe";
    r.started = r.stoppedBeforeTimeLimit = r.stoppedAt = true;
    const std::string b = encodeRule(r);
    ASSERT_EQ(b.size(), kRuleRecordSize);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b[4], 10);
    EXPECT_EQ(b.substr(5, 10), "C:\\a b.exe");
    EXPECT_EQ(b.substr(15, 206 - 15), std::string(206 - 15, '\0')); // rest of the path field and the reserved byte
    EXPECT_EQ(b.substr(206, 2), std::string("\x02\x01", 2));
    EXPECT_EQ(b.substr(208, 2), std::string("\xe8\x03", 2));
    EXPECT_EQ(b.substr(210, 2), std::string("\x05\x00", 2));
    EXPECT_EQ(b.substr(212, 4), std::string(4, '\0'));
    double startAt = 0, stopAt = 0;
    std::memcpy(&startAt, b.data() + 216, 8); // little-endian host
    std::memcpy(&stopAt, b.data() + 224, 8);
    EXPECT_EQ(startAt, r.startAt);
    EXPECT_EQ(stopAt, r.stopAt);
    EXPECT_EQ(b[232], 1);
    EXPECT_EQ(b[233], 0);
    EXPECT_EQ(b[234], 0);
    EXPECT_EQ(b[235], 1);
    EXPECT_EQ(b.substr(236), std::string(4, '\0'));
    EXPECT_EQ(decodeRule(b.data()), r);
}

TEST(ExternalAppCodec, PathIsStoredInWindows1250AndCutAt200Characters) {
    const ExternalAppRule r = sample();
    const std::string b = encodeRule(r);
    EXPECT_EQ(static_cast<unsigned char>(b[4]), 40); // one byte per character in the code page
    EXPECT_EQ(decodeRule(b.data()).path, r.path);

    ExternalAppRule longPath;
    longPath.path = "/" + std::string(250, 'x');
    const std::string cut = encodeRule(longPath);
    EXPECT_EQ(static_cast<unsigned char>(cut[4]), 200);
    EXPECT_EQ(decodeRule(cut.data()).path, longPath.path.substr(0, 200));

    std::string oversized = cut;
    oversized[4] = static_cast<char>(255); // a damaged length byte reads as the field's capacity
    oversized[205] = 'Z';
    EXPECT_EQ(decodeRule(oversized.data()).path.size(), 200u);
}

TEST(ExternalAppCodec, CountIsSizeOverRecordSizeUpTo255) {
    const std::string one = encodeRule(sample());
    EXPECT_EQ(decodeRules("").size(), 0u);
    EXPECT_EQ(decodeRules(one.substr(0, 239)).size(), 0u);
    EXPECT_EQ(decodeRules(one + "x").size(), 1u); // 241 bytes
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += one;
    EXPECT_EQ(decodeRules(many).size(), kMaxRules);
    const std::vector<ExternalAppRule> rules(300, sample());
    EXPECT_EQ(encodeRules(rules).size(), kMaxRules * kRuleRecordSize);
    EXPECT_EQ(decodeRules(encodeRules({sample(), ExternalAppRule{}})),
              (std::vector<ExternalAppRule>{sample(), ExternalAppRule{}}));
}

} // namespace
} // namespace qv::extapps
