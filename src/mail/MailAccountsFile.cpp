#include "mail/MailAccountsFile.h"

#include "mail/MailAccountCodec.h"

namespace qv::mail {

MailAccountsFile::MailAccountsFile(platform::FileSystem& fs, MailFileLock& lock, MailFileWait wait, std::string path)
    : fs_(fs), lock_(lock), wait_(std::move(wait)), path_(std::move(path)) {}

bool MailAccountsFile::exists() const {
    return fs_.exists(path_);
}

std::vector<MailAccount> MailAccountsFile::read() const {
    const auto bytes = fs_.readAll(path_);
    if (!bytes) {
        if (fs_.exists(path_))
            throw MailFileError("cannot read " + path_);
        return {};
    }
    return decodeAccounts(cipher_.decipher(*bytes));
}

void MailAccountsFile::write(const std::vector<MailAccount>& accounts) {
    // Private: the pass phrase is in every copy of the program, so the encipherment alone keeps nobody out.
    if (!fs_.writeAtomicPrivate(path_, cipher_.encipher(encodeAccounts(accounts))))
        throw MailFileError("cannot replace " + path_);
}

std::vector<MailAccount> MailAccountsFile::load() const {
    const MailFileGuard hold(lock_, wait_);
    return read();
}

void MailAccountsFile::save(const std::vector<MailAccount>& accounts) {
    const MailFileGuard hold(lock_, wait_);
    write(accounts);
}

void MailAccountsFile::update(const std::function<bool(std::vector<MailAccount>&)>& edit) {
    const MailFileGuard hold(lock_, wait_);
    std::vector<MailAccount> accounts = read();
    if (edit(accounts))
        write(accounts);
}

} // namespace qv::mail
