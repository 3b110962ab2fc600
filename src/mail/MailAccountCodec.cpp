#include "mail/MailAccountCodec.h"

#include "common/Cp1250.h"

#include <algorithm>

namespace qv::mail {

namespace {

struct TextField {
    std::size_t at;
    std::size_t capacity;
};

// Each field is one length byte followed by its capacity in characters.
constexpr TextField kServer{0, kMaxTextChars};
constexpr TextField kUser{101, kMaxTextChars};
constexpr TextField kPassword{202, kMaxTextChars};
constexpr TextField kPort{303, kMaxPortChars};
static_assert(kUser.at == kServer.at + 1 + kServer.capacity && kPassword.at == kUser.at + 1 + kUser.capacity);
static_assert(kPort.at == kPassword.at + 1 + kPassword.capacity && kPort.at + 1 + kPort.capacity == kAccountRecordSize);

void putText(char* record, TextField field, const std::string& utf8) {
    std::string bytes = cp1250::fromUtf8(utf8);
    const std::size_t length = std::min(bytes.size(), field.capacity);
    record[field.at] = static_cast<char>(length);
    std::copy_n(bytes.data(), length, record + field.at + 1);
}

std::string getText(const char* record, TextField field) {
    const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(record[field.at]), field.capacity);
    return cp1250::toUtf8(std::string_view(record + field.at + 1, length));
}

} // namespace

void encodeAccount(const MailAccount& account, char* out) {
    std::fill(out, out + kAccountRecordSize, '\0');
    putText(out, kServer, account.server);
    putText(out, kUser, account.user);
    putText(out, kPassword, account.password);
    putText(out, kPort, account.port);
}

std::string encodeAccount(const MailAccount& account) {
    std::string out(kAccountRecordSize, '\0');
    encodeAccount(account, out.data());
    return out;
}

MailAccount decodeAccount(const char* in) {
    return {getText(in, kServer), getText(in, kUser), getText(in, kPassword), getText(in, kPort)};
}

std::vector<MailAccount> decodeAccounts(std::string_view bytes) {
    const std::size_t count = std::min(bytes.size() / kAccountRecordSize, kMaxAccounts);
    std::vector<MailAccount> accounts;
    accounts.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        accounts.push_back(decodeAccount(bytes.data() + i * kAccountRecordSize));
    return accounts;
}

std::string encodeAccounts(const std::vector<MailAccount>& accounts) {
    const std::size_t count = std::min(accounts.size(), kMaxAccounts);
    std::string out(count * kAccountRecordSize, '\0');
    for (std::size_t i = 0; i < count; ++i)
        encodeAccount(accounts[i], out.data() + i * kAccountRecordSize);
    return out;
}

} // namespace qv::mail
