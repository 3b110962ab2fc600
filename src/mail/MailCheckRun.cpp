#include "mail/MailCheckRun.h"

#include "common/Cp1250.h"
#include "mail/MailAccountsFile.h"

#include <charconv>

namespace qv::mail {

std::optional<std::int64_t> portNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1); // from_chars takes a minus sign only
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::uint16_t> RunMailCheck(const MailCheckRunServices& s) {
    std::vector<MailAccount> accounts;
    try {
        const MailAccountsFile file(s.fs, s.lock, s.wait, s.accountsPath);
        if (!file.exists())
            return std::nullopt;
        accounts = file.load();
    } catch (const MailFileError&) {
        return std::nullopt;
    }

    std::uint16_t total = 0;
    for (const MailAccount& account : accounts) {
        if (!s.online())
            continue;
        const auto port = portNumber(account.port);
        if (!port)
            return std::nullopt;
        if (*port < 1 || *port > 65535)
            continue; // no server listens there: a failing account
        // On the wire the texts are in the code page the accounts file keeps them in.
        const platform::Pop3Client::Mailbox mailbox{account.server, static_cast<std::uint16_t>(*port),
                                                    cp1250::fromUtf8(account.user), cp1250::fromUtf8(account.password)};
        if (const auto count = s.pop3.messageCount(mailbox, kPop3TimeoutMs))
            total = static_cast<std::uint16_t>(total + *count);
    }
    return total;
}

} // namespace qv::mail
