#include "platform/linux/CurlUrlDownloader.h"

#include "LinuxTempDir.h"
#include "support/HttpServer.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qv::platform {
namespace {

using CurlUrlDownloaderTest = LinuxTempDir;

std::string url(const test::HttpServer& server, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(server.port()) + path;
}

TEST_F(CurlUrlDownloaderTest, AnHttpFileArrivesWhole) {
    const std::string body = "1,33\r\n";
    test::HttpServer server("127.0.0.1", 0);
    server.put("/update/Verze.txt", body);
    CurlUrlDownloader d;
    EXPECT_TRUE(d.download({.url = url(server, "/update/Verze.txt"), .path = dir / "verze.tmp", .timeoutMs = 5000}));
    EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /update/Verze.txt HTTP/1.1"});
    EXPECT_EQ(read("verze.tmp"), body);
}

// A server's error page is not the file: no download, and nothing left behind.
TEST_F(CurlUrlDownloaderTest, AnHttpErrorStatusFailsAndLeavesNoFile) {
    test::HttpServer server("127.0.0.1", 0); // holds no file: 404
    CurlUrlDownloader d;
    EXPECT_FALSE(d.download({.url = url(server, "/update/Verze.txt"), .path = dir / "verze.tmp", .timeoutMs = 5000}));
    EXPECT_FALSE(std::filesystem::exists(dir / "verze.tmp"));
}

TEST_F(CurlUrlDownloaderTest, ProgressIsReportedAndFalseAbortsAtOnce) {
    write("src/test.bin", std::string(300'000, 'x'));
    CurlUrlDownloader d;
    std::uint64_t last = 0;
    EXPECT_TRUE(d.download({.url = "file://" + (dir / "src/test.bin").string(),
                            .path = dir / "copy.bin",
                            .progress = [&](std::uint64_t received, std::uint64_t) {
                                last = received;
                                return true;
                            }}));
    EXPECT_EQ(last, 300'000u);
    EXPECT_EQ(std::filesystem::file_size(dir / "copy.bin"), 300'000u);

    int calls = 0;
    EXPECT_FALSE(d.download({.url = "file://" + (dir / "src/test.bin").string(),
                             .path = dir / "aborted.bin",
                             .progress = [&](std::uint64_t, std::uint64_t) { return ++calls < 1; }}));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "aborted.bin"));
}

TEST_F(CurlUrlDownloaderTest, AnUnwritableTargetOrAMissingSourceFails) {
    write("src/v.txt", "1,32");
    CurlUrlDownloader d;
    EXPECT_FALSE(d.download({.url = "file://" + (dir / "src/v.txt").string(), .path = dir / "no/such/dir/v.tmp"}));
    EXPECT_FALSE(d.download({.url = "file://" + (dir / "src/none.txt").string(), .path = dir / "v.tmp"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "v.tmp"));
}

} // namespace
} // namespace qv::platform
