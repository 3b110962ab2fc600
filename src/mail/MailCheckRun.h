#pragma once

#include "mail/MailFileLock.h"
#include "platform/FileSystem.h"
#include "platform/Pop3Client.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qv::mail {

/// How long one mailbox may take, from connecting to the count.
inline constexpr int kPop3TimeoutMs = 5000;

/// What one run of the check thread uses; everything is called on the thread that runs the check.
struct MailCheckRunServices {
    platform::FileSystem& fs;
    MailFileLock& lock;
    MailFileWait wait; ///< the thread's pause while the settings dialog or another check holds the accounts file
    std::string accountsPath;
    platform::Pop3Client& pop3;
    std::function<bool()> online; ///< a connection is up at this moment
};

/// The port of an account as the check reads its text: the whole text an optionally signed decimal integer, else
/// nothing (which ends the run).
std::optional<std::int64_t> portNumber(std::string_view text);

/// One run of the check thread `TEmailThread`. It reads the accounts once, holding `mailFileBusy` only while it
/// reads, then asks the accounts' mailboxes one after another in file order, each only while a connection is up
/// at that moment. A failing account (no answer within kPop3TimeoutMs, a refused login, a port number outside
/// 1…65535) counts nothing and is passed over without a word.
///
/// The total of all mailboxes, 16-bit and wrapping as the count it stands for; nothing when the run ends silently
/// without a total: the accounts file is missing or cannot be read, or an account's port text is not a number
/// (the accounts after it are not asked either).
std::optional<std::uint16_t> RunMailCheck(const MailCheckRunServices& services);

} // namespace qv::mail
