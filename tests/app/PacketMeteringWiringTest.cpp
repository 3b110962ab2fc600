// The packet-capture metering and the floating window as the shell wires them: the connected and disconnected
// handling start and drop them, Timer4 shows what the packets counted.
#include "ShellFixture.h"

#include "metering/FloatingNames.h"
#include "statistics/StatisticsCodec.h"

namespace qv::test {
namespace {

namespace f = names::TForm7;

constexpr std::uint32_t kClient = 0x0A000002; // the fake monitor's 10.0.0.2
constexpr std::uint32_t kServer = 0x0A000001;

std::vector<platform::CapturedPacket> packets(int n, std::uint32_t from, std::uint32_t to, std::uint16_t length) {
    return std::vector<platform::CapturedPacket>(static_cast<std::size_t>(n), ipv4Packet(from, to, length));
}

struct PacketMeteringWiringTest : ShellFixture {
    void startWith(const std::string& settings) {
        fs.addDir("/app/Statistiky");
        fs.put("/app/Nastaveni.ini", settings);
        started();
        form->timers().timer(10).stop(); // no start-up modem restart in these flows
    }
    std::vector<statistics::StatisticsRecord> stored() {
        return statistics::decodeFile(fs.readAll("/app/Statistiky/Pripojeni.sts").value_or(""));
    }
};

TEST_F(PacketMeteringWiringTest, InCaptureModeTheClientsPacketsAreMeteredUntilTheDisconnection) {
    startWith("[Prenos]\r\nRegistry=0\r\n[Modem]\r\nRestart=0\r\n");
    interfaces.wan(5'000'000, 5'000'000); // not read in this mode
    monitor.connect();
    loop.advance(5);
    ASSERT_EQ(captures.opened, std::vector<std::string>{"ppp0"});
    EXPECT_EQ(form->packetMeter().clientIp(), "10.0.0.2");

    captures.deliver(packets(400, kClient, kServer, 1500));
    captures.deliver(packets(200, kServer, kClient, 1000));
    captures.deliver(packets(50, kServer, 0x0A000009, 1500)); // someone else's
    loop.advance(995);                                        // Timer4
    EXPECT_EQ(main(w::Label24).text, "0,20 MB");
    EXPECT_EQ(main(w::Label27).text, "0,60 MB");
    EXPECT_EQ(main(w::Label7).text, "200,0");
    EXPECT_EQ(views.floating.get(f::DRLabel6).text, "600,0 KB/s");

    monitor.disconnect();
    EXPECT_EQ(captures.live, nullptr); // closed and dropped
    EXPECT_FALSE(form->packetMeter().captureActive());
    EXPECT_EQ(form->packetMeter().clientIp(), "");
    EXPECT_FALSE(captures.deliver(packets(1, kServer, kClient, 1500)));
    const auto records = stored();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_DOUBLE_EQ(records[0].Down1, 0.2);
    EXPECT_DOUBLE_EQ(records[0].Up1, 0.6);

    // The next connection has a capture of its own.
    monitor.connect();
    loop.advance(5);
    EXPECT_EQ(captures.opened.size(), 2u);
    EXPECT_TRUE(captures.deliver(packets(1, kServer, kClient, 1500)));
}

TEST_F(PacketMeteringWiringTest, InCounterModeNothingIsCaptured) {
    startWith("[Prenos]\r\nRegistry=1\r\n");
    monitor.connect();
    loop.advance(1000);
    EXPECT_EQ(captures.created, 0);
    EXPECT_FALSE(form->timers().timer(13).enabled());
}

TEST_F(PacketMeteringWiringTest, WithoutThePermissionTheStatusLineSaysSoAfterTheConnectedText) {
    captures.openFailure = {{platform::CaptureError::NoPermission, "socket: Operation not permitted"}};
    startWith("[Prenos]\r\nRegistry=0\r\n[Modem]\r\nRestart=0\r\n");
    monitor.connect();
    EXPECT_EQ(main(w::Label9).text, "Spojeno");
    loop.advance(5);
    EXPECT_EQ(main(w::Label9).text, metering::PacketMeter::kNoPermissionText);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{}); // no box
    EXPECT_FALSE(views.fatalError.window().visible);
}

TEST_F(PacketMeteringWiringTest, TheFloatingWindowComesWithTheConnectionAndGoesWithIt) {
    startWith("[Okno]\r\nShow=1\r\nLeft=20\r\nTop=30\r\n[Modem]\r\nRestart=0\r\n");
    EXPECT_FALSE(form->floating().exists());
    monitor.connect();
    ASSERT_TRUE(form->floating().exists());
    EXPECT_TRUE(views.floating.window().visible);
    EXPECT_EQ(form->floating().placement().left, 20);
    EXPECT_EQ(form->floating().placement().top, 30);
    loop.advance(2000);
    EXPECT_EQ(views.floating.get(f::DRLabel3).text, main(w::Label11).text); // the connection clock
    EXPECT_EQ(views.floating.get(f::DRLabel3).text, "00:00:02");

    // The collapse button is the form's.
    form->intents().clicked(f::Button1);
    EXPECT_EQ(form->floating().placement().clientHeight, 16);

    // Minimised while connected, it is put on top again.
    form->minimize();
    EXPECT_EQ(form->floating().placement().topmostRequests, 1u);

    monitor.disconnect();
    EXPECT_FALSE(form->floating().exists());
    EXPECT_FALSE(views.floating.window().visible);
    EXPECT_FALSE(form->timers().timer(11).enabled());
}

TEST_F(PacketMeteringWiringTest, ShowOffKeepsTheFloatingWindowClosed) {
    startWith("[Okno]\r\nShow=0\r\n[Modem]\r\nRestart=0\r\n");
    monitor.connect();
    loop.advance(1000);
    EXPECT_FALSE(form->floating().exists());
    EXPECT_FALSE(views.floating.has(f::DRLabel2)); // the metering writes nothing there
}

} // namespace
} // namespace qv::test
