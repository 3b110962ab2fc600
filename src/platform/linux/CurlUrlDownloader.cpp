#include "platform/linux/CurlUrlDownloader.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

namespace qv::platform {

namespace {

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::size_t onData(char* data, std::size_t size, std::size_t count, void* user) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(user)) * size;
}

struct Progress {
    const DownloadRequest& request;
    bool aborted = false;
};

int onProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto& p = *static_cast<Progress*>(user);
    // libcurl may ask once more while it winds down; the caller has been told it is over already.
    if (!p.aborted)
        p.aborted = !p.request.progress(static_cast<std::uint64_t>(received < 0 ? 0 : received),
                                        static_cast<std::uint64_t>(total < 0 ? 0 : total));
    return p.aborted ? 1 : 0; // non-zero makes libcurl abort the transfer
}

} // namespace

CurlUrlDownloader::CurlUrlDownloader() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlUrlDownloader::~CurlUrlDownloader() {
    curl_global_cleanup();
}

bool CurlUrlDownloader::download(const DownloadRequest& request) {
    const std::unique_ptr<CURL, EasyDeleter> h(curl_easy_init());
    if (!h)
        return false;
    bool ok = false;
    Progress progress{request};
    {
        const std::unique_ptr<std::FILE, FileCloser> out(std::fopen(request.path.c_str(), "wb"));
        if (!out)
            return false;
        CURL* c = h.get();
        curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L); // several threads; a signal would reach the wrong one
        curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 1L);
        curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L); // binary
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onData);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, out.get());
        if (request.timeoutMs > 0) {
            curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeoutMs));
            // No data for the time-out ends the transfer; a slow but moving one may take as long as it needs.
            curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>((request.timeoutMs + 999) / 1000));
        }
        if (request.progress) {
            curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
            curl_easy_setopt(c, CURLOPT_XFERINFODATA, &progress);
            curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        }
        ok = curl_easy_perform(c) == CURLE_OK;
        ok = std::fflush(out.get()) == 0 && ok;
    }
    if (!ok)
        std::remove(request.path.c_str());
    return ok;
}

} // namespace qv::platform
