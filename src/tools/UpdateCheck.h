#pragma once

#include "common/EventLoop.h"
#include "common/LocaleFormats.h"
#include "connection/ControllerState.h"
#include "platform/DesktopShell.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/UrlDownloader.h"
#include "platform/WorkerThreads.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qv::tools {

/// Where the program's published version and its web page are.
struct WebSite {
    std::string versionUrl = "http://www.quorvex.cz/update/Verze.txt";
    std::string homeUrl = "http://www.quorvex.cz/";
};

struct UpdateCheckServices {
    EventLoop& loop;
    platform::FileSystem& fs;
    platform::Dialogs& dialogs;
    platform::WorkerThreads& workers;
    platform::UrlDownloader* downloader; ///< none: every download fails
    platform::DesktopShell& desktop;
    const connection::ControllerState& state;
    LocaleFormats locale;
    std::string appDir; ///< ends with '/'
    WebSite site;
};

/// "Aktualizace" and "Jít na web". The download runs on a worker thread; its answer comes back through the loop.
class UpdateCheck final {
public:
    static constexpr const char* kOffline = "Nejste online";
    static constexpr const char* kNoServer = "Nepodařilo se připojit na server";
    static constexpr const char* kNewer = "Ano existuje novější verze aplikace.";
    static constexpr const char* kSame = "Ne novější verze aplikace není k dispozici.";
    static constexpr const char* kNoInstalledVersion = "Nepodařilo se zjistit nainstalovanou verzi aplikace";
    static constexpr int kTimeoutMs = 15'000;

    explicit UpdateCheck(UpdateCheckServices services);
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    void CheckForUpdate();
    void OpenWebSite();

    /// Whether a download is under way (a second "Aktualizace" meanwhile does nothing).
    bool busy() const { return busy_; }

    /// A version text as a number: the locale's decimal separator, or a point (the form the installation ships),
    /// digits on at least one side; spaces around it are allowed. Nothing for anything else.
    static std::optional<double> parseVersion(std::string_view text, char decimalSeparator);
    /// The first line of a file's content, without its line end.
    static std::string firstLine(std::string_view content);

private:
    void downloaded(bool ok);

    UpdateCheckServices s_;
    std::shared_ptr<UpdateCheck*> self_;
    bool busy_ = false;
};

} // namespace qv::tools
