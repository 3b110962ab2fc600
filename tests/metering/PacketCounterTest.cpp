#include "metering/PacketCounter.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::metering {
namespace {

constexpr std::uint32_t kClient = 0x0AE70002; // 10.231.0.2
constexpr std::uint32_t kServer = 0x0AE70101; // 10.231.1.1
constexpr std::uint32_t kOther = 0x0AE70003;  // 10.231.0.3

struct QuadCase {
    std::string text;
    std::optional<std::uint32_t> address;
};

class DottedQuadTest : public ::testing::TestWithParam<QuadCase> {};

TEST_P(DottedQuadTest, MatchesOnlyWhatAPacketsAddressIsWrittenAs) {
    EXPECT_EQ(dottedQuad(GetParam().text), GetParam().address) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, DottedQuadTest,
                         ::testing::Values(QuadCase{"10.231.0.2", kClient}, QuadCase{"0.0.0.0", 0u},
                                           QuadCase{"255.255.255.255", 0xFFFFFFFFu},
                                           QuadCase{"192.168.100.1", 0xC0A86401u}, QuadCase{"", std::nullopt},
                                           QuadCase{"10.231.0", std::nullopt}, QuadCase{"10.231.0.2.", std::nullopt},
                                           QuadCase{"10.231.0.2.7", std::nullopt},
                                           QuadCase{"10.231.0.256", std::nullopt},
                                           QuadCase{"010.231.0.2", std::nullopt}, QuadCase{"10.231.00.2", std::nullopt},
                                           QuadCase{"10.231.0.2 ", std::nullopt}, QuadCase{" 10.231.0.2", std::nullopt},
                                           QuadCase{"10.231.0.+2", std::nullopt}, QuadCase{"1000.1.1.1", std::nullopt},
                                           QuadCase{"10..0.2", std::nullopt}, QuadCase{"a.b.c.d", std::nullopt}));

struct CountCase {
    std::string name;
    platform::Ipv4Header ip;
    std::optional<std::uint32_t> client;
    int band;
    double down1, up1, down2, up2; ///< the running record afterwards
    friend std::ostream& operator<<(std::ostream& os, const CountCase& c) { return os << c.name; }
};

std::string caseName(const ::testing::TestParamInfo<CountCase>& param) {
    return param.param.name;
}

class CountPacketTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountPacketTest, BooksTheIpLengthByDirectionAndBand) {
    const CountCase& c = GetParam();
    statistics::StatisticsRecord running;
    ConnectionCounters counters;
    CountPacket(c.ip, c.client, c.band, &running, counters);
    EXPECT_EQ(running.Down1, c.down1);
    EXPECT_EQ(running.Up1, c.up1);
    EXPECT_EQ(running.Down2, c.down2);
    EXPECT_EQ(running.Up2, c.up2);
    EXPECT_EQ(counters.connDownBytes, c.down1 + c.down2);
    EXPECT_EQ(counters.connUpBytes, c.up1 + c.up2);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, CountPacketTest,
    ::testing::Values(CountCase{"FromTheClientInTheDayBand", {kClient, kServer, 1500}, kClient, 1, 0, 1500, 0, 0},
                      CountCase{"FromTheClientAtNight", {kClient, kServer, 1500}, kClient, 2, 0, 0, 0, 1500},
                      CountCase{"ToTheClientInTheDayBand", {kServer, kClient, 40}, kClient, 1, 40, 0, 0, 0},
                      CountCase{"ToTheClientAtNight", {kServer, kClient, 40}, kClient, 2, 0, 0, 40, 0},
                      CountCase{"ToItselfBothWays", {kClient, kClient, 84}, kClient, 1, 84, 84, 0, 0},
                      CountCase{"NeitherFromNorToTheClient", {kServer, kOther, 1500}, kClient, 1, 0, 0, 0, 0},
                      CountCase{"ClientNotKnownYet", {kClient, kServer, 1500}, std::nullopt, 1, 0, 0, 0, 0},
                      CountCase{"LargestPacket", {kServer, kClient, 65535}, kClient, 1, 65535, 0, 0, 0}),
    caseName);

TEST(CountPacket, TheConnectionCountersWrapWhileTheRecordKeepsEveryByte) {
    statistics::StatisticsRecord running;
    running.Down1 = 4'294'967'000.0;
    ConnectionCounters counters;
    counters.connDownBytes = 4'294'967'000u;
    CountPacket({kServer, kClient, 1500}, kClient, 1, &running, counters);
    EXPECT_EQ(counters.connDownBytes, 1204u);
    EXPECT_EQ(running.Down1, 4'294'968'500.0);
}

} // namespace
} // namespace qv::metering
