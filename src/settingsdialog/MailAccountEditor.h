#pragma once

#include "common/EventLoop.h"
#include "mail/MailAccount.h"
#include "mail/MailAccountsFile.h"
#include "mail/MailFileLock.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "shell/Logs.h"
#include "shell/ViewState.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::settingsdialog {

struct MailAccountEditorServices {
    EventLoop& loop;
    shell::Logs& logs;
    platform::FileSystem& fs;
    platform::Dialogs& dialogs;
    mail::MailFileLock& lock; ///< `mailFileBusy`, shared with the mail check threads
    shell::WindowView& view;  ///< TForm2
    std::string accountsFile; ///< the user's "Data/<user>_Email.dat"
};

/// The page "Nastavení kontroly emailů": the POP3 accounts in the drop-down list and the four fields of one
/// account. Every change is written to the accounts file at once, enciphered, under `mailFileBusy`.
///
/// An operation that finds `mailFileBusy` held by a mail check waits for it in steps of 1000 ms: it is queued and
/// tried again by a timer, so the window keeps working meanwhile without running the operation inside another
/// handler. Operations run in the order the user asked for them; each reads the fields when it runs.
class MailAccountEditor final {
public:
    static constexpr int kRetryMs = mail::MailFileGuard::kWaitStepMs;
    static constexpr const char* kDefaultPort = "110";
    static constexpr const char* kListFull = "Seznam emailových účtů je plný (nejvýše 255 účtů), "
                                             "další účet nelze přidat.";

    explicit MailAccountEditor(MailAccountEditorServices services);

    /// The fields as a new dialog has them: empty, the port "110", no account listed.
    void clear();
    /// Runs `op` under the accounts file's lock as soon as the lock is free (at once when it is); a failure is logged
    /// with `tag`, and the lock is released whatever happens.
    void whenFileFree(const char* tag, std::function<void()> op);
    /// The show step: the accounts file, when it exists, into the dialog's list and the drop-down list. Throws on
    /// a failure. Only inside whenFileFree.
    void loadList();
    /// The dialog was closed: the list goes, and operations still waiting for the lock are dropped.
    void release();

    /// An account chosen in "Vytvořené účty": the four fields show it.
    void AccountChosen(int index);
    /// "Přidat": a new account from the four fields, at the end.
    void Add();
    /// "Odebrat": the chosen account goes; nothing without a choice.
    void Remove();
    /// "Změnit": the chosen account becomes the fields' one; the drop-down line keeps its old text until the dialog
    /// is shown again.
    void Change();

    const std::vector<mail::MailAccount>& accounts() const { return accounts_; }
    /// Operations waiting for the lock.
    std::size_t waiting() const { return queue_.size(); }

private:
    struct Pending {
        const char* tag;
        std::function<void()> op;
    };
    mail::MailAccountsFile file();
    void runQueue();
    mail::MailAccount fromFields() const;
    void emptyFields();
    void showList();
    std::optional<std::size_t> selection() const;

    MailAccountEditorServices s_;
    std::vector<mail::MailAccount> accounts_;
    std::deque<Pending> queue_;
    std::unique_ptr<Timer> retry_;
    bool running_ = false;
};

} // namespace qv::settingsdialog
