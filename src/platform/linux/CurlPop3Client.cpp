#include "platform/linux/CurlPop3Client.h"

#include <curl/curl.h>

#include <charconv>
#include <memory>
#include <string>

namespace qv::platform {

namespace {

/// The reply to STAT, picked out of the dialogue: libcurl shows every line it sends and receives to the debug
/// callback, and the line received after "STAT" was sent is its reply.
struct Dialogue {
    bool statSent = false;
    std::optional<std::string> statReply;
};

int onDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    auto& d = *static_cast<Dialogue*>(user);
    const std::string_view line(data, size);
    if (type == CURLINFO_HEADER_OUT)
        d.statSent = line.substr(0, 4) == "STAT";
    else if (type == CURLINFO_HEADER_IN && d.statSent && !d.statReply)
        d.statReply = std::string(line);
    return 0;
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

} // namespace

CurlPop3Client::CurlPop3Client() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlPop3Client::~CurlPop3Client() {
    curl_global_cleanup();
}

std::optional<std::uint32_t> CurlPop3Client::statCount(std::string_view reply) {
    if (reply.substr(0, 3) != "+OK")
        return std::nullopt;
    reply.remove_prefix(3);
    const auto digits = reply.find_first_not_of(' ');
    if (digits == std::string_view::npos || digits == 0)
        return std::nullopt;
    reply.remove_prefix(digits);
    std::uint32_t count = 0;
    const auto [end, ec] = std::from_chars(reply.data(), reply.data() + reply.size(), count);
    if (ec != std::errc() || (end != reply.data() + reply.size() && *end != ' ' && *end != '\r' && *end != '\n'))
        return std::nullopt;
    return count;
}

std::optional<std::uint32_t> CurlPop3Client::messageCount(const Mailbox& mailbox, int timeoutMs) {
    const std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    const std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!url || !easy || mailbox.host.empty())
        return std::nullopt;
    // An IPv6 address goes into a URL in brackets.
    const std::string host = mailbox.host.find(':') != std::string::npos && mailbox.host.front() != '['
                                 ? "[" + mailbox.host + "]"
                                 : mailbox.host;
    const std::string port = std::to_string(mailbox.port);
    if (curl_url_set(url.get(), CURLUPART_SCHEME, "pop3", 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PORT, port.c_str(), 0) != CURLUE_OK)
        return std::nullopt;

    Dialogue dialogue;
    CURL* h = easy.get();
    const long timeout = timeoutMs > 0 ? timeoutMs : 1;
    curl_easy_setopt(h, CURLOPT_CURLU, url.get());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "pop3");
    curl_easy_setopt(h, CURLOPT_USERNAME, mailbox.user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, mailbox.password.c_str());
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "STAT");
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L); // STAT answers in one line
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, timeout);
    // The wait for QUIT's answer is bounded by this one alone.
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, (timeout + 999) / 1000);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L); // QUIT before perform returns
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);     // worker threads: no SIGALRM for name look-ups
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &dialogue);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L); // feeds the debug callback only; nothing is printed
    if (curl_easy_perform(h) != CURLE_OK || !dialogue.statReply)
        return std::nullopt;
    return statCount(*dialogue.statReply);
}

} // namespace qv::platform
