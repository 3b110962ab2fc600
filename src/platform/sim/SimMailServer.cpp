#include "platform/sim/SimMailServer.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <list>

namespace qv::platform {

namespace {

constexpr std::size_t kMaxLine = 512; // RFC 1939 allows 512 octets per command line

void sendAll(int fd, const std::string& text) {
    std::string_view rest = text;
    while (!rest.empty()) {
        const ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

struct SimMailServer::Client {
    int fd = -1;
    int number = 0;
    std::string buffer;
    std::string user;
    bool loggedIn = false;
    bool closing = false;
};

SimMailServer::SimMailServer(const std::string& address, std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    if (fd < 0)
        return;
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1 ||
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
        ::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(fd);
        return;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listener_ = fd;
    thread_ = std::thread([this] { serve(); });
}

SimMailServer::~SimMailServer() {
    if (thread_.joinable()) {
        const char stop = 0;
        while (::write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (int fd : {listener_, wake_[0], wake_[1]})
        if (fd >= 0)
            ::close(fd);
}

void SimMailServer::addMailbox(const std::string& user, const std::string& password,
                               std::function<std::uint32_t()> messages) {
    const std::lock_guard hold(mutex_);
    mailboxes_[user] = {password, std::move(messages)};
}

void SimMailServer::onAccept(std::function<void()> callback) {
    const std::lock_guard hold(mutex_);
    onAccept_ = std::move(callback);
}

std::vector<std::string> SimMailServer::transcript() const {
    const std::lock_guard hold(mutex_);
    return transcript_;
}

void SimMailServer::answer(Client& c, const std::string& line) {
    {
        const std::lock_guard hold(mutex_);
        transcript_.push_back(std::to_string(c.number) + ": " + line);
    }
    if (silent_)
        return;
    const auto space = line.find(' ');
    const std::string command = upper(line.substr(0, space));
    const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
    std::string reply;
    if (command == "CAPA") {
        reply = "+OK Capability list follows\r\nUSER\r\n.\r\n";
    } else if (command == "QUIT") {
        reply = "+OK Bye\r\n";
        c.closing = true;
    } else if (command == "NOOP" && c.loggedIn) {
        reply = "+OK\r\n";
    } else if (command == "USER" && !c.loggedIn) {
        c.user = argument;
        reply = "+OK\r\n";
    } else if (command == "PASS" && !c.loggedIn && !c.user.empty()) {
        const std::lock_guard hold(mutex_);
        const auto box = mailboxes_.find(c.user);
        c.loggedIn = box != mailboxes_.end() && box->second.password == argument;
        reply = c.loggedIn ? "+OK Logged in\r\n" : "-ERR Invalid login\r\n";
        if (!c.loggedIn)
            c.user.clear();
    } else if (command == "STAT" && c.loggedIn) {
        std::function<std::uint32_t()> messages;
        {
            const std::lock_guard hold(mutex_);
            messages = mailboxes_.at(c.user).messages;
        }
        const std::uint32_t n = messages ? messages() : 0;
        reply = "+OK " + std::to_string(n) + " " + std::to_string(std::uint64_t{n} * 1024) + "\r\n";
    } else {
        reply = "-ERR Unknown command or wrong state\r\n";
    }
    sendAll(c.fd, reply);
}

void SimMailServer::serve() {
    std::list<Client> clients;
    for (;;) {
        std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        for (const Client& c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                clients.push_back({fd, ++accepted_, {}, {}, false, false});
                std::function<void()> callback;
                {
                    const std::lock_guard hold(mutex_);
                    callback = onAccept_;
                }
                if (callback)
                    callback();
                if (!silent_)
                    sendAll(fd, "+OK Quorvex mailbox ready\r\n");
            }
        }
        std::size_t i = 2;
        for (auto it = clients.begin(); it != clients.end(); ++i) {
            Client& c = *it;
            if (i < fds.size() && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                char buf[1024];
                const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
                if (n <= 0 && !(n < 0 && errno == EINTR))
                    c.closing = true;
                else if (n > 0)
                    c.buffer.append(buf, static_cast<std::size_t>(n));
                for (std::size_t end; !c.closing && (end = c.buffer.find('\n')) != std::string::npos;) {
                    std::string line = c.buffer.substr(0, end);
                    c.buffer.erase(0, end + 1);
                    if (!line.empty() && line.back() == '\r')
                        line.pop_back();
                    answer(c, line);
                }
                if (c.buffer.size() > kMaxLine)
                    c.closing = true;
            }
            if (c.closing) {
                ::close(c.fd);
                it = clients.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const Client& c : clients)
        ::close(c.fd);
}

} // namespace qv::platform
