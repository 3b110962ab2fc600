#pragma once

#include "common/EventLoop.h"
#include "connection/ControllerState.h"
#include "mail/MailFileLock.h"
#include "mail/MailNotice.h"
#include "platform/DesktopShell.h"
#include "platform/FileSystem.h"
#include "platform/Pop3Client.h"
#include "platform/SoundPlayer.h"
#include "platform/WorkerThreads.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qv::mail {

/// What the mail check needs. The file system, the POP3 client, the sound player and the event loop's post are
/// also used from the worker threads, and must outlive the worker service.
struct MailServices {
    EventLoop& loop;
    shell::Logs& logs;
    platform::FileSystem& fs;
    platform::WorkerThreads& workers;
    platform::Pop3Client& pop3;
    platform::SoundPlayer& sound;
    platform::DesktopShell& desktop;
    const settings::SettingsRecord& settings;
    const connection::ControllerState& state;
    Timer& timer20;                                 ///< the mail check clock; its tick calls Timer20Tick
    shell::WindowView& notice;                      ///< TForm11
    std::string accountsPath;                       ///< Data/<user>_Email.dat
    std::string soundPath;                          ///< Zvuk/Email.wav
    std::function<shell::ScreenPoint()> screenSize; ///< the whole screen's width and height
};

/// The mail check: the clock `Timer20`, the check thread `TEmailThread` and what its total does on the UI thread,
/// the sound thread `TZvukEmailThread`, and the notice's click.
///
/// Each tick that finds checking on and the line up starts a check on a worker thread of its own, even while an
/// earlier one still runs; each reads the accounts once into its own copy (see RunMailCheck). A check reads the
/// line's state from a flag of its own that lineChanged() keeps, never the controller state, which belongs to the
/// UI thread. Its total comes back through the event loop's post and is shown only while this object exists; once
/// it is gone, running checks find the line down and end after the mailbox they are asking.
class MailCheck final {
public:
    explicit MailCheck(MailServices services);
    ~MailCheck();
    MailCheck(const MailCheck&) = delete;
    MailCheck& operator=(const MailCheck&) = delete;

    /// Timer20: with checking on and the line up, makes the notice (hidden) when there is none and starts a check;
    /// in every case the next tick comes [Email] Interval minutes later.
    void Timer20Tick();
    /// The line came up or went down (the monitor's connected and disconnected reports).
    void lineChanged(bool up);
    /// A check's total, on the UI thread: 0 closes the notice; more plays the sound when [Email] Zvuk is on and
    /// shows the notice. A failure here ends as silently as one in the check itself.
    void TotalFound(std::uint16_t total);
    /// A click on the notice or either of its labels: opens [Email] Path when [Email] Klient is on, then closes it.
    void NoticeClicked();
    /// The user closed the notice.
    void NoticeClosed();

    /// `mailFileBusy`, shared with the settings dialog's edits of the accounts.
    MailFileLock& fileLock();
    MailNotice& notice() { return notice_; }

    /// Timer20's interval for [Email] Interval minutes: beyond 35791 minutes the milliseconds leave int, and the
    /// longest interval a timer takes (about 24.8 days) is as good as never.
    static int intervalMs(std::uint16_t minutes);

private:
    struct Shared;

    void startCheck();
    void startSound();

    MailServices s_;
    MailNotice notice_;
    std::shared_ptr<Shared> shared_;   ///< what the checks share with this object and may outlive it
    std::shared_ptr<MailCheck*> self_; ///< lets a posted total find this object, or find it gone
};

} // namespace qv::mail
