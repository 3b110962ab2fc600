#include "platform/FrameDecoder.h"

namespace qv::platform {

namespace {

constexpr std::size_t kEthernetHeader = 14;
constexpr std::size_t kVlanTag = 4;
constexpr int kMaxVlanTags = 2; // 802.1ad service tag, then the 802.1Q customer tag
constexpr std::size_t kSllHeader = 16;
constexpr std::size_t kSll2Header = 20;
constexpr std::size_t kIpv4MinHeader = 20;

constexpr std::uint16_t kPppIpv4 = 0x0021;
constexpr std::uint16_t kPppIpv6 = 0x0057;
constexpr std::uint8_t kHdlcAddress = 0xFF;
constexpr std::uint8_t kHdlcControl = 0x03;
constexpr std::uint16_t kFirstEtherType = 0x0600; // below it an Ethernet type field holds an 802.3 length

std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::uint16_t etherTypeOfIpVersion(std::uint8_t firstByte) {
    switch (firstByte >> 4) {
    case 4:
        return ethertype::kIpv4;
    case 6:
        return ethertype::kIpv6;
    default:
        return 0;
    }
}

std::optional<DecodedFrame> ethernet(std::span<const std::uint8_t> f) {
    if (f.size() < kEthernetHeader)
        return std::nullopt;
    std::size_t typeAt = 12;
    std::uint16_t type = be16(&f[typeAt]);
    for (int tags = 0; tags < kMaxVlanTags && (type == ethertype::kVlan || type == ethertype::kQinQ); ++tags) {
        typeAt += kVlanTag;
        if (f.size() < typeAt + 2)
            return std::nullopt;
        type = be16(&f[typeAt]);
    }
    return DecodedFrame{type < kFirstEtherType ? std::uint16_t{0} : type, typeAt + 2, std::nullopt};
}

std::optional<DecodedFrame> ppp(std::span<const std::uint8_t> f) {
    std::size_t at = 0;
    // Address and control may be left out (ACFC), and the protocol sent in one byte (PFC: an odd first byte).
    if (f.size() >= 2 && f[0] == kHdlcAddress && f[1] == kHdlcControl)
        at = 2;
    if (f.size() < at + 1)
        return std::nullopt;
    std::uint16_t protocol = f[at];
    if (protocol % 2 == 1) {
        at += 1;
    } else {
        if (f.size() < at + 2)
            return std::nullopt;
        protocol = be16(&f[at]);
        at += 2;
    }
    const std::uint16_t type = protocol == kPppIpv4 ? ethertype::kIpv4 : protocol == kPppIpv6 ? ethertype::kIpv6 : 0;
    return DecodedFrame{type, at, std::nullopt};
}

std::optional<DecodedFrame> linkHeader(int linkType, std::span<const std::uint8_t> f) {
    switch (linkType) {
    case linktype::kEthernet:
        return ethernet(f);
    case linktype::kLinuxSll:
        // Packet type, hardware type, address length, 8 address bytes, then the protocol as an Ethernet type.
        if (f.size() < kSllHeader)
            return std::nullopt;
        return DecodedFrame{be16(&f[14]), kSllHeader, std::nullopt};
    case linktype::kLinuxSll2:
        // The protocol first, then reserved bytes, interface index, hardware type, packet type and the address.
        if (f.size() < kSll2Header)
            return std::nullopt;
        return DecodedFrame{be16(&f[0]), kSll2Header, std::nullopt};
    case linktype::kRaw:
    case linktype::kRawFile:
        if (f.empty())
            return std::nullopt;
        return DecodedFrame{etherTypeOfIpVersion(f[0]), 0, std::nullopt};
    case linktype::kIpv4:
        return DecodedFrame{ethertype::kIpv4, 0, std::nullopt};
    case linktype::kPpp:
    case linktype::kPppSerial:
        return ppp(f);
    default:
        return std::nullopt;
    }
}

} // namespace

bool isDecodableLinkType(int linkType) {
    switch (linkType) {
    case linktype::kEthernet:
    case linktype::kLinuxSll:
    case linktype::kLinuxSll2:
    case linktype::kRaw:
    case linktype::kRawFile:
    case linktype::kIpv4:
    case linktype::kPpp:
    case linktype::kPppSerial:
        return true;
    default:
        return false;
    }
}

std::optional<DecodedFrame> decodeFrame(int linkType, std::span<const std::uint8_t> frame) {
    auto decoded = linkHeader(linkType, frame);
    if (!decoded || decoded->etherType != ethertype::kIpv4)
        return decoded;
    const std::size_t at = decoded->networkOffset;
    if (frame.size() < at + kIpv4MinHeader || frame[at] >> 4 != 4)
        return decoded;
    const std::uint8_t* ip = frame.data() + at;
    decoded->ipv4 = Ipv4Header{be32(ip + 12), be32(ip + 16), be16(ip + 2)};
    return decoded;
}

} // namespace qv::platform
