#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::test {

/// A plain HTTP/1.0 server for tests: each GET of a path it holds gets that file, anything else 404. Requests are
/// answered one after another on a thread of its own; the socket is made in the constructing thread's network
/// namespace.
class HttpServer {
public:
    /// Listens on `host`:`port`; port 0 takes a free one (see port()).
    HttpServer(const std::string& host, int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, host.c_str(), &a.sin_addr);
        listening_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 4) == 0;
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        if (listening_)
            thread_ = std::thread([this] { serve(); });
    }
    ~HttpServer() {
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        ::close(fd_);
    }
    bool listening() const { return listening_; }
    int port() const { return port_; }
    void put(const std::string& path, std::string body) {
        const std::lock_guard hold(mutex_);
        files_[path] = std::move(body);
    }
    std::vector<std::string> requests() const {
        const std::lock_guard hold(mutex_);
        return requests_;
    }

private:
    void serve() {
        for (;;) {
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
            const std::string line = request.substr(0, request.find("\r\n"));
            const auto sp1 = line.find(' ');
            const std::string path = line.substr(sp1 + 1, line.find(' ', sp1 + 1) - sp1 - 1);
            std::string response;
            {
                const std::lock_guard hold(mutex_);
                requests_.push_back(line);
                const auto it = files_.find(path);
                response = it == files_.end()
                               ? std::string("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                               : "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(it->second.size()) +
                                     "\r\n\r\n" + it->second;
            }
            [[maybe_unused]] const auto written = ::write(c, response.data(), response.size());
            ::close(c);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    bool listening_ = false;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> files_;
    std::vector<std::string> requests_;
};

} // namespace qv::test
