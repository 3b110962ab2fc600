#pragma once

#include "platform/Pop3Client.h"

#include <string_view>

namespace qv::platform {

/// POP3 through libcurl: one easy handle per question, a pop3:// URL built part by part (so no host, user or
/// password text can change its meaning), the user and password as the login, "STAT" as the command with no body,
/// and the connection closed (QUIT) at the end of the transfer. The time-out covers connecting, the login, STAT
/// and the wait for QUIT's answer. libcurl logs in the best way the server offers: SASL when CAPA lists a
/// mechanism, APOP when the greeting carries a time stamp, else USER and PASS.
class CurlPop3Client final : public Pop3Client {
public:
    /// Initialises libcurl for the process: construct it on the main thread before any worker uses it.
    CurlPop3Client();
    ~CurlPop3Client() override;
    CurlPop3Client(const CurlPop3Client&) = delete;
    CurlPop3Client& operator=(const CurlPop3Client&) = delete;

    std::optional<std::uint32_t> messageCount(const Mailbox& mailbox, int timeoutMs) override;

    /// The message count of a reply to STAT ("+OK 2 320"), or nothing.
    static std::optional<std::uint32_t> statCount(std::string_view reply);
};

} // namespace qv::platform
