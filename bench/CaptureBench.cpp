// The packet handler's work per captured packet: decoding the frame by its link type, and counting it for the
// connection's client. Also the count as text comparisons of dotted addresses, the way that costs two
// conversions per packet, for comparison. (The record is read out after the loop: this library's DoNotOptimize
// spoils a double it is given, so it is given none.)
#include "metering/PacketCounter.h"
#include "platform/FrameDecoder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace qv;

constexpr std::uint32_t kClient = 0x0AE70002; // 10.231.0.2
constexpr std::uint32_t kServer = 0x0AE70101; // 10.231.1.1

/// A frame of `linkType` carrying an IPv4 packet of `length` bytes, of which the first 64 are captured.
std::vector<std::uint8_t> frame(int linkType, bool toClient, std::uint16_t length) {
    std::vector<std::uint8_t> f;
    switch (linkType) {
    case platform::linktype::kEthernet:
        f = {2, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 2, 0x08, 0x00};
        break;
    case platform::linktype::kLinuxSll:
        f = {0, static_cast<std::uint8_t>(toClient ? 0 : 4), 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0x00};
        break;
    case platform::linktype::kPpp:
        f = {0xFF, 0x03, 0x00, 0x21};
        break;
    default:
        break;
    }
    const std::uint32_t from = toClient ? kServer : kClient;
    const std::uint32_t to = toClient ? kClient : kServer;
    std::vector<std::uint8_t> ip{
        0x45, 0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0, 0x40, 0, 64, 6, 0, 0};
    for (const std::uint32_t a : {from, to})
        for (int shift = 24; shift >= 0; shift -= 8)
            ip.push_back(static_cast<std::uint8_t>(a >> shift));
    ip.resize(64 - f.size(), 0);
    f.insert(f.end(), ip.begin(), ip.end());
    return f;
}

void BM_DecodeFrame(benchmark::State& state) {
    const int linkType = static_cast<int>(state.range(0));
    const auto f = frame(linkType, true, 1500);
    for (auto _ : state) {
        auto decoded = platform::decodeFrame(linkType, f);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(BM_DecodeFrame)
    ->Arg(platform::linktype::kLinuxSll)
    ->Arg(platform::linktype::kEthernet)
    ->Arg(platform::linktype::kRaw)
    ->Arg(platform::linktype::kPpp);

/// A download's mix as ppp0 gives it: three full packets in, one acknowledgement out.
std::vector<std::vector<std::uint8_t>> downloadMix() {
    return {frame(platform::linktype::kLinuxSll, true, 1500), frame(platform::linktype::kLinuxSll, true, 1500),
            frame(platform::linktype::kLinuxSll, true, 1500), frame(platform::linktype::kLinuxSll, false, 52)};
}

void BM_DecodeAndCountPacket(benchmark::State& state) {
    const auto frames = downloadMix();
    const auto client = metering::dottedQuad("10.231.0.2");
    statistics::StatisticsRecord running;
    metering::ConnectionCounters counters;
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& f = frames[i++ % frames.size()];
        const auto decoded = platform::decodeFrame(platform::linktype::kLinuxSll, f);
        if (decoded && decoded->ipv4)
            metering::CountPacket(*decoded->ipv4, client, 1, &running, counters);
    }
    state.counters["down_bytes/packet"] = benchmark::Counter(running.Down1, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DecodeAndCountPacket);

/// The same count with the addresses written out as text and compared with the client's text.
void BM_DecodeAndCountPacketByText(benchmark::State& state) {
    const auto frames = downloadMix();
    const std::string clientIp = "10.231.0.2";
    statistics::StatisticsRecord running;
    metering::ConnectionCounters counters;
    std::size_t i = 0;
    char source[16], destination[16];
    const auto dotted = [](char* out, std::uint32_t a) {
        std::snprintf(out, 16, "%d.%d.%d.%d", static_cast<int>(a >> 24), static_cast<int>(a >> 16 & 0xFF),
                      static_cast<int>(a >> 8 & 0xFF), static_cast<int>(a & 0xFF));
    };
    for (auto _ : state) {
        const auto& f = frames[i++ % frames.size()];
        const auto decoded = platform::decodeFrame(platform::linktype::kLinuxSll, f);
        if (!decoded || !decoded->ipv4)
            continue;
        dotted(source, decoded->ipv4->source);
        dotted(destination, decoded->ipv4->destination);
        const std::uint32_t n = decoded->ipv4->totalLength;
        counters.book(&running, 1, clientIp == destination ? n : 0, clientIp == source ? n : 0);
    }
    benchmark::DoNotOptimize(&running);
}
BENCHMARK(BM_DecodeAndCountPacketByText);

} // namespace
