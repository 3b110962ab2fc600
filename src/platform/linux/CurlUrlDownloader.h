#pragma once

#include "platform/UrlDownloader.h"

namespace qv::platform {

/// Downloads over libcurl's easy interface, one handle per download, straight into the target file. FTP logs in
/// anonymously and transfers in binary passive mode.
class CurlUrlDownloader final : public UrlDownloader {
public:
    CurlUrlDownloader();
    ~CurlUrlDownloader() override;
    CurlUrlDownloader(const CurlUrlDownloader&) = delete;
    CurlUrlDownloader& operator=(const CurlUrlDownloader&) = delete;

    bool download(const DownloadRequest& request) override;
};

} // namespace qv::platform
