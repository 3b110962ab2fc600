#include "mail/MailCipher.h"

#include <algorithm>

namespace qv::mail {

std::string mailKeyOf(std::string_view passPhrase) {
    std::string key(passPhrase.substr(0, kMailKeyBytes));
    key.resize(kMailKeyBytes, '\0');
    return key;
}

MailCipher::MailCipher(std::string_view passPhrase) : mars_(mailKeyOf(passPhrase)) {}

void MailCipher::maskTail(std::string& bytes, std::size_t tailAt, const char* lastEncipheredBlock) const {
    char mask[Mars1998::kBlockBytes] = {};
    if (lastEncipheredBlock != nullptr)
        std::copy_n(lastEncipheredBlock, Mars1998::kBlockBytes, mask);
    mars_.encryptBlock(mask, mask);
    for (std::size_t i = tailAt; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ mask[i - tailAt]);
}

std::string MailCipher::encipher(std::string_view clear) const {
    std::string out(clear);
    const std::size_t whole = out.size() / Mars1998::kBlockBytes * Mars1998::kBlockBytes;
    for (std::size_t at = 0; at < whole; at += Mars1998::kBlockBytes)
        mars_.encryptBlock(out.data() + at, out.data() + at);
    if (whole < out.size())
        maskTail(out, whole, whole == 0 ? nullptr : out.data() + whole - Mars1998::kBlockBytes);
    return out;
}

std::string MailCipher::decipher(std::string_view enciphered) const {
    std::string out(enciphered);
    const std::size_t whole = out.size() / Mars1998::kBlockBytes * Mars1998::kBlockBytes;
    // The tail's mask comes from the last block as enciphered, so it is taken before that block is deciphered.
    if (whole < out.size())
        maskTail(out, whole, whole == 0 ? nullptr : enciphered.data() + whole - Mars1998::kBlockBytes);
    for (std::size_t at = 0; at < whole; at += Mars1998::kBlockBytes)
        mars_.decryptBlock(out.data() + at, out.data() + at);
    return out;
}

} // namespace qv::mail
