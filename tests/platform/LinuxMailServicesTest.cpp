// The mail check's Linux services: POP3 through libcurl against the demo's mailbox server, the WAV reader and the
// ALSA player, the desktop's opener, the worker threads. Real time and real sockets on 127.0.0.1.
#include "LinuxTempDir.h"
#include "RealTimeWait.h"
#include "platform/linux/AlsaSoundPlayer.h"
#include "platform/linux/CurlPop3Client.h"
#include "platform/linux/LinuxDesktopShell.h"
#include "platform/linux/LinuxWorkerThreads.h"
#include "platform/linux/WavFile.h"
#include "platform/sim/SimMailServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace qv::platform {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Pop3Test : ::testing::Test {
    SimMailServer server{"127.0.0.1", 0};
    CurlPop3Client client;

    void SetUp() override {
        ASSERT_TRUE(server.listening());
        server.addMailbox("jan", "tajne", [] { return 7u; });
        server.addMailbox("eva", "", [] { return 0u; });
    }
    Pop3Client::Mailbox box(const std::string& user, const std::string& password) {
        return {"127.0.0.1", server.port(), user, password};
    }
};

TEST_F(Pop3Test, LogsInWithUserAndPassAsksStatAndQuits) {
    EXPECT_EQ(client.messageCount(box("jan", "tajne"), 5000), 7u);
    EXPECT_EQ(client.messageCount(box("eva", ""), 5000), 0u) << "an empty mailbox, an empty password";
    EXPECT_EQ(server.transcript(),
              (std::vector<std::string>{"1: CAPA", "1: USER jan", "1: PASS tajne", "1: STAT", "1: QUIT", "2: CAPA",
                                        "2: USER eva", "2: PASS ", "2: STAT", "2: QUIT"}));
}

TEST_F(Pop3Test, ARefusedLoginAnAddressWhereNothingListensAndBadHostsGiveNothing) {
    EXPECT_EQ(client.messageCount(box("jan", "spatne"), 5000), std::nullopt);
    EXPECT_EQ(client.messageCount(box("petr", "tajne"), 5000), std::nullopt);
    for (const auto& line : server.transcript())
        EXPECT_EQ(line.find("STAT"), std::string::npos) << line;

    std::uint16_t closedPort = 0;
    {
        SimMailServer gone("127.0.0.1", 0);
        closedPort = gone.port();
    }
    const auto start = Clock::now();
    EXPECT_EQ(client.messageCount({"127.0.0.1", closedPort, "jan", "tajne"}, 5000), std::nullopt);
    EXPECT_LT(msSince(start), 1000) << "a refused connection is known at once";
    for (const char* host : {"", "pop server.cz", "a/b"})
        EXPECT_EQ(client.messageCount({host, server.port(), "jan", "tajne"}, 5000), std::nullopt) << host;
}

TEST_F(Pop3Test, AServerThatAcceptsAndNeverAnswersIsGivenUpAfterTheTimeOut) {
    SimMailServer hung("127.0.0.1", 0);
    hung.setSilent(true);
    hung.addMailbox("jan", "tajne", [] { return 1u; });
    const auto start = Clock::now();
    EXPECT_EQ(client.messageCount({"127.0.0.1", hung.port(), "jan", "tajne"}, 400), std::nullopt);
    const auto took = msSince(start);
    RecordProperty("silent_server_given_up_ms", std::to_string(took));
    EXPECT_GE(took, 350);
    EXPECT_LT(took, 2000);
    EXPECT_EQ(hung.connections(), 1);
}

TEST_F(Pop3Test, SeveralThreadsAskAtOnce) {
    std::vector<std::optional<std::uint32_t>> counts(6);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < counts.size(); ++i)
        threads.emplace_back([&, i] { counts[i] = client.messageCount(box("jan", "tajne"), 5000); });
    for (auto& t : threads)
        t.join();
    for (const auto& c : counts)
        EXPECT_EQ(c, 7u);
    EXPECT_EQ(server.connections(), 6);
}

TEST(CurlPop3Client, ReadsTheCountOfAStatReply) {
    EXPECT_EQ(CurlPop3Client::statCount("+OK 2 320\r\n"), 2u);
    EXPECT_EQ(CurlPop3Client::statCount("+OK 0 0"), 0u);
    EXPECT_EQ(CurlPop3Client::statCount("+OK   15 7000\r\n"), 15u);
    EXPECT_EQ(CurlPop3Client::statCount("+OK 4294967295 1\r\n"), 4294967295u);
    for (const char* bad :
         {"-ERR 2 320\r\n", "+OK\r\n", "+OK maildrop\r\n", "+OK2 320", "+OK 4294967296 1", "+OK -1 0"})
        EXPECT_EQ(CurlPop3Client::statCount(bad), std::nullopt) << bad;
}

// WAVE files: a RIFF header, a "fmt " chunk and a "data" chunk, possibly with others between.
std::string wav(int format, int channels, int rate, int bits, const std::string& samples, const std::string& extra = "",
                std::uint32_t dataSize = 0xFFFFFFFF) {
    const auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return s;
    };
    const int frame = channels * bits / 8;
    const std::string fmt =
        le(format, 2) + le(channels, 2) + le(rate, 4) + le(rate * frame, 4) + le(frame, 2) + le(bits, 2);
    const std::uint32_t size = dataSize == 0xFFFFFFFF ? static_cast<std::uint32_t>(samples.size()) : dataSize;
    const std::string body = "WAVE" + std::string("fmt ") + le(16, 4) + fmt + extra + "data" + le(size, 4) + samples;
    return "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

TEST(WavFile, TakesLinearPcmAndItsSamplesAndRefusesTheRest) {
    const std::string samples(400, '\x10');
    auto pcm = parseWav(wav(1, 2, 44100, 16, samples));
    ASSERT_TRUE(pcm);
    EXPECT_EQ(pcm->channels, 2);
    EXPECT_EQ(pcm->sampleRate, 44100);
    EXPECT_EQ(pcm->bitsPerSample, 16);
    EXPECT_EQ(pcm->samples.size(), 400u);

    // An odd-sized chunk before the data is padded to an even size.
    pcm = parseWav(wav(1, 1, 8000, 8, samples, std::string("LIST") + '\x03' + std::string(3, '\0') + "abc" + '\0'));
    ASSERT_TRUE(pcm);
    EXPECT_EQ(pcm->samples.size(), 400u);
    // A data chunk that claims more than the file holds gives the whole frames that are there.
    pcm = parseWav(wav(1, 1, 8000, 24, std::string(301, 'x'), "", 9000));
    ASSERT_TRUE(pcm);
    EXPECT_EQ(pcm->samples.size(), 300u);

    EXPECT_FALSE(parseWav(wav(2, 1, 8000, 16, samples))) << "ADPCM";
    EXPECT_FALSE(parseWav(wav(1, 1, 8000, 12, samples)));
    EXPECT_FALSE(parseWav(wav(1, 0, 8000, 16, samples)));
    EXPECT_FALSE(parseWav(wav(1, 1, 0, 16, samples)));
    EXPECT_FALSE(parseWav("RIFF\x04\0\0\0WAVE"));
    EXPECT_FALSE(parseWav("ID3 not a wave file at all"));
    EXPECT_FALSE(parseWav(""));
}

TEST(WavFile, TheShippedNewMailSoundIsOne) {
    std::ifstream in(QV_SHIPPED_SOUND, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto pcm = parseWav(bytes);
    ASSERT_TRUE(pcm);
    const double seconds =
        static_cast<double>(pcm->samples.size()) / (pcm->sampleRate * pcm->channels * pcm->bitsPerSample / 8);
    EXPECT_GT(seconds, 0.2);
    EXPECT_LT(seconds, 2.0) << "a notice, not a song";
}

using AlsaSoundPlayerTest = LinuxTempDir;

TEST_F(AlsaSoundPlayerTest, WhatCannotBePlayedIsNotPlayedAndASoundEndsPromptlyWithOrWithoutADevice) {
    AlsaSoundPlayer player;
    EXPECT_FALSE(player.playWav((dir / "missing.wav").string()));
    write("noise.wav", "not a wave file");
    EXPECT_FALSE(player.playWav((dir / "noise.wav").string()));
    // Machines under test seldom have a sound card; either way the call returns once the short sound is over.
    const auto start = Clock::now();
    const bool played = player.playWav(QV_SHIPPED_SOUND);
    RecordProperty("sound_device", played ? "played" : "none");
    EXPECT_LT(msSince(start), 5000);
}

using LinuxDesktopShellTest = LinuxTempDir;

TEST_F(LinuxDesktopShellTest, AProgramStartsInTheGivenDirectoryAndAnythingElseGoesToTheOpener) {
    const std::string program = script("bin/posta", "pwd > \"$0.ran\"\n");
    std::filesystem::create_directory(dir / "work");
    const std::string opener = script("opener", "echo \"$@\" > \"$0.ran\"; pwd >> \"$0.ran\"\n");
    LinuxDesktopShell shell(opener);

    ASSERT_TRUE(shell.open(program, (dir / "work").string()));
    ASSERT_TRUE(becomesTrue([&] { return !read("bin/posta.ran").empty(); }));
    EXPECT_EQ(read("bin/posta.ran"), (dir / "work").string() + "\n");

    write("dopis.txt", "text");
    ASSERT_TRUE(shell.open((dir / "dopis.txt").string(), (dir / "work").string()));
    ASSERT_TRUE(becomesTrue([&] { return !read("opener.ran").empty(); }));
    EXPECT_EQ(read("opener.ran"), (dir / "dopis.txt").string() + "\n" + (dir / "work").string() + "\n");

    EXPECT_FALSE(LinuxDesktopShell((dir / "no-opener").string()).open((dir / "dopis.txt").string(), ""));
    EXPECT_FALSE(shell.open("", ""));
}

TEST(LinuxWorkerThreads, WorkRunsBesideTheCallerFailuresStayInsideAndTheEndWaitsForWhatStillRuns) {
    std::atomic<bool> finished{false};
    std::thread::id ranOn;
    {
        LinuxWorkerThreads workers;
        std::atomic<bool> first{false};
        workers.start([&] {
            ranOn = std::this_thread::get_id();
            first = true;
        });
        workers.start([] { throw std::runtime_error("a failing check"); });
        ASSERT_TRUE(becomesTrue([&] { return first.load() && workers.unjoined() == 0; }));
        EXPECT_NE(ranOn, std::this_thread::get_id());

        workers.start([&] {
            workers.sleep(100);
            finished = true;
        });
    }
    EXPECT_TRUE(finished) << "the destructor waited";
}

} // namespace
} // namespace qv::platform
