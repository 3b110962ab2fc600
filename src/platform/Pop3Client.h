#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv::platform {

/// Asks a POP3 mailbox how many messages it holds.
class Pop3Client {
public:
    struct Mailbox {
        std::string host;
        std::uint16_t port = 110;
        std::string user;     ///< bytes as sent after "USER "
        std::string password; ///< bytes as sent after "PASS "
    };

    virtual ~Pop3Client() = default;

    /// Connects, logs in, asks STAT and says QUIT: the mailbox's message count, or nothing on any failure (no route,
    /// refused connection, refused login, a reply that is not understood, or `timeoutMs` passed before the count was
    /// known). Blocks the calling thread; callable from several threads at once.
    virtual std::optional<std::uint32_t> messageCount(const Mailbox& mailbox, int timeoutMs) = 0;
};

} // namespace qv::platform
