#pragma once

#include <string>

namespace qv::mail {

/// One POP3 mailbox of the accounts file. Texts are UTF-8; the port is kept as the text the user typed.
struct MailAccount {
    std::string server;
    std::string user;
    std::string password;
    std::string port;

    bool operator==(const MailAccount&) const = default;
};

} // namespace qv::mail
