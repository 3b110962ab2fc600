#pragma once

#include "mail/MailAccount.h"
#include "mail/MailCipher.h"
#include "mail/MailFileLock.h"
#include "platform/FileSystem.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::mail {

/// The accounts file could not be read or replaced. The settings dialog reports it with its operation's tag; a
/// check thread ends silently.
class MailFileError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The per-user accounts file "Data/<user>_Email.dat": records of 324 bytes (see MailAccountCodec), enciphered as
/// a whole (see MailCipher). The file is deciphered and enciphered in memory only; on disk it is only ever replaced
/// as a whole by its enciphered form through the file system's atomic write, so neither a crash nor a full disk
/// leaves an account in clear or a half-written file. The file is written readable by its owner only. Every operation
/// holds `mailFileBusy` for its whole duration and releases it also when it fails.
///
/// Each user (the settings dialog, each check thread) has its own object with its own way of waiting for the
/// lock; all share the one MailFileLock. The file system must accept calls from the thread that uses the object.
class MailAccountsFile final {
public:
    MailAccountsFile(platform::FileSystem& fs, MailFileLock& lock, MailFileWait wait, std::string path);

    const std::string& path() const { return path_; }
    bool exists() const;

    /// The accounts in file order; none when the file is missing. Never writes. Throws MailFileError when the file
    /// exists but cannot be read.
    std::vector<MailAccount> load() const;

    /// Replaces the file (creating it when missing) by the enciphered records of the first 255 accounts. Throws
    /// MailFileError when it cannot be replaced; the file is then as it was.
    void save(const std::vector<MailAccount>& accounts);

    /// A change of the accounts under one hold of the lock (the settings dialog's add, change and remove): `edit`
    /// gets the accounts (none when the file is missing) and returns whether to write them back. Throws
    /// MailFileError as load and save do, and passes on what `edit` throws; the file is then as it was.
    void update(const std::function<bool(std::vector<MailAccount>&)>& edit);

private:
    std::vector<MailAccount> read() const;
    void write(const std::vector<MailAccount>& accounts);

    platform::FileSystem& fs_;
    MailFileLock& lock_;
    MailFileWait wait_;
    std::string path_;
    MailCipher cipher_;
};

} // namespace qv::mail
