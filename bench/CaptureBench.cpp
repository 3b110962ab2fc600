// The packet handler's work per captured packet: decoding the frame by its link type, and counting it for the
// connection's client. Also the count as text comparisons of dotted addresses, the way that costs two
// conversions per packet, for comparison. (The record is read out after the loop: this library's DoNotOptimize
// spoils a double it is given, so it is given none.)
//
// Then the whole capture path against the library alone, over one capture file of kFilePackets packets written at
// the start of the run: BM_BarePcapNextEx reads the file with a bare pcap_next_ex loop; BM_CapturePath replays it
// through the program's capture (filter, decoding on the capture thread, batches posted to this thread, which
// plays the UI thread) and counts every batch into a running record, band and all; filter:0 leaves the filter
// out, as its cost falls on the kernel in a live capture. Both report packets of the file per second of wall time.
#include "common/EventLoop.h"
#include "metering/PacketCounter.h"
#include "metering/TariffBand.h"
#include "platform/FrameDecoder.h"
#include "platform/linux/LinuxPacketCapture.h"
#include "platform/linux/LinuxSystem.h"

#include <benchmark/benchmark.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
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

constexpr std::uint64_t kFilePackets = 1u << 20;
constexpr std::uint32_t kCapturedBytes = 56; // cooked header, IP and TCP headers: a capture of the headers alone

/// The capture file, written once per run with pcap_dump: Linux cooked frames of a download (three 1500-byte
/// packets in, one 52-byte acknowledgement out), every 16th packet one between two other hosts, every 64th an
/// IPv6 frame. Removed at the end of the run.
class CaptureFile {
public:
    CaptureFile() {
        char name[] = "/tmp/qv-capture-bench-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0)
            std::abort();
        ::close(fd);
        path_ = name;
        pcap_t* dead = ::pcap_open_dead(DLT_LINUX_SLL, 65535);
        pcap_dumper_t* out = ::pcap_dump_open(dead, path_.c_str());
        if (!out)
            std::abort();
        const auto mix = downloadMix();
        auto others = frame(platform::linktype::kLinuxSll, true, 1500);
        for (int i = 28; i < 36; ++i)
            others[static_cast<std::size_t>(i)] ^= 0x55; // neither address is the client's
        auto ipv6 = frame(platform::linktype::kLinuxSll, true, 1500);
        ipv6[14] = 0x86;
        ipv6[15] = 0xDD;
        ipv6[16] = 0x60;
        for (std::uint64_t i = 0; i < kFilePackets; ++i) {
            const std::vector<std::uint8_t>* f = &mix[i % mix.size()];
            if (i % 64 == 63)
                f = &ipv6;
            else if (i % 16 == 15)
                f = &others;
            const std::uint32_t ipLength = static_cast<std::uint32_t>((*f)[18] << 8 | (*f)[19]);
            pcap_pkthdr h{};
            h.ts.tv_sec = static_cast<time_t>(1'770'000'000 + i / 100'000);
            h.ts.tv_usec = static_cast<suseconds_t>(i % 100'000 * 10);
            h.caplen = kCapturedBytes;
            h.len = 16 + ipLength;
            ::pcap_dump(reinterpret_cast<u_char*>(out), &h, f->data());
            if ((*f)[14] == 0x08) { // what the metering is to count
                if (i % 16 == 15)
                    continue;
                ((*f)[1] == 0 ? expectedDown_ : expectedUp_) += ipLength;
            }
        }
        ::pcap_dump_close(out);
        ::pcap_close(dead);
    }
    ~CaptureFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }
    double expectedDown() const { return static_cast<double>(expectedDown_); }
    double expectedUp() const { return static_cast<double>(expectedUp_); }

private:
    std::string path_;
    std::uint64_t expectedDown_ = 0;
    std::uint64_t expectedUp_ = 0;
};

const CaptureFile& captureFile() {
    static const CaptureFile file;
    return file;
}

void BM_BarePcapNextEx(benchmark::State& state) {
    const std::string& path = captureFile().path();
    std::uint64_t packets = 0;
    for (auto _ : state) {
        char error[PCAP_ERRBUF_SIZE];
        pcap_t* p = ::pcap_open_offline(path.c_str(), error);
        pcap_pkthdr* h = nullptr;
        const u_char* data = nullptr;
        std::uint64_t bytes = 0;
        while (::pcap_next_ex(p, &h, &data) == 1) {
            bytes += h->len;
            ++packets;
        }
        ::pcap_close(p);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(packets));
}
BENCHMARK(BM_BarePcapNextEx)->Unit(benchmark::kMillisecond)->UseRealTime();

/// The UI thread's loop as far as the capture uses it: posted work, run in order on the thread that asks.
class PostedWorkLoop final : public EventLoop {
public:
    std::unique_ptr<Timer> createTimer(int, bool, std::function<void()>) override { return nullptr; }
    void pumpWait(int) override {}
    void post(std::function<void()> work) override {
        {
            std::lock_guard lock(mutex_);
            work_.push_back(std::move(work));
        }
        wake_.notify_one();
    }
    void invoke(std::function<void()> work) override { post(std::move(work)); }
    std::uint64_t tickCount() const override { return 0; }

    /// Runs posted work, waiting for more, until `done` holds.
    template <typename Done>
    void runUntil(Done done) {
        while (!done()) {
            std::function<void()> work;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return !work_.empty(); });
                work = std::move(work_.front());
                work_.pop_front();
            }
            work();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> work_;
};

void BM_CapturePath(benchmark::State& state) {
    const CaptureFile& file = captureFile();
    PostedWorkLoop loop;
    platform::LinuxClock clock;
    platform::LinuxPacketCapture capture(loop);
    // With the program's filter, which a file replay runs in this process; a live adapter's runs in the kernel.
    if (state.range(0) == 0)
        capture.Filter = "";
    const auto client = metering::dottedQuad("10.231.0.2");
    std::uint64_t batches = 0;
    for (auto _ : state) {
        statistics::StatisticsRecord running;
        metering::ConnectionCounters counters;
        capture.OnCaptureIP = [&](std::span<const platform::CapturedPacket> packets) {
            ++batches;
            metering::CountPackets(packets, client, metering::TariffBandOf(clock.now()), &running, counters);
        };
        if (!capture.OpenSavefile(file.path())) {
            state.SkipWithError(capture.errorText().c_str());
            return;
        }
        loop.runUntil([&] { return !capture.Active(); });
        if (running.Down1 + running.Down2 != file.expectedDown() || running.Up1 + running.Up2 != file.expectedUp()) {
            state.SkipWithError("the path counted other bytes than the file holds");
            return;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFilePackets));
    state.counters["packets/batch"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kFilePackets) / static_cast<double>(batches));
}
BENCHMARK(BM_CapturePath)->ArgName("filter")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
