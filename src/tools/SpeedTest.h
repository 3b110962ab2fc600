#pragma once

#include "common/Clock.h"
#include "common/EventLoop.h"
#include "common/LocaleFormats.h"
#include "connection/ControllerState.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/IcmpEcho.h"
#include "platform/UrlDownloader.h"
#include "platform/WorkerThreads.h"
#include "shell/ViewState.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace qv::tools {

/// The server the speed test downloads from and pings.
struct SpeedTestServer {
    std::string ftpHost = "ftp.quorvex.cz";
    std::string pingAddress = "ftp.quorvex.cz"; ///< the same machine, as the echo service reaches it
    std::string password = "quorvex@quorvex.cz";
    static constexpr const char* kDirectory = "/OS/Linux/RedHat/redhat/linux/updates/enterprise/2.1ES/en/os/SRPMS";
    static constexpr const char* kFile = "dhcp-2.0pl5-9.src.rpm";
};

/// The figures of a download of the test file that took `elapsedMs`.
struct SpeedFigures {
    std::string download;  ///< "241 Kbps (30 KBps)"
    std::string perMinute; ///< "1,76 MB"
    std::string perHour;   ///< "105,82 MB"
};

struct SpeedTestServices {
    EventLoop& loop;
    const Clock& clock;
    platform::FileSystem& fs;
    platform::Dialogs& dialogs;
    platform::WorkerThreads& workers;
    platform::UrlDownloader* downloader; ///< none: every download fails
    platform::IcmpEcho& echo;
    const connection::ControllerState& state;
    shell::WindowView& view; ///< TForm9
    LocaleFormats locale;
    std::string appDir; ///< ends with '/'
    SpeedTestServer server;
};

/// The speed test window's logic: the test file fetched by FTP on a worker thread with its progress on the bar,
/// then five pings of the server. "Storno" aborts the transfer at once.
class SpeedTest final {
public:
    static constexpr std::uint64_t kFileSize = 301'000;
    static constexpr int kTimeoutMs = 15'000;
    static constexpr int kPings = 5;
    static constexpr const char* kOffline = "Nejste online";
    static constexpr const char* kFailed = "Nastala neznámá chyba, test byl ukončen";

    explicit SpeedTest(SpeedTestServices services);
    ~SpeedTest();
    SpeedTest(const SpeedTest&) = delete;
    SpeedTest& operator=(const SpeedTest&) = delete;

    /// The figures of the test file's download in `elapsedMs` (at least 1 ms counted).
    static SpeedFigures figures(std::int64_t elapsedMs, char decimalSeparator);

    void Shown();
    void RunSpeedTest();
    void CancelSpeedTest();
    /// The window's close request: the test ends and its file goes; the window may then close.
    void CloseRequested();

    bool running() const { return phase_ != Phase::Idle; }
    const std::array<int, kPings + 1>& replyTimes() const { return replies_; }
    std::string url() const;

private:
    enum class Phase { Idle, Downloading, Pinging };
    void stopTransfer();
    void clearResults();
    void downloaded(bool ok);
    void nextPing();
    void setProgress(int position, int maximum);
    std::string tempFile() const { return s_.appDir + "test.tmp"; }

    SpeedTestServices s_;
    std::shared_ptr<SpeedTest*> self_;
    std::shared_ptr<std::atomic<bool>> abort_; ///< the running transfer's abort flag, shared with its worker
    bool aborted_ = false;
    Phase phase_ = Phase::Idle;
    int pingPosition_ = 0;
    std::array<int, kPings + 1> replies_{}; ///< 1 to 5; a ping without reply keeps the older time
    double t0_ = 0;
};

} // namespace qv::tools
