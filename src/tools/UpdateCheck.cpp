#include "tools/UpdateCheck.h"

#include <charconv>
#include <utility>

namespace qv::tools {

using platform::MessageButton;
using platform::MessageKind;

UpdateCheck::UpdateCheck(UpdateCheckServices services)
    : s_(std::move(services)), self_(std::make_shared<UpdateCheck*>(this)) {}

UpdateCheck::~UpdateCheck() {
    *self_ = nullptr; // a download still running posts its answer to nobody
}

std::string UpdateCheck::firstLine(std::string_view content) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);
    const auto end = content.find_first_of("\r\n");
    return std::string(content.substr(0, end));
}

std::optional<double> UpdateCheck::parseVersion(std::string_view text, char decimalSeparator) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::string plain;
    int separators = 0, digits = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            plain += c;
            ++digits;
        } else if (c == decimalSeparator || c == '.') {
            plain += '.';
            ++separators;
        } else {
            return std::nullopt;
        }
    }
    if (separators > 1 || digits == 0)
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size())
        return std::nullopt;
    return value;
}

void UpdateCheck::CheckForUpdate() {
    if (busy_)
        return;
    if (!s_.state.isConnected) {
        s_.dialogs.showMessageBox(kOffline, MessageKind::Information, MessageButton::Yes);
        return;
    }
    busy_ = true;
    platform::DownloadRequest request{
        .url = s_.site.versionUrl, .path = s_.appDir + "verze.tmp", .timeoutMs = kTimeoutMs};
    s_.workers.start([request = std::move(request), downloader = s_.downloader, &loop = s_.loop,
                      self = std::weak_ptr<UpdateCheck*>(self_)] {
        const bool ok = downloader && downloader->download(request);
        loop.post([self, ok] {
            if (auto alive = self.lock(); alive && *alive)
                (*alive)->downloaded(ok);
        });
    });
}

void UpdateCheck::downloaded(bool ok) {
    busy_ = false;
    const std::string tmp = s_.appDir + "verze.tmp";
    const auto published = ok ? s_.fs.readAll(tmp) : std::nullopt;
    s_.fs.remove(tmp);
    // A server that answers with something other than a version (a portal's page, an empty file) is as good as no
    // server at all.
    const auto publishedVersion =
        published ? parseVersion(firstLine(*published), s_.locale.decimalSeparator) : std::nullopt;
    if (!publishedVersion) {
        s_.dialogs.showMessageBox(kNoServer, MessageKind::Error, MessageButton::Yes);
        return;
    }
    const auto installed = s_.fs.readAll(s_.appDir + "verze.txt");
    const auto installedVersion =
        installed ? parseVersion(firstLine(*installed), s_.locale.decimalSeparator) : std::nullopt;
    if (!installedVersion) {
        s_.dialogs.showMessageBox(kNoInstalledVersion, MessageKind::Error, MessageButton::Yes);
        return;
    }
    if (*installedVersion == *publishedVersion)
        s_.dialogs.showMessageBox(kSame, MessageKind::Information, MessageButton::No);
    else
        s_.dialogs.showMessageBox(kNewer, MessageKind::Information, MessageButton::Yes);
}

void UpdateCheck::OpenWebSite() {
    s_.desktop.open(s_.site.homeUrl, "");
}

} // namespace qv::tools
