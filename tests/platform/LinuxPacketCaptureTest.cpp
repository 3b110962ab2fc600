// The libpcap capture without a link: the adapter list, what Open says when it cannot capture, and the capture
// thread's hand-overs, fed from capture files. Capturing a live link is tried on a real dial-up link in the
// provider lab.
#include "platform/linux/LinuxPacketCapture.h"
#include "LinuxTempDir.h"
#include "RealTimeWait.h"

#include "common/VirtualEventLoop.h"
#include "platform/InterfaceTable.h"

#include <linux/capability.h>
#include <pcap/pcap.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace qv::platform {
namespace {

/// Takes CAP_NET_RAW and CAP_NET_ADMIN out of the calling thread's effective set (capabilities belong to a
/// thread), as a program without them has it. False when that could not be done.
bool dropCaptureCapabilitiesOfThisThread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int cap : {CAP_NET_RAW, CAP_NET_ADMIN})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    return ::syscall(SYS_capset, &header, data) == 0;
}

int indexOf(const PacketCapture& capture, const std::string& name) {
    const auto& names = capture.adapterNames();
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

TEST(LinuxPacketCaptureTest, ListsTheLoopbackWithTheLibrarysDefaults) {
    VirtualEventLoop loop;
    LinuxPacketCaptureFactory factory{loop};
    const auto capture = factory.create();
    ASSERT_EQ(capture->error(), CaptureError::None) << capture->errorText();
    const int lo = indexOf(*capture, "lo");
    ASSERT_GE(lo, 0);
    EXPECT_EQ(capture->adapterDescriptions().size(), capture->adapterNames().size());
    EXPECT_NE(capture->adapterDescriptions()[static_cast<std::size_t>(lo)], InterfaceTable::kDialUpDescription);
    EXPECT_EQ(capture->Filter, "ip");
    EXPECT_EQ(capture->SnapLen, 1600);
    EXPECT_EQ(capture->Flags, 1);
    EXPECT_EQ(capture->ReadTimeout, 100);
    EXPECT_EQ(capture->AdapterIndex(), -1);
    EXPECT_FALSE(capture->Active());
    capture->Close(); // closing what is not open does nothing
    EXPECT_EQ(capture->error(), CaptureError::None);
}

TEST(LinuxPacketCaptureTest, AnAdapterThatIsNotThereIsAnInvalidName) {
    VirtualEventLoop loop;
    LinuxPacketCapture capture{loop};
    EXPECT_FALSE(capture.Open()); // none chosen
    EXPECT_EQ(capture.error(), CaptureError::InvalidAdapterName);
    EXPECT_EQ(capture.errorText(), "Snoop Error: Invalid AdapterName");
    EXPECT_FALSE(capture.Active());
    EXPECT_EQ(capture.linkType(), -1);
}

TEST(LinuxPacketCaptureTest, WithoutTheCapabilityOpenSaysItMayNotCapture) {
    // On a thread of its own, so that the test process keeps what it has.
    bool dropped = false;
    bool opened = true;
    CaptureError error = CaptureError::None;
    std::string text;
    std::thread([&] {
        dropped = dropCaptureCapabilitiesOfThisThread();
        VirtualEventLoop loop;
        LinuxPacketCapture capture{loop};
        capture.setAdapterIndex(indexOf(capture, "lo"));
        opened = capture.Open();
        error = capture.error();
        text = capture.errorText();
        capture.Close();
    }).join();
    ASSERT_TRUE(dropped);
    EXPECT_FALSE(opened);
    EXPECT_EQ(error, CaptureError::NoPermission);
    EXPECT_FALSE(text.empty());
}

/// Linux cooked frames of IPv4 packets numbered by their source address (10.0.0.0 + n) and 40 + n % 1400 bytes
/// long, with an IPv6 frame after every seventh and one cut inside its IP header after every eleventh.
struct CaptureFileTest : LinuxTempDir {
    std::string file;
    std::vector<std::uint32_t> ipv4; ///< the numbers of the whole IPv4 packets, in file order

    void writeFile(int packets, int linkType = DLT_LINUX_SLL) {
        file = (dir / "capture.pcap").string();
        pcap_t* dead = ::pcap_open_dead(linkType, 65535);
        pcap_dumper_t* out = ::pcap_dump_open(dead, file.c_str());
        ASSERT_NE(out, nullptr);
        for (int n = 0; n < packets; ++n) {
            std::vector<std::uint8_t> f(16 + 20, 0);
            const auto length = static_cast<std::uint16_t>(40 + n % 1400);
            f[14] = 0x08;
            f[16] = 0x45;
            f[18] = static_cast<std::uint8_t>(length >> 8);
            f[19] = static_cast<std::uint8_t>(length);
            const std::uint32_t source = 0x0A000000u + static_cast<std::uint32_t>(n);
            for (int i = 0; i < 4; ++i)
                f[static_cast<std::size_t>(28 + i)] = static_cast<std::uint8_t>(source >> (24 - 8 * i));
            pcap_pkthdr h{};
            h.caplen = static_cast<bpf_u_int32>(f.size());
            h.len = 16u + length;
            if (n % 7 == 6) {
                f[14] = 0x86;
                f[15] = 0xDD;
                f[16] = 0x60;
            } else if (n % 11 == 10) {
                h.caplen = 16 + 12; // the addresses are not in it
            } else {
                ipv4.push_back(static_cast<std::uint32_t>(n));
            }
            ::pcap_dump(reinterpret_cast<u_char*>(out), &h, f.data());
        }
        ::pcap_dump_close(out);
        ::pcap_close(dead);
    }
};

TEST_F(CaptureFileTest, EveryWholeIpv4PacketIsHandedOverOnceInOrderAndTheEndIsQuiet) {
    writeFile(5000);
    VirtualEventLoop loop;
    LinuxPacketCapture capture{loop};
    std::vector<std::uint32_t> seen;
    int batches = 0;
    bool lengthsRight = true;
    capture.OnCaptureIP = [&](std::span<const CapturedPacket> batch) {
        ++batches;
        for (const CapturedPacket& p : batch) {
            const std::uint32_t n = p.decoded.ipv4->source - 0x0A000000u;
            seen.push_back(n);
            lengthsRight = lengthsRight && p.decoded.ipv4->totalLength == 40 + n % 1400 &&
                           p.header.wireBytes == 16 + 40 + n % 1400 && p.linkType == linktype::kLinuxSll &&
                           p.decoded.networkOffset == 16;
        }
    };
    ASSERT_TRUE(capture.OpenSavefile(file)) << capture.errorText();
    EXPECT_TRUE(capture.Active());
    EXPECT_EQ(capture.linkType(), linktype::kLinuxSll);
    const auto ended = [&] { return !capture.Active(); };
    ASSERT_TRUE(pumpUntil(loop, ended, 10000)); // the whole file, read on the capture thread
    EXPECT_EQ(seen, ipv4);
    EXPECT_TRUE(lengthsRight);
    // At most one hand-over per read of the file (512 packets), however the two threads meet: never one per packet.
    EXPECT_GE(batches, 1);
    EXPECT_LE(batches, (5000 + 511) / 512);
    EXPECT_EQ(capture.error(), CaptureError::None) << capture.errorText();
}

TEST_F(CaptureFileTest, CloseInTheMiddleStopsTheHandOvers) {
    writeFile(200'000);
    VirtualEventLoop loop;
    LinuxPacketCapture capture{loop};
    std::size_t seen = 0;
    capture.OnCaptureIP = [&](std::span<const CapturedPacket> batch) {
        seen += batch.size();
        if (seen > 1000)
            capture.Close(); // from inside a hand-over
    };
    ASSERT_TRUE(capture.OpenSavefile(file)) << capture.errorText();
    const auto ended = [&] { return !capture.Active(); };
    ASSERT_TRUE(pumpUntil(loop, ended, 10000));
    const std::size_t atClose = seen;
    loop.runPosted();
    EXPECT_EQ(seen, atClose);
    EXPECT_LT(seen, ipv4.size());
    EXPECT_EQ(capture.error(), CaptureError::None);
    EXPECT_TRUE(capture.OpenSavefile(file)); // and it opens again
    capture.Close();
}

TEST_F(CaptureFileTest, AFileOfAnUnknownLinkTypeOrNoFileIsNotOpened) {
    writeFile(10, DLT_IEEE802_11);
    VirtualEventLoop loop;
    LinuxPacketCapture capture{loop};
    EXPECT_FALSE(capture.OpenSavefile(file));
    EXPECT_EQ(capture.error(), CaptureError::OpenFailed);
    EXPECT_EQ(capture.errorText(), "Snoop Error: Unsupported link type IEEE802_11");
    EXPECT_FALSE(capture.OpenSavefile((dir / "missing.pcap").string()));
    EXPECT_EQ(capture.error(), CaptureError::OpenFailed);
    EXPECT_FALSE(capture.Active());
}

} // namespace
} // namespace qv::platform
