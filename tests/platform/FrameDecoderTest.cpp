#include "platform/FrameDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kClient = 0x0AE70002; // 10.231.0.2
constexpr std::uint32_t kServer = 0x0AE70101; // 10.231.1.1

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes withoutLastByte(Bytes b) {
    b.pop_back();
    return b;
}

Bytes be16(std::uint16_t v) {
    return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

/// An IPv4 header of 20 bytes (the options-free one) stating `totalLength`, with `payload` zero bytes after it.
Bytes ipv4(std::uint16_t totalLength, std::uint32_t from, std::uint32_t to, std::size_t payload = 0) {
    Bytes h{0x45, 0x00};
    h = h + be16(totalLength) + Bytes{0x12, 0x34, 0x40, 0x00, 64, 6, 0xAB, 0xCD};
    for (const std::uint32_t a : {from, to})
        h = h + be16(static_cast<std::uint16_t>(a >> 16)) + be16(static_cast<std::uint16_t>(a));
    return h + Bytes(payload, 0);
}

Bytes ipv6Start() {
    return Bytes{0x60, 0, 0, 0, 0, 20, 6, 64} + Bytes(32, 0xEE);
}

Bytes ethernet(std::uint16_t type) {
    return Bytes{2, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 2} + be16(type);
}

/// The cooked v1 header as ppp0 gives it: packet type, ARPHRD_PPP, no address, protocol.
Bytes sll(std::uint16_t packetType, std::uint16_t protocol, Bytes address = Bytes(8, 0)) {
    return be16(packetType) + be16(0x0200) + be16(0) + address + be16(protocol);
}

Bytes sll2(std::uint16_t protocol) {
    return be16(protocol) + be16(0) + Bytes{0, 0, 0, 7} + be16(0x0200) + Bytes{4, 0} + Bytes(8, 0);
}

struct Expected {
    std::uint16_t etherType;
    std::size_t networkOffset;
    bool ipv4;
    std::uint16_t totalLength = 0;
    std::uint32_t source = kClient;
    std::uint32_t destination = kServer;
};

struct Case {
    std::string name;
    int linkType;
    Bytes frame;
    std::optional<Expected> expected;
    friend std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.name; }
};

std::string caseName(const ::testing::TestParamInfo<Case>& param) {
    return param.param.name;
}

class FrameDecoderTest : public ::testing::TestWithParam<Case> {};

TEST_P(FrameDecoderTest, DecodesTheNetworkLayer) {
    const Case& c = GetParam();
    const auto decoded = decodeFrame(c.linkType, c.frame);
    ASSERT_EQ(decoded.has_value(), c.expected.has_value());
    if (!decoded)
        return;
    EXPECT_EQ(decoded->etherType, c.expected->etherType);
    EXPECT_EQ(decoded->networkOffset, c.expected->networkOffset);
    ASSERT_EQ(decoded->ipv4.has_value(), c.expected->ipv4);
    if (!decoded->ipv4)
        return;
    EXPECT_EQ(decoded->ipv4->totalLength, c.expected->totalLength);
    EXPECT_EQ(decoded->ipv4->source, c.expected->source);
    EXPECT_EQ(decoded->ipv4->destination, c.expected->destination);
}

using namespace linktype;
using ethertype::kIpv4;
using ethertype::kIpv6;

INSTANTIATE_TEST_SUITE_P(
    Ethernet, FrameDecoderTest,
    ::testing::Values(
        Case{"Ipv4", kEthernet, ethernet(0x0800) + ipv4(1500, kClient, kServer, 26), Expected{kIpv4, 14, true, 1500}},
        Case{"Ipv4AnswerComesBack", kEthernet, ethernet(0x0800) + ipv4(40, kServer, kClient),
             Expected{kIpv4, 14, true, 40, kServer, kClient}},
        Case{"Ipv6IsNotIpv4", kEthernet, ethernet(0x86DD) + ipv6Start(), Expected{kIpv6, 14, false}},
        Case{"Arp", kEthernet, ethernet(0x0806) + Bytes(28, 1), Expected{0x0806, 14, false}},
        Case{"VlanTagged", kEthernet, ethernet(0x8100) + Bytes{0x00, 0x05} + be16(0x0800) + ipv4(576, kClient, kServer),
             Expected{kIpv4, 18, true, 576}},
        Case{"DoubleTagged", kEthernet,
             ethernet(0x88A8) + Bytes{0, 9} + be16(0x8100) + Bytes{0, 5} + be16(0x0800) + ipv4(60, kClient, kServer),
             Expected{kIpv4, 22, true, 60}},
        Case{"Ieee8023LengthIsNoType", kEthernet, ethernet(0x0040) + Bytes{0xAA, 0xAA, 3} + Bytes(61, 0),
             Expected{0, 14, false}},
        Case{"CutInsideTheType", kEthernet, Bytes(13, 0), std::nullopt},
        Case{"CutInsideTheVlanTag", kEthernet, ethernet(0x8100) + Bytes{0, 5, 0x08}, std::nullopt},
        Case{"CutInsideTheIpHeader", kEthernet, ethernet(0x0800) + Bytes(19, 0x45), Expected{kIpv4, 14, false}},
        Case{"TypeSaysIpv4ButVersionIsNot", kEthernet, ethernet(0x0800) + ipv6Start(), Expected{kIpv4, 14, false}},
        // The snap length cut the packet: the length is the header's, not what was captured.
        Case{"SnapCutKeepsTheStatedLength", kEthernet, ethernet(0x0800) + ipv4(9000, kClient, kServer, 4),
             Expected{kIpv4, 14, true, 9000}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    LinuxCooked, FrameDecoderTest,
    ::testing::Values(
        Case{"OutgoingOnPpp0", kLinuxSll, sll(4, 0x0800) + ipv4(1500, kClient, kServer),
             Expected{kIpv4, 16, true, 1500}},
        Case{"IncomingOnPpp0", kLinuxSll, sll(0, 0x0800) + ipv4(52, kServer, kClient),
             Expected{kIpv4, 16, true, 52, kServer, kClient}},
        // Where Ethernet has its type, a cooked frame has address bytes: they must not be read as the type.
        Case{"AddressBytesAreNotTheType", kLinuxSll, sll(0, 0x86DD, {0, 0, 0, 0, 0x08, 0x00, 0, 0}) + ipv6Start(),
             Expected{kIpv6, 16, false}},
        Case{"CutInsideTheHeader", kLinuxSll, sll(0, 0x0800, Bytes(7, 0)), std::nullopt},
        Case{"V2Ipv4", kLinuxSll2, sll2(0x0800) + ipv4(1400, kClient, kServer), Expected{kIpv4, 20, true, 1400}},
        Case{"V2Ipv6", kLinuxSll2, sll2(0x86DD) + ipv6Start(), Expected{kIpv6, 20, false}},
        Case{"V2CutInsideTheHeader", kLinuxSll2, withoutLastByte(sll2(0x0800)), std::nullopt}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    RawAndPpp, FrameDecoderTest,
    ::testing::Values(
        Case{"RawIpv4", kRaw, ipv4(84, kClient, kServer, 64), Expected{kIpv4, 0, true, 84}},
        Case{"RawIpv6", kRaw, ipv6Start(), Expected{kIpv6, 0, false}},
        Case{"RawOfACaptureFile", kRawFile, ipv4(84, kServer, kClient), Expected{kIpv4, 0, true, 84, kServer, kClient}},
        Case{"RawNeitherVersion", kRaw, Bytes{0x00, 0x01, 0x02}, Expected{0, 0, false}},
        Case{"RawEmpty", kRaw, Bytes{}, std::nullopt},
        Case{"RawCutInsideTheIpHeader", kRaw, withoutLastByte(ipv4(84, kClient, kServer)), Expected{kIpv4, 0, false}},
        Case{"Ipv4Only", linktype::kIpv4, ipv4(100, kClient, kServer), Expected{kIpv4, 0, true, 100}},
        Case{"PppWithAddressAndControl", kPpp, Bytes{0xFF, 0x03, 0x00, 0x21} + ipv4(1500, kClient, kServer),
             Expected{kIpv4, 4, true, 1500}},
        Case{"PppWithoutAddressAndControl", kPpp, Bytes{0x00, 0x21} + ipv4(300, kClient, kServer),
             Expected{kIpv4, 2, true, 300}},
        Case{"PppProtocolInOneByte", kPpp, Bytes{0x21} + ipv4(300, kClient, kServer), Expected{kIpv4, 1, true, 300}},
        Case{"PppIpv6", kPpp, Bytes{0xFF, 0x03, 0x00, 0x57} + ipv6Start(), Expected{kIpv6, 4, false}},
        Case{"PppLcpHasNoEtherType", kPpp, Bytes{0xFF, 0x03, 0xC0, 0x21, 1, 1, 0, 4}, Expected{0, 4, false}},
        Case{"PppCutInsideTheProtocol", kPpp, Bytes{0xFF, 0x03, 0x00}, std::nullopt},
        Case{"PppEmpty", kPpp, Bytes{}, std::nullopt},
        Case{"PppSerial", kPppSerial, Bytes{0xFF, 0x03, 0x00, 0x21} + ipv4(40, kServer, kClient),
             Expected{kIpv4, 4, true, 40, kServer, kClient}},
        Case{"UnknownLinkType", 105, Bytes(64, 0x45), std::nullopt}),
    caseName);

TEST(FrameDecoderLinkTypes, DecodableIsExactlyWhatTheDecoderTakes) {
    // The capture opens only adapters whose link type is decodable: the two must never disagree.
    const Bytes frame = sll(0, 0x0800) + ipv4(84, kClient, kServer);
    int decodable = 0;
    for (int type = 0; type < 300; ++type) {
        EXPECT_EQ(isDecodableLinkType(type), decodeFrame(type, frame).has_value()) << type;
        decodable += isDecodableLinkType(type);
    }
    EXPECT_EQ(decodable, 8);
}

} // namespace
} // namespace qv::platform
