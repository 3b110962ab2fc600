#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::platform {

/// A small POP3 server (RFC 1939's USER, PASS, STAT, NOOP, QUIT, and CAPA naming USER as the only login): the demo
/// line's mailbox service, which the real POP3 client asks, and the provider lab's mail server. Mailboxes hold a
/// count of messages and nothing else. One thread serves every connection; a silent server accepts connections
/// and never answers, as a hung server does. POSIX sockets.
class SimMailServer final {
public:
    /// Listens on `address`:`port` (0: a free port) in the calling thread's network namespace; listening() tells
    /// whether it could.
    SimMailServer(const std::string& address, std::uint16_t port);
    ~SimMailServer();
    SimMailServer(const SimMailServer&) = delete;
    SimMailServer& operator=(const SimMailServer&) = delete;

    bool listening() const { return listener_ >= 0; }
    std::uint16_t port() const { return port_; }

    /// A mailbox `user` may log in to with `password`; `messages` is asked at every STAT, on the server's thread.
    void addMailbox(const std::string& user, const std::string& password, std::function<std::uint32_t()> messages);
    /// Accept connections but never answer.
    void setSilent(bool silent) { silent_ = silent; }
    /// Called on the server's thread for each connection accepted, before anything is answered.
    void onAccept(std::function<void()> callback);

    /// Every line received so far, "N: LINE" with N the connection's number from 1.
    std::vector<std::string> transcript() const;
    int connections() const { return accepted_; }

private:
    struct Mailbox {
        std::string password;
        std::function<std::uint32_t()> messages;
    };
    struct Client;

    void serve();
    void answer(Client& client, const std::string& line);

    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<bool> silent_{false};
    std::atomic<int> accepted_{0};
    mutable std::mutex mutex_;
    std::map<std::string, Mailbox> mailboxes_;
    std::function<void()> onAccept_;
    std::vector<std::string> transcript_;
    std::thread thread_;
};

} // namespace qv::platform
