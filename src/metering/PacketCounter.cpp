#include "metering/PacketCounter.h"

namespace qv::metering {

std::optional<std::uint32_t> dottedQuad(std::string_view text) {
    std::uint32_t address = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.')
                return std::nullopt;
            ++at;
        }
        const std::size_t start = at;
        unsigned value = 0;
        while (at < text.size() && at - start < 3 && text[at] >= '0' && text[at] <= '9')
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        const std::size_t digits = at - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0'))
            return std::nullopt;
        address = address << 8 | value;
    }
    if (at != text.size())
        return std::nullopt;
    return address;
}

void CountPacket(const platform::Ipv4Header& ip, std::optional<std::uint32_t> clientIp, int band,
                 statistics::StatisticsRecord* running, ConnectionCounters& counters) {
    if (!clientIp)
        return;
    const std::uint32_t up = ip.source == *clientIp ? ip.totalLength : 0;
    const std::uint32_t down = ip.destination == *clientIp ? ip.totalLength : 0;
    if (up != 0 || down != 0)
        counters.book(running, band, down, up);
}

void CountPackets(std::span<const platform::CapturedPacket> packets, std::optional<std::uint32_t> clientIp, int band,
                  statistics::StatisticsRecord* running, ConnectionCounters& counters) {
    if (!clientIp)
        return;
    for (const platform::CapturedPacket& p : packets)
        CountPacket(*p.decoded.ipv4, clientIp, band, running, counters);
}

} // namespace qv::metering
