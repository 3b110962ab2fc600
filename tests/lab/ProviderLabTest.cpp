// The provider lab: the program's logic on the real Linux services — pppd's launcher and transcript, the
// connection source over pid files, /proc and /sys, the raw ICMP socket, posix_spawn of the modem tool — against a
// stand-in pppd whose link really carries packets to a provider namespace. Real time: every wait has a deadline.
#include "Lab.h"
#include "LabProgram.h"
#include "common/Cp1250.h"
#include "metering/TariffBand.h"
#include "platform/DialTexts.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/linux/LinuxConnectionSource.h"
#include "platform/linux/LinuxDialUpAdapter.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxIcmpEcho.h"
#include "platform/linux/LinuxInterfaceTable.h"
#include "platform/linux/LinuxProcessRunner.h"
#include "platform/linux/LinuxSystem.h"
#include "shell/ShellNames.h"
#include "statistics/StatisticsCodec.h"
#include "support/FakeServices.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace qv::lab {
namespace {

namespace w = names::TForm1;

constexpr const char* kEntry = "Lab";
const std::string kRedialText = "Připojení bylo odpojeno mimo tuto aplikaci, připojení bude obnoveno za 1 sec.";
const std::string kPingRestartText =
    "Restart připojení (několikanásobný chybný ping), připojeni bude obnoveno za 1 sec.";

struct Shown {
    std::uint64_t tick;
    std::string text;
};

struct ProviderLabTest : ::testing::Test {
    std::unique_ptr<Lab> lab;
    std::unique_ptr<Program> p;
    std::vector<Shown> label9; ///< every text Label9 showed, with the tick it appeared at

    void SetUp() override {
        if (const auto why = Lab::start(lab); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(lab->error(), "");
    }

    void TearDown() override {
        if (p) {
            // The logic's handlers catch what goes wrong and log it: nothing may have gone wrong.
            EXPECT_EQ(cp1250::toUtf8(p->fs.readAll(p->paths.errorLog()).value_or("")), "");
            EXPECT_EQ(p->dialogs.messages, std::vector<std::string>{});
        }
        p.reset(); // the adapter leaves pppd running, as it does for the program; the lab ends it
        lab.reset();
    }

    /// Starts the program with these settings (the file's own CR LF lines) and the entry "Lab" selected.
    void start(const std::string& settings) {
        p = std::make_unique<Program>(lab->appDir());
        ASSERT_TRUE(p->fs.writeAtomic(p->paths.settingsFile(), settings));
        ASSERT_EQ(p->dialer.CreateEntry({kEntry, "*99#", "/dev/ttyUSB0", "lab", "s3cret \"quoted\""}), 0);
        p->views.main.subscribe([this](const shell::WidgetName& name) {
            if (name == w::Label9)
                label9.push_back({p->loop.tickCount(), p->views.main.get(w::Label9).text});
        });
        p->form.create();
        p->form.activated();
        p->form.timers().timer(10).stop(); // no start-up modem restart in the middle of a dial
        ASSERT_EQ(p->dialer.Entry, kEntry);
    }

    bool until(const std::function<bool()>& done, int ms) { return p->loop.pumpUntil(done, ms); }
    void click(const shell::WidgetName& widget) { p->form.intents().clicked(widget); }
    connection::ControllerState& st() { return p->form.state(); }
    const std::string& shown(const shell::WidgetName& widget) { return p->views.main.get(widget).text; }
    bool connected() { return st().isConnected && shown(w::Label9) == "Spojeno"; }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& s : label9)
            out.push_back(s.text);
        return out;
    }
    std::string history() const {
        std::string out;
        for (const auto& s : label9)
            out += "\n  " + std::to_string(s.tick) + " ms: " + s.text;
        return out;
    }
    /// The first time `text` was shown after `from`, else nothing.
    std::optional<std::uint64_t> shownAt(const std::string& text, std::uint64_t from = 0) const {
        for (const auto& s : label9)
            if (s.tick >= from && s.text == text)
                return s.tick;
        return std::nullopt;
    }
    std::vector<std::string> connectionLog() {
        std::vector<std::string> out;
        const std::string text = cp1250::toUtf8(p->fs.readAll(p->paths.connectionLog()).value_or(""));
        for (std::size_t pos = 0; pos < text.size();) {
            auto end = text.find("\r\n", pos);
            if (end == std::string::npos)
                end = text.size();
            const std::string line = text.substr(pos, end - pos);
            out.push_back(line.substr(line.find(" : ") + 3));
            pos = end + 2;
        }
        return out;
    }
    bool logged(const std::string& text) {
        const auto log = connectionLog();
        return std::find(log.begin(), log.end(), text) != log.end();
    }
    void expectLinkUp() {
        EXPECT_EQ(shown(w::Label6), Lab::kClientIp);
        EXPECT_EQ(shown(w::Label4), Lab::kServerIp);
        EXPECT_EQ(Lab::linkType("ppp0"), 512); // ARPHRD_PPP, as the kernel shows a pppd link
    }
};

/// A download server on the provider host: serves `bytes` bytes to one client, from a thread that has entered the
/// provider's network namespace (a namespace is per thread, so the test itself stays on this side of the link).
class ProviderDownload {
public:
    ProviderDownload(const std::string& netns, std::size_t bytes) : bytes_(bytes) {
        thread_ = std::thread([this, netns] { serve(netns); });
        while (!ready_ && !failed_)
            std::this_thread::yield();
    }
    ~ProviderDownload() {
        if (thread_.joinable())
            thread_.join();
    }
    bool failed() const { return failed_; }
    static constexpr int kPort = 18080;

private:
    void serve(const std::string& netns) {
        const int listener = Lab::listenOnProvider(netns, kPort);
        if (listener < 0) {
            failed_ = true;
            return;
        }
        ready_ = true;
        const int client = ::accept(listener, nullptr, nullptr);
        const std::string chunk(65536, 'q');
        for (std::size_t sent = 0; client >= 0 && sent < bytes_;) {
            const ssize_t n = ::send(client, chunk.data(), std::min(chunk.size(), bytes_ - sent), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        if (client >= 0)
            ::close(client);
        ::close(listener);
    }

    std::size_t bytes_;
    std::thread thread_;
    std::atomic<bool> ready_{false};
    std::atomic<bool> failed_{false};
};

/// Downloads from the provider host; the number of bytes received.
std::size_t download() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(ProviderDownload::kPort);
    ::inet_pton(AF_INET, Lab::kProviderHost, &addr.sin_addr);
    std::size_t got = 0;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        char buf[65536];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
            got += static_cast<std::size_t>(n);
    }
    if (fd >= 0)
        ::close(fd);
    return got;
}

/// Downloads `bytes` from the provider host across the link while the program's loop runs; the bytes received.
std::size_t downloadWhileRunning(ProviderLabTest& t, std::size_t bytes) {
    ProviderDownload server(t.lab->netns(), bytes);
    if (server.failed())
        return 0;
    std::atomic<bool> done{false};
    std::size_t received = 0;
    std::thread client([&] {
        received = download();
        done = true;
    });
    t.until([&] { return done.load(); }, 20000);
    client.join();
    return received;
}

TEST_F(ProviderLabTest, TrafficAcrossTheLinkIsCountedInTheBandOfTheMomentAndStored) {
    start("[Modem]\r\nRestart=0\r\n");
    click(w::SpeedButton1);
    ASSERT_TRUE(until([&] { return connected(); }, 10000)) << history();
    until([] { return false; }, 1500); // the first samples take the baseline

    constexpr std::size_t kBytes = 4'000'000;
    const int bandBefore = metering::TariffBandOf(p->clock.now());
    std::size_t received = 0;
    {
        ProviderDownload server(lab->netns(), kBytes);
        ASSERT_FALSE(server.failed());
        // The download runs on a thread of its own; the program's loop goes on meanwhile.
        std::atomic<bool> done{false};
        std::thread client([&] {
            received = download();
            done = true;
        });
        until([&] { return done.load(); }, 20000);
        client.join();
    }
    ASSERT_EQ(received, kBytes);
    until([] { return false; }, 2500); // two more samples book the last bytes
    const int bandAfter = metering::TariffBandOf(p->clock.now());

    // What the link carried is the payload plus its IP and TCP headers: a few percent more, never less.
    const double down = p->form.meter().counters().connDownBytes;
    RecordProperty("sent_bytes", std::to_string(kBytes));
    RecordProperty("counted_down_bytes", std::to_string(static_cast<long long>(down)));
    EXPECT_GE(down, kBytes);
    EXPECT_LE(down, kBytes * 1.06);
    const statistics::StatisticsRecord* running = p->form.running().currentConnRecord();
    ASSERT_NE(running, nullptr);
    if (bandBefore == bandAfter) {
        const double inBand = bandBefore == 1 ? running->Down1 : running->Down2;
        EXPECT_GE(inBand, kBytes);
        EXPECT_EQ(bandBefore == 1 ? running->Down2 : running->Down1, 0.0);
    }

    click(w::SpeedButton2);
    ASSERT_TRUE(until([&] { return !st().isConnected && !st().disconnectBusy; }, 10000)) << history();
    const auto records = statistics::decodeFile(p->fs.readAll(p->paths.statisticsFile()).value_or(""));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Jmeno, "lab");
    const double storedMB = records[0].Down1 + records[0].Down2;
    EXPECT_GE(storedMB, kBytes / 1e6);
    EXPECT_LE(storedMB, kBytes * 1.06 / 1e6);
}

TEST_F(ProviderLabTest, DialsToConnectedWithTheLinkAddressesAndHangsUp) {
    start("[Pripojeni]\r\nProdleva=1\r\n");
    click(w::SpeedButton1);
    ASSERT_TRUE(until([&] { return connected(); }, 10000)) << history();
    expectLinkUp();
    const std::vector<std::string> progress{"Otevírá se port",
                                            "Port otevřen",
                                            "Probíhá spojování",
                                            "Navázáno spojení",
                                            "Všechna zařízení spojena",
                                            "Začínají se ověřovat uživatelské informace",
                                            "Ověřeno",
                                            "Navrhnuto",
                                            "Spojeno"};
    EXPECT_EQ(texts(), progress) << history();
    auto runs = lab->runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].entry, kEntry);
    EXPECT_EQ(runs[0].secrets, "fd"); // the password reached pppd on a descriptor, never on its command line

    click(w::SpeedButton2);
    // The hang-up returns once pppd has ended and its link is gone.
    EXPECT_EQ(shown(w::Label9), "Odpojeno");
    EXPECT_FALSE(Lab::interfaceExists("ppp0"));
    runs = lab->runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].exitStatus, 5); // pppd's status for a SIGTERM
    ASSERT_TRUE(until([&] { return !p->monitor.Online() && shown(w::Label6).empty(); }, 5000)) << history();
    EXPECT_FALSE(st().isConnected);
    EXPECT_TRUE(p->views.main.get(w::SpeedButton1).enabled);
    EXPECT_FALSE(p->views.main.get(w::SpeedButton2).enabled);
    // Our own hang-up is no drop: nothing redials, even after the reconnect delay.
    p->loop.pumpWait(2000);
    EXPECT_EQ(lab->runs().size(), 1u);
    EXPECT_EQ(shown(w::Label9), "Odpojeno");
    EXPECT_EQ(connectionLog(), (std::vector<std::string>{"Normální připojení", "Normální odpojení"}));
}

TEST_F(ProviderLabTest, ARefusedLoginIsError691AndIsNotRetried) {
    start("[Pripojeni]\r\n721=1\r\n");
    lab->plan(kEntry, {"refuse-login", "ok"});
    p->form.timers().timer(18).setInterval(500); // the retry timer, shortened for the lab: 691 must not start it
    click(w::SpeedButton1);
    const std::string error = "Error: 691 , " + platform::dialErrorText(platform::dialerror::kAuthenticationFailure);
    ASSERT_TRUE(until([&] { return shown(w::Label9) == error; }, 10000)) << history();
    // The modem restart after the error has run, and gives "Připojit" back.
    ASSERT_TRUE(until([&] { return p->views.main.get(w::SpeedButton1).enabled; }, 5000));
    p->loop.pumpWait(2000); // four times the retry time
    const auto runs = lab->runs();
    ASSERT_EQ(runs.size(), 1u) << history();
    EXPECT_EQ(runs[0].exitStatus, 19);
    EXPECT_FALSE(p->form.timers().timer(18).enabled());
    EXPECT_EQ(shown(w::Label9), error);
    EXPECT_FALSE(st().isDialing);
    EXPECT_FALSE(st().isConnected);
    EXPECT_FALSE(Lab::interfaceExists("ppp0"));
    EXPECT_EQ(connectionLog(), (std::vector<std::string>{"Normální připojení", "Chyba při připojování"}));
}

TEST_F(ProviderLabTest, AnLcpTimeOutIsError721AndIsRetried) {
    start("[Pripojeni]\r\n721=1\r\n");
    lab->plan(kEntry, {"lcp-timeout", "ok"});
    constexpr int kRetryMs = 1000; // 60 s in the program
    p->form.timers().timer(18).setInterval(kRetryMs);
    click(w::SpeedButton1);
    const std::string error = "Error: 721 , " + platform::dialErrorText(platform::dialerror::kNoResponse);
    ASSERT_TRUE(until([&] { return shown(w::Label9) == error; }, 10000)) << history();
    const auto failedAt = *shownAt(error);
    ASSERT_TRUE(until([&] { return connected(); }, 10000)) << history();
    expectLinkUp();
    const auto runs = lab->runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].exitStatus, 10);
    EXPECT_FALSE(runs[1].exitStatus.has_value());
    // The second dial waited for the retry timer.
    const auto redialAt = shownAt("Otevírá se port", failedAt);
    ASSERT_TRUE(redialAt.has_value()) << history();
    EXPECT_GE(*redialAt - failedAt, static_cast<std::uint64_t>(kRetryMs - 50)) << history();
    EXPECT_EQ(st().error7xxRetries, 0); // cleared by the connection
    EXPECT_TRUE(logged("Pokus o připojení: Error 7xx"));
}

TEST_F(ProviderLabTest, AnOutsideDropIsRedialledAfterTheDelay) {
    start("[Pripojeni]\r\nProdleva=1\r\nReDial=1\r\n");
    lab->plan(kEntry, {"drop-after 2", "ok"});
    click(w::SpeedButton1);
    ASSERT_TRUE(until([&] { return connected(); }, 10000)) << history();
    expectLinkUp();
    // The modem hangs up by itself: pppd removes the link and ends; the monitor finds the connection gone.
    ASSERT_TRUE(until([&] { return shown(w::Label9) == kRedialText; }, 10000)) << history();
    const auto droppedAt = *shownAt(kRedialText);
    EXPECT_FALSE(Lab::interfaceExists("ppp0"));
    EXPECT_EQ(lab->runs().at(0).exitStatus, 16);
    EXPECT_TRUE(shown(w::Label6).empty());

    ASSERT_TRUE(until([&] { return lab->runs().size() == 2 && connected(); }, 10000)) << history();
    expectLinkUp();
    const auto redialAt = shownAt("Otevírá se port", droppedAt);
    ASSERT_TRUE(redialAt.has_value()) << history();
    EXPECT_GE(*redialAt - droppedAt, 950u) << history(); // [Pripojeni] Prodleva=1
    EXPECT_EQ(connectionLog(),
              (std::vector<std::string>{"Normální připojení", "Připojení bylo odpojeno mimo tuto aplikaci",
                                        "Připojení po odpojení"}));
}

TEST_F(ProviderLabTest, PingsAnsweredKeepTheLinkAndFourLostOnesRestartIt) {
    start("[Pripojeni]\r\nProdleva=1\r\n[AutoRestart]\r\nRestart=1\r\n");
    p->form.timers().timer(17).setInterval(300); // the ping check's pause, 4 s in the program
    click(w::SpeedButton1);
    ASSERT_TRUE(until([&] { return connected(); }, 10000)) << history();
    // The provider's host answers across the link.
    ASSERT_TRUE(until([&] { return p->echo.answers.size() >= 2; }, 10000));
    EXPECT_EQ(p->echo.answers, (std::vector<int>{1, 1}));
    EXPECT_EQ(st().pingFailures, 0);

    ASSERT_TRUE(lab->setProviderAnswersPings(false));
    const std::size_t answered = p->echo.answers.size();
    // Each lost ping takes the 3.5 s time-out; the fifth check restarts the connection.
    ASSERT_TRUE(until([&] { return shown(w::Label9) == kPingRestartText; }, 25000)) << history();
    std::vector<int> lost(p->echo.answers.begin() + static_cast<std::ptrdiff_t>(answered), p->echo.answers.end());
    std::erase(lost, 1); // a ping in flight when the provider went quiet may still have been answered
    EXPECT_EQ(lost, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(lab->runs().at(0).exitStatus, 5); // hung up by us
    EXPECT_FALSE(Lab::interfaceExists("ppp0"));

    ASSERT_TRUE(until([&] { return lab->runs().size() == 2 && connected(); }, 10000)) << history();
    expectLinkUp();
    EXPECT_TRUE(logged("Restart připojení (několikanásobný chybný ping)"));
    EXPECT_TRUE(logged("Připojení po odpojení"));
}

/// Lets ping sockets (SOCK_DGRAM ICMP) be made in this process's own network namespace, where the setting lives.
bool allowPingSockets() {
    std::ofstream out("/proc/sys/net/ipv4/ping_group_range");
    out << "0 2147483647\n";
    out.flush();
    return static_cast<bool>(out);
}

// Peers are written with plain `defaultroute`, which pppd does not apply while another default route exists: the
// ping host may well be reached by a LAN beside the modem. The pings must still test the modem's link.
TEST_F(ProviderLabTest, PingsTestTheDialUpLinkEvenWhereAnotherRouteReachesTheHost) {
    start("[Pripojeni]\r\nProdleva=1\r\n[Modem]\r\nRestart=0\r\n[AutoRestart]\r\nRestart=1\r\n");
    p->form.timers().timer(17).setInterval(300); // the ping check's pause, 4 s in the program
    click(w::SpeedButton1);
    ASSERT_TRUE(until([&] { return connected(); }, 10000)) << history();
    ASSERT_EQ(lab->addRouteBesideTheLink(), "");
    ASSERT_TRUE(until([&] { return p->echo.answers.size() >= 2; }, 10000));
    EXPECT_EQ(p->echo.answers, (std::vector<int>{1, 1}));

    using platform::LinuxIcmpEcho;
    const auto echoes = [](const std::string& interfaceName, LinuxIcmpEcho::Options options) {
        return LinuxIcmpEcho::echoOnce({Lab::kProviderHost, 56, 64, 1000, interfaceName}, options, -1).first;
    };
    const LinuxIcmpEcho::Options raw{true, false}, datagram{false, true};
    ASSERT_TRUE(allowPingSockets());
    EXPECT_EQ(echoes("ppp0", datagram), 1) << "a ping socket bound to the link";

    ASSERT_TRUE(lab->linkGoesDead());
    // The host still answers by the other route; held to the link, no kind of socket gets an answer.
    EXPECT_EQ(echoes("", raw), 1);
    EXPECT_EQ(echoes("ppp0", raw), 0);
    EXPECT_EQ(echoes("ppp0", datagram), 0);
    const std::size_t before = p->echo.answers.size();
    ASSERT_TRUE(until([&] { return shown(w::Label9) == kPingRestartText; }, 25000)) << history();
    std::vector<int> lost(p->echo.answers.begin() + static_cast<std::ptrdiff_t>(before), p->echo.answers.end());
    EXPECT_EQ(lost, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(lab->runs().at(0).exitStatus, 5); // hung up by us
    EXPECT_TRUE(logged("Restart připojení (několikanásobný chybný ping)"));
}

class PersistingPppdTest : public ProviderLabTest, public testing::WithParamInterface<int> {};

// An entry with `persist` (Debian's example has it, and the editor keeps it): pppd outlives its link, stays listed
// while ppp0 is gone, and brings up a new ppp0 whose counters start at 0. No sample may span the two links. With
// a holdoff longer than the monitor's poll the gap is seen as a disconnection; with none it may go unseen, and
// the new interface's index tells the metering instead.
TEST_P(PersistingPppdTest, ANewLinkInsidePppdIsANewConnectionWithoutPhantomTraffic) {
    const int holdoff = GetParam();
    start("[Modem]\r\nRestart=0\r\n"); // [Pripojeni] Prodleva 20: pppd's own redial comes first
    std::ofstream(lab->peersDir() + "/" + kEntry, std::ios::app) << "persist\nholdoff " << holdoff << "\n";
    click(w::SpeedButton1);
    ASSERT_TRUE(until([&] { return connected(); }, 10000)) << history();
    until([] { return false; }, 1500); // the first samples take the baseline
    constexpr std::size_t kFirst = 2'000'000, kSecond = 1'000'000;
    ASSERT_EQ(downloadWhileRunning(*this, kFirst), kFirst);
    until([] { return false; }, 2500); // two more samples book the last bytes

    ASSERT_TRUE(lab->modemHangsUp());
    if (holdoff * 1000 > p->monitor.pollInterval()) {
        ASSERT_TRUE(until([&] { return !st().isConnected; }, 5000)) << history();
        EXPECT_FALSE(Lab::interfaceExists("ppp0"));
        EXPECT_FALSE(lab->runs().at(0).exitStatus.has_value()); // pppd is still there, and listed
        EXPECT_FALSE(p->monitor.Online());
        EXPECT_FALSE(p->form.timers().timer(4).enabled()); // no metering without a link
        EXPECT_TRUE(shown(w::Label6).empty());
    }
    ASSERT_TRUE(
        until([&] { return lab->runs().at(0).redials == 1 && st().isConnected && Lab::interfaceExists("ppp0"); },
              holdoff * 1000 + 10000))
        << history();
    until([] { return false; }, 3000); // the monitor's poll, then samples of the new link
    ASSERT_TRUE(st().isConnected);
    ASSERT_EQ(downloadWhileRunning(*this, kSecond), kSecond);
    until([] { return false; }, 2500);

    // Every byte booked, over both links: the stored piece of the first (MB) and the running record (bytes).
    double booked = 0;
    for (const auto& r : statistics::decodeFile(p->fs.readAll(p->paths.statisticsFile()).value_or("")))
        booked += (r.Down1 + r.Down2) * 1e6;
    const statistics::StatisticsRecord* running = p->form.running().currentConnRecord();
    ASSERT_NE(running, nullptr);
    booked += running->Down1 + running->Down2;
    RecordProperty("booked_down_bytes", std::to_string(static_cast<long long>(booked)));
    EXPECT_GE(booked, kFirst + kSecond);
    EXPECT_LE(booked, (kFirst + kSecond) * 1.06);
    EXPECT_EQ(lab->runs().size(), 1u); // the new link is the same pppd's
    EXPECT_EQ(connectionLog().front(), "Normální připojení");
    EXPECT_FALSE(logged("Připojení po odpojení")) << "pppd's own redial is the one that brings the link back";
}

INSTANTIATE_TEST_SUITE_P(Holdoff, PersistingPppdTest, testing::Values(3, 0),
                         [](const auto& p) { return "Holdoff" + std::to_string(p.param); });

} // namespace
} // namespace qv::lab
