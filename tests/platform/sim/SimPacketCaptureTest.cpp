#include "platform/sim/SimPacketCapture.h"

#include "common/VirtualEventLoop.h"
#include "platform/InterfaceTable.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::platform {
namespace {

constexpr std::uint32_t kClient = 0x0A401711; // SimLine::kClientIp, 10.64.23.17
constexpr int kConnectMs = 9000;              // enough for the whole dial

struct Seen {
    std::uint64_t tick;
    int linkType;
    Ipv4Header ip;
};

struct SimPacketCaptureTest : testing::Test {
    VirtualEventLoop loop;
    test::MemoryFileSystem fs;
    SimLine line{loop, fs, "/app/"};
    SimPacketCaptureFactory factory{loop, line};
    std::vector<Seen> seen;
    int batches = 0;

    std::uint32_t connect() {
        const std::uint32_t handle = line.dial("Quorvex Demo");
        loop.advance(kConnectMs);
        EXPECT_EQ(line.phase(), SimLine::Phase::Connected);
        return handle;
    }
    /// A capture of the dial-up adapter, recording every packet.
    std::unique_ptr<PacketCapture> openDialUp() {
        auto capture = factory.create();
        capture->setAdapterIndex(1);
        capture->OnCaptureIP = [this](std::span<const CapturedPacket> batch) {
            ++batches;
            for (const auto& p : batch)
                seen.push_back({loop.tickCount(), p.linkType, *p.decoded.ipv4});
        };
        EXPECT_TRUE(capture->Open()) << capture->errorText();
        return capture;
    }
    std::uint64_t sum(bool toClient) const {
        std::uint64_t n = 0;
        for (const auto& s : seen)
            n += (toClient ? s.ip.destination : s.ip.source) == kClient ? s.ip.totalLength : 0;
        return n;
    }
};

TEST_F(SimPacketCaptureTest, TheDialUpAdapterIsListedOnlyWhileTheLineIsUp) {
    auto idle = factory.create();
    EXPECT_EQ(idle->adapterNames(), std::vector<std::string>{"lo"});
    EXPECT_EQ(idle->adapterDescriptions(), std::vector<std::string>{""});
    connect();
    auto up = factory.create();
    EXPECT_EQ(up->adapterNames(), (std::vector<std::string>{"lo", "sim0"}));
    EXPECT_EQ(up->adapterDescriptions(), (std::vector<std::string>{"", InterfaceTable::kDialUpDescription}));
    EXPECT_EQ(up->error(), CaptureError::None);
}

TEST_F(SimPacketCaptureTest, AnIndexOutsideTheListsChoosesNone) {
    connect();
    auto capture = factory.create();
    EXPECT_EQ(capture->AdapterIndex(), -1);
    capture->setAdapterIndex(1);
    EXPECT_EQ(capture->AdapterIndex(), 1);
    EXPECT_EQ(capture->AdapterName(), "sim0");
    EXPECT_EQ(capture->AdapterDescription(), InterfaceTable::kDialUpDescription);
    for (int outside : {2, -1, -7}) {
        capture->setAdapterIndex(1);
        capture->setAdapterIndex(outside);
        EXPECT_EQ(capture->AdapterIndex(), -1) << outside;
        EXPECT_EQ(capture->AdapterName(), "") << outside;
        EXPECT_EQ(capture->AdapterDescription(), "") << outside;
    }
}

TEST_F(SimPacketCaptureTest, OpenRefusesAnUnknownAdapterAndASecondOpening) {
    connect();
    auto capture = factory.create();
    EXPECT_FALSE(capture->Open()); // none chosen
    EXPECT_EQ(capture->error(), CaptureError::InvalidAdapterName);
    EXPECT_EQ(capture->errorText(), "Snoop Error: Invalid AdapterName");
    EXPECT_FALSE(capture->Active());

    capture->setAdapterIndex(1);
    ASSERT_TRUE(capture->Open());
    EXPECT_FALSE(capture->Open());
    EXPECT_EQ(capture->error(), CaptureError::AlreadyOpen);
    EXPECT_EQ(capture->errorText(), "Snoop Error: Already open");
    EXPECT_TRUE(capture->Active()); // the first opening goes on
}

TEST_F(SimPacketCaptureTest, TheDialUpAdapterOfALinkThatWentAwayCannotBeOpened) {
    const std::uint32_t handle = connect();
    auto capture = factory.create();
    capture->setAdapterIndex(1);
    line.hangUp(handle);
    EXPECT_FALSE(capture->Open());
    EXPECT_EQ(capture->error(), CaptureError::InvalidAdapterName);
}

TEST_F(SimPacketCaptureTest, PacketsCarryTheLinesTrafficBothWaysAsCookedIpv4) {
    connect();
    std::uint64_t in0 = 0, out0 = 0;
    line.counters(in0, out0);
    auto capture = openDialUp();
    loop.advance(10'000);
    std::uint64_t in = 0, out = 0;
    line.counters(in, out);

    ASSERT_FALSE(seen.empty());
    for (const auto& s : seen) {
        EXPECT_EQ(s.linkType, linktype::kLinuxSll);
        EXPECT_GE(s.ip.totalLength, SimPacketCapture::kSmallestPacket);
        EXPECT_LE(s.ip.totalLength, SimPacketCapture::kMtu);
        EXPECT_TRUE((s.ip.source == kClient) != (s.ip.destination == kClient));
    }
    // Every byte the interface moved since the opening is in a packet, but for a remainder too small for one.
    EXPECT_LE(sum(true), in - in0);
    EXPECT_GT(sum(true) + SimPacketCapture::kSmallestPacket, in - in0);
    EXPECT_LE(sum(false), out - out0);
    EXPECT_GT(sum(false) + SimPacketCapture::kSmallestPacket, out - out0);
    // Every read time-out hands over one batch, so a second sees ten of them.
    EXPECT_EQ(seen.front().tick - (seen.front().tick % 100), seen.front().tick);
    EXPECT_GT(seen.back().tick, seen.front().tick + 9'000);
    EXPECT_EQ(batches, 100);
}

TEST_F(SimPacketCaptureTest, AHangUpEndsTheCaptureQuietly) {
    const std::uint32_t handle = connect();
    auto capture = openDialUp();
    loop.advance(2000);
    ASSERT_TRUE(capture->Active());
    line.hangUp(handle);
    loop.advance(PacketCapture::kDefaultReadTimeoutMs);
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(capture->error(), CaptureError::None);
    EXPECT_EQ(capture->errorText(), "");
    const std::size_t count = seen.size();
    loop.advance(SimLine::kHangUpMs);
    connect(); // a new connection is not the old capture's
    loop.advance(2000);
    EXPECT_EQ(seen.size(), count);
}

TEST_F(SimPacketCaptureTest, AHandlerThatClosesTheCaptureGetsNoFurtherBatch) {
    connect();
    auto capture = factory.create();
    capture->setAdapterIndex(1);
    int calls = 0;
    capture->OnCaptureIP = [&](std::span<const CapturedPacket>) {
        ++calls;
        capture->Close();
    };
    ASSERT_TRUE(capture->Open());
    loop.advance(1000);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(capture->Active());
}

TEST_F(SimPacketCaptureTest, TheLoopbackOpensButCarriesNothing) {
    connect();
    auto capture = factory.create();
    capture->setAdapterIndex(0);
    capture->OnCaptureIP = [this](std::span<const CapturedPacket> batch) { batches += !batch.empty(); };
    ASSERT_TRUE(capture->Open());
    loop.advance(3000);
    EXPECT_TRUE(capture->Active());
    EXPECT_EQ(batches, 0);
}

} // namespace
} // namespace qv::platform
