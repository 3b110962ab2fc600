// Packet capture on the lab's real dial-up link: the libpcap capture on ppp0 (Linux cooked frames), its packets
// counted as the metering counts them and held against the interface's own octet counters, and the end of the
// capture when the link goes away; then the program itself metering by packets. Real time: every wait has a
// deadline.
#include "Lab.h"
#include "LabProgram.h"
#include "RealTimeEventLoop.h"
#include "app/MainForm.h"
#include "common/Cp1250.h"
#include "metering/PacketCounter.h"
#include "platform/DialTexts.h"
#include "platform/InterfaceTable.h"
#include "platform/linux/LinuxConnectionSource.h"
#include "platform/linux/LinuxDialUpAdapter.h"
#include "platform/linux/LinuxIcmpEcho.h"
#include "platform/linux/LinuxInterfaceTable.h"
#include "platform/linux/LinuxPacketCapture.h"
#include "shell/ShellNames.h"
#include "statistics/StatisticsCodec.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace qv::lab {
namespace {

constexpr const char* kEntry = "Lab";
constexpr int kUploadPort = 18090;

/// The dialler alone, as the program builds it from the environment the lab sets.
struct Link {
    RealTimeEventLoop loop;
    platform::LinuxProcessEnvironment env;
    platform::LinuxDialPaths paths = platform::LinuxDialPaths::fromEnvironment(env);
    platform::PosixPppdLauncher launcher{paths.pppdPath};
    platform::LinuxConnectionSource connections{rootsOf(paths)};
    platform::LinuxDialUpAdapter dialer{loop, launcher, connections, paths.peersDir, paths.secretsPath};
    platform::LinuxInterfaceTable interfaces;
    int state = 0;

    /// ppp0's octet counters now.
    std::pair<std::uint32_t, std::uint32_t> octets() {
        std::vector<platform::InterfaceRow> rows;
        interfaces.read(rows);
        for (const auto& r : rows)
            if (r.name == "ppp0")
                return {r.inOctets, r.outOctets};
        return {0, 0};
    }
};

/// What the capture handed over, counted as the packet handler counts it.
struct Tally {
    metering::ConnectionCounters counters;
    statistics::StatisticsRecord running;
    std::uint64_t packets = 0;
    int linkType = 0;
    bool everyFrameCooked = true;
};

/// A server on the provider host that takes one upload and counts its bytes, from a thread that has entered the
/// provider's network namespace (a namespace is per thread).
class ProviderSink {
public:
    explicit ProviderSink(const std::string& netns) {
        thread_ = std::thread([this, netns] { serve(netns); });
        while (!ready_ && !failed_)
            std::this_thread::yield();
    }
    ~ProviderSink() { thread_.join(); }
    bool failed() const { return failed_; }
    std::size_t received() const { return received_; }

private:
    void serve(const std::string& netns) {
        const int listener = Lab::listenOnProvider(netns, kUploadPort);
        if (listener < 0) {
            failed_ = true;
            return;
        }
        ready_ = true;
        const int client = ::accept(listener, nullptr, nullptr);
        char buf[65536];
        for (ssize_t n; client >= 0 && (n = ::recv(client, buf, sizeof buf, 0)) > 0;)
            received_ += static_cast<std::size_t>(n);
        if (client >= 0)
            ::close(client);
        ::close(listener);
    }

    std::thread thread_;
    std::atomic<bool> ready_{false};
    std::atomic<bool> failed_{false};
    std::atomic<std::size_t> received_{0};
};

/// Sends `bytes` to the provider's sink; how many were sent.
std::size_t upload(std::size_t bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(kUploadPort);
    ::inet_pton(AF_INET, Lab::kProviderHost, &addr.sin_addr);
    std::size_t sent = 0;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string chunk(65536, 'u');
        while (sent < bytes) {
            const ssize_t n = ::send(fd, chunk.data(), std::min(chunk.size(), bytes - sent), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
    }
    if (fd >= 0)
        ::close(fd);
    return sent;
}

struct CaptureLabTest : ::testing::Test {
    std::unique_ptr<Lab> lab;
    std::unique_ptr<Link> link;
    std::unique_ptr<platform::LinuxPacketCapture> capture;
    Tally tally;

    void SetUp() override {
        if (const auto why = Lab::start(lab); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(lab->error(), "");
        link = std::make_unique<Link>();
        ASSERT_EQ(link->dialer.CreateEntry({kEntry, "*99#", "/dev/ttyUSB0", "lab", "s3cret"}), 0);
        link->dialer.Entry = kEntry;
        link->dialer.events.OnAsyncEvent = [this](int state, int, const std::string&) { link->state = state; };
        ASSERT_EQ(link->dialer.Dial(), 0);
        ASSERT_TRUE(until([&] { return link->state == platform::dialstate::kConnected; }, 10000));
        ASSERT_EQ(Lab::linkType("ppp0"), 512);
    }

    void TearDown() override {
        capture.reset(); // before the loop its packets are posted to
        link.reset();
        lab.reset();
    }

    bool until(const std::function<bool()>& done, int ms) { return link->loop.pumpUntil(done, ms); }

    /// A capture of the adapter described as the dial-up one, counting every packet for the lab's client.
    void openDialUpCapture() {
        capture = std::make_unique<platform::LinuxPacketCapture>(link->loop);
        const auto& descriptions = capture->adapterDescriptions();
        const auto it =
            std::find(descriptions.begin(), descriptions.end(), platform::InterfaceTable::kDialUpDescription);
        ASSERT_NE(it, descriptions.end());
        capture->setAdapterIndex(static_cast<int>(it - descriptions.begin()));
        ASSERT_EQ(capture->AdapterName(), "ppp0");
        const auto client = metering::dottedQuad(Lab::kClientIp);
        capture->OnCaptureIP = [this, client](std::span<const platform::CapturedPacket> batch) {
            for (const auto& p : batch) {
                ++tally.packets;
                tally.linkType = p.linkType;
                tally.everyFrameCooked = tally.everyFrameCooked && p.decoded.networkOffset == 16;
                metering::CountPacket(*p.decoded.ipv4, client, 1, &tally.running, tally.counters);
            }
        };
        ASSERT_TRUE(capture->Open()) << capture->errorText();
        ASSERT_TRUE(capture->Active());
        EXPECT_EQ(capture->linkType(), platform::linktype::kLinuxSll);
    }

    /// Pings the provider host with `dataBytes` of data; whether it answered.
    bool ping(int dataBytes) {
        platform::LinuxIcmpEcho echo{link->loop};
        int answers = -1;
        echo.send({Lab::kProviderHost, dataBytes, 64, 3000, ""}, [&](int n, int) { answers = n; });
        until([&] { return answers >= 0; }, 5000);
        return answers == 1;
    }
};

TEST_F(CaptureLabTest, CountsEachPacketsIpLengthBothWaysAsTheInterfaceCountsIt) {
    openDialUpCapture();
    const auto [in0, out0] = link->octets();

    // Echo requests and their replies: the lengths are known to the byte (IP 20 + ICMP 8 + data).
    for (int data : {56, 1000, 1472})
        ASSERT_TRUE(ping(data)) << data;
    constexpr std::uint32_t kEchoBytes = 84 + 1028 + 1500;
    ASSERT_TRUE(until([&] { return tally.counters.connDownBytes >= kEchoBytes; }, 3000));
    EXPECT_EQ(tally.counters.connUpBytes, kEchoBytes);
    EXPECT_EQ(tally.counters.connDownBytes, kEchoBytes);
    EXPECT_EQ(tally.packets, 6u);
    EXPECT_EQ(tally.linkType, platform::linktype::kLinuxSll);
    EXPECT_TRUE(tally.everyFrameCooked);

    // A bulk upload: every packet the link carried either way is counted, as many bytes as ppp0's counters.
    constexpr std::size_t kUpload = 2'000'000;
    std::size_t sent = 0;
    {
        ProviderSink sink(lab->netns());
        ASSERT_FALSE(sink.failed());
        std::atomic<bool> done{false};
        std::thread client([&] {
            sent = upload(kUpload);
            done = true;
        });
        until([&] { return done.load(); }, 20000); // the UI thread goes on taking packets meanwhile
        client.join();
    }
    ASSERT_EQ(sent, kUpload);
    const auto settled = [&] {
        const auto [in, out] = link->octets();
        return tally.counters.connDownBytes == in - in0 && tally.counters.connUpBytes == out - out0;
    };
    until(settled, 5000);
    const auto [in, out] = link->octets();
    EXPECT_EQ(tally.counters.connUpBytes, out - out0);
    EXPECT_EQ(tally.counters.connDownBytes, in - in0);
    EXPECT_GT(tally.counters.connUpBytes, kUpload);
    EXPECT_GT(tally.counters.connDownBytes, 0u); // the acknowledgements
    EXPECT_EQ(tally.running.Up1, tally.counters.connUpBytes);
    EXPECT_EQ(tally.running.Down1, tally.counters.connDownBytes);
    RecordProperty("captured_packets", std::to_string(tally.packets));
    RecordProperty("captured_up_bytes", std::to_string(tally.counters.connUpBytes));
    RecordProperty("captured_down_bytes", std::to_string(tally.counters.connDownBytes));

    EXPECT_FALSE(capture->Open());
    EXPECT_EQ(capture->errorText(), "Snoop Error: Already open");
    EXPECT_TRUE(capture->Active());
}

TEST_F(CaptureLabTest, AHangUpEndsTheCaptureQuietly) {
    openDialUpCapture();
    ASSERT_TRUE(ping(56));
    ASSERT_TRUE(until([&] { return tally.packets == 2; }, 3000));

    // The hang-up pumps the loop while it waits for pppd: the capture's end is handled inside that wait.
    EXPECT_EQ(link->dialer.HangUp(link->dialer.connectionHandle()), 0);
    EXPECT_FALSE(Lab::interfaceExists("ppp0"));
    ASSERT_TRUE(until([&] { return !capture->Active(); }, 3000));
    EXPECT_EQ(capture->error(), platform::CaptureError::None) << capture->errorText();
    EXPECT_EQ(capture->errorText(), "");
    EXPECT_EQ(capture->linkType(), -1);
    capture->Close(); // nothing left to close
    EXPECT_EQ(capture->error(), platform::CaptureError::None);
}

TEST_F(CaptureLabTest, CloseStopsACaptureWaitingOnAnIdleLinkAtOnce) {
    openDialUpCapture();
    link->loop.pumpWait(300); // the capture thread is blocked in the library by now: nothing moves on the link
    const auto start = std::chrono::steady_clock::now();
    capture->Close();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(capture->error(), platform::CaptureError::None);
    // Without the break the read would wait for a packet that never comes.
    EXPECT_LT(took, std::chrono::milliseconds(500));
    RecordProperty("close_us", std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
    EXPECT_TRUE(capture->Open()) << capture->errorText(); // and the adapter can be opened again
    capture->Close();
}

TEST_F(CaptureLabTest, AHandlerMayCloseTheCaptureFromInsideAHandOver) {
    openDialUpCapture();
    int calls = 0;
    capture->OnCaptureIP = [&](std::span<const platform::CapturedPacket>) {
        ++calls;
        capture->Close(); // from inside a hand-over: no later batch comes
    };
    ASSERT_TRUE(ping(1000));
    ASSERT_TRUE(until([&] { return calls > 0; }, 3000));
    link->loop.pumpWait(200);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(capture->error(), platform::CaptureError::None);
}

/// Sends one UDP datagram of `ipBytes` from `source`, an address that is not the link's, to the provider host, so
/// that it leaves through ppp0 as a packet of neither the client nor for it. Whether it was sent.
bool sendFromElsewhere(const char* source, std::uint16_t ipBytes) {
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_RAW); // the header is ours
    if (fd < 0)
        return false;
    std::vector<std::uint8_t> packet(ipBytes, 0);
    auto* ip = reinterpret_cast<iphdr*>(packet.data());
    ip->version = 4;
    ip->ihl = 5;
    ip->ttl = 64;
    ip->protocol = IPPROTO_UDP;
    ip->tot_len = htons(ipBytes);
    ::inet_pton(AF_INET, source, &ip->saddr);
    ::inet_pton(AF_INET, Lab::kProviderHost, &ip->daddr);
    packet[20] = 0x30; // source port 12345
    packet[21] = 0x39;
    packet[22] = 0x30; // destination port 12346
    packet[23] = 0x3A;
    packet[24] = static_cast<std::uint8_t>((ipBytes - 20) >> 8);
    packet[25] = static_cast<std::uint8_t>(ipBytes - 20);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = ip->daddr;
    const bool sent = ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
                      static_cast<ssize_t>(packet.size());
    ::close(fd);
    return sent;
}

struct CapturingProgramLabTest : ::testing::Test {
    std::unique_ptr<Lab> lab;
    std::unique_ptr<Program> p;

    void SetUp() override {
        if (const auto why = Lab::start(lab); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(lab->error(), "");
        p = std::make_unique<Program>(lab->appDir());
        ASSERT_TRUE(p->fs.writeAtomic(p->paths.settingsFile(),
                                      "[Prenos]\r\nRegistry=0\r\n[Modem]\r\nRestart=0\r\n[Okno]\r\nShow=1\r\n"));
        ASSERT_EQ(p->dialer.CreateEntry({kEntry, "*99#", "/dev/ttyUSB0", "lab", "s3cret"}), 0);
        p->form.create();
        p->form.activated();
        p->form.timers().timer(10).stop(); // no start-up modem restart in the middle of a dial
        ASSERT_FALSE(p->form.counterMode());
        p->form.intents().clicked(names::TForm1::SpeedButton1);
        ASSERT_TRUE(until([&] { return capturing(); }, 10000)) << shown(names::TForm1::Label9);
        ASSERT_EQ(p->form.packetMeter().clientIp(), Lab::kClientIp);
    }

    void TearDown() override {
        if (p) {
            // Nothing went wrong that the program would have logged or shown.
            EXPECT_EQ(cp1250::toUtf8(p->fs.readAll(p->paths.errorLog()).value_or("")), "");
            EXPECT_EQ(p->dialogs.messages, std::vector<std::string>{});
            EXPECT_FALSE(p->views.fatalError.window().visible);
        }
        p.reset();
        lab.reset();
    }

    bool until(const std::function<bool()>& done, int ms) { return p->loop.pumpUntil(done, ms); }
    const std::string& shown(const shell::WidgetName& w) { return p->views.main.get(w).text; }
    bool capturing() {
        const platform::PacketCapture* c = p->form.packetMeter().captureInstance();
        return p->form.state().isConnected && c && c->Active();
    }
    const metering::ConnectionCounters& counters() { return p->form.meter().counters(); }
    std::pair<std::uint32_t, std::uint32_t> octets() {
        std::vector<platform::InterfaceRow> rows;
        p->interfaces.read(rows);
        for (const auto& r : rows)
            if (r.name == "ppp0")
                return {r.inOctets, r.outOctets};
        return {0, 0};
    }
    bool ping(int dataBytes) {
        int answers = -1;
        p->echo.send({Lab::kProviderHost, dataBytes, 64, 3000, ""}, [&](int n, int) { answers = n; });
        until([&] { return answers >= 0; }, 5000);
        return answers == 1;
    }
};

TEST_F(CapturingProgramLabTest, CountsTheClientsPacketsExactlyBothWaysAndNoOneElses) {
    const auto [in0, out0] = octets();
    ASSERT_TRUE(sendFromElsewhere("10.231.0.77", 128));
    for (int data : {56, 1000, 1472})
        ASSERT_TRUE(ping(data)) << data;
    constexpr std::uint32_t kEchoBytes = 84 + 1028 + 1500;
    ASSERT_TRUE(until([&] { return counters().connDownBytes >= kEchoBytes; }, 3000));
    p->loop.pumpWait(300); // anything still on its way
    EXPECT_EQ(counters().connUpBytes, kEchoBytes);
    EXPECT_EQ(counters().connDownBytes, kEchoBytes);
    // The other host's datagram went out on ppp0 all the same.
    const auto [in, out] = octets();
    EXPECT_EQ(out - out0, kEchoBytes + 128);
    EXPECT_EQ(in - in0, kEchoBytes);
    const statistics::StatisticsRecord* running = p->form.running().currentConnRecord();
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->Up1 + running->Up2, kEchoBytes);
    EXPECT_EQ(running->Down1 + running->Down2, kEchoBytes);
    EXPECT_TRUE(p->form.floating().exists());

    p->form.intents().clicked(names::TForm1::SpeedButton2);
    ASSERT_TRUE(until([&] { return !p->form.state().isConnected && !p->form.state().disconnectBusy; }, 10000));
    const auto records = statistics::decodeFile(p->fs.readAll(p->paths.statisticsFile()).value_or(""));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_DOUBLE_EQ(records[0].Up1 + records[0].Up2, kEchoBytes / 1e6);
    EXPECT_DOUBLE_EQ(records[0].Down1 + records[0].Down2, kEchoBytes / 1e6);
}

TEST_F(CapturingProgramLabTest, AHangUpInTheMiddleOfABurstEndsTheCaptureWithoutAWord) {
    // Datagrams to the provider as fast as the link takes them, until the link is gone.
    std::atomic<bool> stop{false};
    std::thread burst([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(12347);
        ::inet_pton(AF_INET, Lab::kProviderHost, &to.sin_addr);
        const std::string payload(1372, 'b');
        while (!stop)
            ::sendto(fd, payload.data(), payload.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ::close(fd);
    });
    const bool flowing = until([&] { return counters().connUpBytes > 2'000'000; }, 10000);
    p->form.intents().clicked(names::TForm1::SpeedButton2);
    const bool over = until([&] { return !p->form.state().isConnected && !p->form.state().disconnectBusy; }, 10000);
    stop = true;
    burst.join();
    ASSERT_TRUE(flowing);
    ASSERT_TRUE(over);
    EXPECT_FALSE(Lab::interfaceExists("ppp0"));
    EXPECT_EQ(p->form.packetMeter().captureInstance(), nullptr);
    EXPECT_EQ(shown(names::TForm1::Label9), "Odpojeno");
    const auto records = statistics::decodeFile(p->fs.readAll(p->paths.statisticsFile()).value_or(""));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_GT(records[0].Up1 + records[0].Up2, 2.0);
    RecordProperty("burst_up_mb", std::to_string(records[0].Up1 + records[0].Up2));
}

} // namespace
} // namespace qv::lab
