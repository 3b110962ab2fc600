#pragma once

#include "metering/ConnectionCounters.h"
#include "platform/FrameDecoder.h"
#include "platform/PacketCapture.h"
#include "statistics/StatisticsRecord.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qv::metering {

/// `clientIp` as the packet counting compares it: four decimal numbers 0-255 joined by dots, with no sign, no
/// leading zero and nothing around them, exactly as a packet's address is written ("%d.%d.%d.%d"). Nothing for
/// any other text, which no packet's address equals.
std::optional<std::uint32_t> dottedQuad(std::string_view text);

/// The packet handler's count: books a captured IPv4 packet's total length (header included) in tariff band
/// `band`, as sent when it comes from `clientIp` and as received when it goes to it (both for a packet to itself);
/// a packet of other addresses, or any packet while `clientIp` is unknown, is not counted. Into the running
/// record when there is one, and the connection's counters.
void CountPacket(const platform::Ipv4Header& ip, std::optional<std::uint32_t> clientIp, int band,
                 statistics::StatisticsRecord* running, ConnectionCounters& counters);

/// CountPacket for each packet of one hand-over of the capture, in capture order and all in band `band`: they are
/// counted together, at one moment.
void CountPackets(std::span<const platform::CapturedPacket> packets, std::optional<std::uint32_t> clientIp, int band,
                  statistics::StatisticsRecord* running, ConnectionCounters& counters);

} // namespace qv::metering
