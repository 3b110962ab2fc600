#pragma once

#include "Lab.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::lab {

/// An anonymous FTP server for the lab: one file at one path, passive mode only (EPSV and PASV), one session at a
/// time on a thread of its own. Enough of the protocol for libcurl's download.
class LabFtpServer {
public:
    /// Listens on `host`:21 inside the network namespace `netns` (/run/netns/NAME).
    static std::unique_ptr<LabFtpServer> inNamespace(const std::string& netns, const std::string& host,
                                                     std::string path, std::string content) {
        std::unique_ptr<LabFtpServer> server;
        std::thread([&] {
            if (Lab::enterNetns(netns))
                server.reset(new LabFtpServer(host, std::move(path), std::move(content)));
        }).join();
        return server;
    }
    ~LabFtpServer() {
        stopping_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        ::close(fd_);
    }
    bool listening() const { return listening_; }
    /// The commands received, as sent.
    std::vector<std::string> commands() const {
        const std::lock_guard hold(mutex_);
        return commands_;
    }

private:
    LabFtpServer(const std::string& host, std::string path, std::string content)
        : host_(host), path_(std::move(path)), content_(std::move(content)) {
        fd_ = listenOn(host, 21);
        listening_ = fd_ >= 0;
        if (listening_)
            thread_ = std::thread([this] { serve(); });
    }
    static int listenOn(const std::string& host, int port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, host.c_str(), &a.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 2) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    static int portOf(int fd) {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        return ntohs(a.sin_port);
    }
    static bool sendAll(int fd, const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const auto n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    void serve() {
        while (!stopping_) {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0)
                return;
            session(c);
            ::close(c);
        }
    }
    void session(int c) {
        sendAll(c, "220 lab FTP\r\n");
        std::string buffer, cwd = "/";
        int passive = -1;
        const std::string dir = path_.substr(0, path_.rfind('/'));
        const std::string file = path_.substr(path_.rfind('/') + 1);
        char chunk[512];
        for (;;) {
            const auto eol = buffer.find("\r\n");
            if (eol == std::string::npos) {
                const auto n = ::read(c, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                buffer.append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            const std::string line = buffer.substr(0, eol);
            buffer.erase(0, eol + 2);
            {
                const std::lock_guard hold(mutex_);
                commands_.push_back(line);
            }
            const std::string verb = line.substr(0, line.find(' '));
            const std::string arg = line.find(' ') == std::string::npos ? "" : line.substr(line.find(' ') + 1);
            if (verb == "USER") {
                sendAll(c, arg == "anonymous" ? "331 Password please\r\n" : "530 Anonymous only\r\n");
            } else if (verb == "PASS") {
                sendAll(c, "230 Logged in\r\n");
            } else if (verb == "PWD") {
                sendAll(c, "257 \"" + cwd + "\"\r\n");
            } else if (verb == "CWD") {
                std::string next = arg.starts_with('/') ? arg : (cwd == "/" ? "" : cwd) + "/" + arg;
                if (next.size() > 1 && next.back() == '/')
                    next.pop_back();
                const bool onTheWay = next == "/" || dir == next || dir.starts_with(next + "/");
                if (onTheWay)
                    cwd = next;
                sendAll(c, onTheWay ? "250 OK\r\n" : "550 No such directory\r\n");
            } else if (verb == "TYPE") {
                sendAll(c, "200 Type set\r\n");
            } else if (verb == "EPSV" || verb == "PASV") {
                if (passive >= 0)
                    ::close(passive);
                passive = listenOn(host_, 0);
                const int port = portOf(passive);
                if (verb == "EPSV") {
                    sendAll(c, "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)\r\n");
                } else {
                    std::string h = host_;
                    for (char& ch : h)
                        if (ch == '.')
                            ch = ',';
                    sendAll(c, "227 Entering Passive Mode (" + h + "," + std::to_string(port / 256) + "," +
                                   std::to_string(port % 256) + ")\r\n");
                }
            } else if (verb == "SIZE") {
                sendAll(c, cwd == dir && arg == file ? "213 " + std::to_string(content_.size()) + "\r\n"
                                                     : "550 No such file\r\n");
            } else if (verb == "RETR") {
                if (cwd != dir || arg != file || passive < 0) {
                    sendAll(c, "550 No such file\r\n");
                    continue;
                }
                sendAll(c, "150 Opening BINARY mode data connection\r\n");
                const int data = ::accept(passive, nullptr, nullptr);
                ::close(passive);
                passive = -1;
                const bool sent = data >= 0 && sendAll(data, content_);
                if (data >= 0)
                    ::close(data);
                sendAll(c, sent ? "226 Transfer complete\r\n" : "426 Transfer aborted\r\n");
            } else if (verb == "QUIT") {
                sendAll(c, "221 Bye\r\n");
                break;
            } else {
                sendAll(c, "502 Not implemented\r\n");
            }
        }
        if (passive >= 0)
            ::close(passive);
    }

    std::string host_, path_, content_;
    int fd_ = -1;
    bool listening_ = false;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
};

} // namespace qv::lab
