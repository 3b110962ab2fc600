#include "platform/linux/CurlUrlDownloader.h"

#include "LinuxTempDir.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

namespace qv::platform {
namespace {

/// An HTTP server on 127.0.0.1 that answers one request with a canned response, then closes.
class OneShotHttpServer {
public:
    explicit OneShotHttpServer(std::string response) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 1);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, response = std::move(response)] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0)
                return;
            std::string request;
            char buf[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const auto n = ::read(c, buf, sizeof buf);
                if (n <= 0)
                    break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            firstLine = request.substr(0, request.find("\r\n"));
            [[maybe_unused]] const auto written = ::write(c, response.data(), response.size());
            ::close(c);
        });
    }
    ~OneShotHttpServer() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    std::string firstLine;

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

using CurlUrlDownloaderTest = LinuxTempDir;

TEST_F(CurlUrlDownloaderTest, AnHttpFileArrivesWhole) {
    const std::string body = "1,33\r\n";
    OneShotHttpServer server("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    CurlUrlDownloader d;
    EXPECT_TRUE(d.download({.url = server.url("/update/Verze.txt"), .path = dir / "verze.tmp", .timeoutMs = 5000}));
    EXPECT_EQ(server.firstLine, "GET /update/Verze.txt HTTP/1.1");
    EXPECT_EQ(read("verze.tmp"), body);
}

// A server's error page is not the file: no download, and nothing left behind.
TEST_F(CurlUrlDownloaderTest, AnHttpErrorStatusFailsAndLeavesNoFile) {
    OneShotHttpServer server("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nNot found");
    CurlUrlDownloader d;
    EXPECT_FALSE(d.download({.url = server.url("/update/Verze.txt"), .path = dir / "verze.tmp", .timeoutMs = 5000}));
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
