#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace qv::platform {

/// Link types of captured frames, as the capture library numbers them (its DLT_ values on Linux).
namespace linktype {
inline constexpr int kEthernet = 1;    ///< DLT_EN10MB: Ethernet II, optionally with 802.1Q/802.1ad tags
inline constexpr int kPpp = 9;         ///< DLT_PPP: PPP protocol field, with or without address and control
inline constexpr int kRaw = 12;        ///< DLT_RAW: the IP header at once (tun interfaces)
inline constexpr int kPppSerial = 50;  ///< DLT_PPP_SERIAL: PPP in HDLC-like framing
inline constexpr int kRawFile = 101;   ///< LINKTYPE_RAW: the number raw IP has in capture files
inline constexpr int kLinuxSll = 113;  ///< DLT_LINUX_SLL: Linux cooked v1, 16 bytes (what ppp0 gives)
inline constexpr int kIpv4 = 228;      ///< DLT_IPV4: raw IPv4 only
inline constexpr int kLinuxSll2 = 276; ///< DLT_LINUX_SLL2: Linux cooked v2, 20 bytes
} // namespace linktype

namespace ethertype {
inline constexpr std::uint16_t kIpv4 = 0x0800;
inline constexpr std::uint16_t kIpv6 = 0x86DD;
inline constexpr std::uint16_t kVlan = 0x8100;
inline constexpr std::uint16_t kQinQ = 0x88A8;
} // namespace ethertype

/// The fields of an IPv4 header that the metering reads. Addresses are in host order, most significant byte
/// first when written as dotted text.
struct Ipv4Header {
    std::uint32_t source = 0;
    std::uint32_t destination = 0;
    std::uint16_t totalLength = 0; ///< header included, as the header states it (not the captured length)
};

/// What a frame carries at the network layer.
struct DecodedFrame {
    /// The protocol of the network layer as an Ethernet type (0x0800 IPv4, 0x86DD IPv6, ...), whatever the link
    /// type names it; 0 when the link does not say (a PPP protocol with no Ethernet counterpart).
    std::uint16_t etherType = 0;
    /// Where the network-layer header starts in the frame.
    std::size_t networkOffset = 0;
    /// Set when the frame is IPv4 and its header (20 bytes, version 4) was captured.
    std::optional<Ipv4Header> ipv4;
};

/// Decodes a captured frame of link type `linkType` (`frame` is the captured part, link header included). Nothing
/// when the link type is unknown or the frame is too short for its link header. Pure; no system call, no
/// allocation, any thread.
std::optional<DecodedFrame> decodeFrame(int linkType, std::span<const std::uint8_t> frame);

/// Whether decodeFrame knows frames of this link type.
bool isDecodableLinkType(int linkType);

} // namespace qv::platform
