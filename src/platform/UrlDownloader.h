#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qv::platform {

/// What one download asks for.
struct DownloadRequest {
    std::string url;   ///< http://, https:// or ftp:// (FTP anonymous, binary, passive)
    std::string path;  ///< the local file written; a failed download leaves none behind
    int timeoutMs = 0; ///< the longest wait for the connection and for any data (0: the library's own)
    /// Called now and then with the bytes received and the size announced (0 when unknown); returning false aborts
    /// the download at once. Runs on the downloading thread.
    std::function<bool(std::uint64_t received, std::uint64_t total)> progress{};
};

/// Downloads a URL into a local file. Blocks until done: called on a worker thread, never on the UI thread.
/// Several downloads may run at once on different threads.
class UrlDownloader {
public:
    virtual ~UrlDownloader() = default;
    /// True when the whole file arrived (an HTTP error status or an aborted download is a failure).
    virtual bool download(const DownloadRequest& request) = 0;
};

} // namespace qv::platform
