#include "settingsdialog/MailAccountEditor.h"

#include "common/Cp1250.h"
#include "mail/MailAccountCodec.h"
#include "settingsdialog/SettingsDialogFields.h"
#include "settingsdialog/SettingsDialogTags.h"

namespace qv::settingsdialog {

namespace {

/// Thrown by the lock's wait: the operation goes back into the queue instead of waiting inside the handler.
struct LockHeldElsewhere {};

/// The text as the file keeps it: at most `chars` characters of the code page.
std::string cut(const std::string& text, std::size_t chars) {
    const std::string bytes = cp1250::fromUtf8(text);
    if (bytes.size() <= chars)
        return text;
    return cp1250::toUtf8(std::string_view(bytes).substr(0, chars));
}

} // namespace

MailAccountEditor::MailAccountEditor(MailAccountEditorServices services) : s_(std::move(services)) {
    retry_ = s_.loop.createTimer(kRetryMs, false, [this] {
        retry_->stop();
        runQueue();
    });
}

mail::MailAccountsFile MailAccountEditor::file() {
    return mail::MailAccountsFile(
        s_.fs, s_.lock, [](int) { throw LockHeldElsewhere{}; }, s_.accountsFile);
}

void MailAccountEditor::clear() {
    accounts_.clear();
    s_.view.setItems(n::AccountList, {});
    s_.view.setIndex(n::AccountList, -1);
    emptyFields();
    s_.view.setText(n::PortEdit, kDefaultPort);
}

void MailAccountEditor::release() {
    accounts_.clear();
    queue_.clear();
    retry_->stop();
}

void MailAccountEditor::whenFileFree(const char* tag, std::function<void()> op) {
    queue_.push_back({tag, std::move(op)});
    if (!retry_->enabled())
        runQueue();
}

void MailAccountEditor::runQueue() {
    // An operation that shows a message box lets further clicks queue behind it; they run after it, here.
    if (running_)
        return;
    running_ = true;
    while (!queue_.empty()) {
        Pending next = std::move(queue_.front());
        queue_.pop_front();
        bool held = false;
        s_.logs.guarded(next.tag, [&] {
            try {
                next.op();
            } catch (const LockHeldElsewhere&) {
                held = true;
            }
        });
        if (held) {
            queue_.push_front(std::move(next));
            retry_->start();
            break;
        }
    }
    running_ = false;
}

mail::MailAccount MailAccountEditor::fromFields() const {
    const auto& v = s_.view;
    return {cut(v.get(n::ServerEdit).text, mail::kMaxTextChars), cut(v.get(n::UserEdit).text, mail::kMaxTextChars),
            cut(v.get(n::PasswordEdit).text, mail::kMaxTextChars), cut(v.get(n::PortEdit).text, mail::kMaxPortChars)};
}

void MailAccountEditor::emptyFields() {
    for (const auto& w : {n::ServerEdit, n::PortEdit, n::UserEdit, n::PasswordEdit})
        s_.view.setText(w, "");
}

void MailAccountEditor::showList() {
    std::vector<std::string> lines;
    lines.reserve(accounts_.size());
    for (const auto& a : accounts_)
        lines.push_back(a.server + " , " + a.user);
    s_.view.setItems(n::AccountList, std::move(lines));
    s_.view.setIndex(n::AccountList, -1);
}

std::optional<std::size_t> MailAccountEditor::selection() const {
    const int index = s_.view.get(n::AccountList).index;
    if (index < 0 || static_cast<std::size_t>(index) >= accounts_.size())
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

void MailAccountEditor::loadList() {
    if (!s_.fs.exists(s_.accountsFile))
        return;
    accounts_ = file().load();
    showList();
}

void MailAccountEditor::AccountChosen(int index) {
    s_.view.setIndex(n::AccountList, index);
    const auto at = selection();
    if (!at)
        return;
    const mail::MailAccount& a = accounts_[*at];
    s_.view.setText(n::ServerEdit, a.server);
    s_.view.setText(n::UserEdit, a.user);
    s_.view.setText(n::PasswordEdit, a.password);
    s_.view.setText(n::PortEdit, a.port);
}

void MailAccountEditor::Add() {
    whenFileFree(tags::kAccountAdd, [this] {
        const mail::MailAccount account = fromFields();
        bool full = false;
        std::vector<mail::MailAccount> after;
        file().update([&](std::vector<mail::MailAccount>& list) {
            // The count is held in 8 bits: a 256th account would wrap it to none.
            if (list.size() >= mail::kMaxAccounts) {
                full = true;
                return false;
            }
            list.push_back(account);
            after = list;
            return true;
        });
        if (full) {
            s_.dialogs.showMessageBox(kListFull, platform::MessageKind::Error, platform::MessageButton::Ok);
            return;
        }
        accounts_ = std::move(after);
        showList();
        emptyFields();
    });
}

void MailAccountEditor::Remove() {
    whenFileFree(tags::kAccountRemove, [this] {
        if (!s_.fs.exists(s_.accountsFile))
            return;
        const auto at = selection();
        if (!at)
            return;
        // The list as last read, without the chosen account: later ones move up.
        std::vector<mail::MailAccount> kept = accounts_;
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(*at));
        bool removed = false;
        file().update([&](std::vector<mail::MailAccount>& list) {
            if (list.empty())
                return false;
            list = kept;
            removed = true;
            return true;
        });
        if (!removed)
            return;
        accounts_ = std::move(kept);
        showList();
        emptyFields();
    });
}

void MailAccountEditor::Change() {
    whenFileFree(tags::kAccountChange, [this] {
        if (!s_.fs.exists(s_.accountsFile))
            return;
        const auto at = selection();
        if (!at)
            return;
        const mail::MailAccount account = fromFields();
        bool changed = false;
        std::vector<mail::MailAccount> after;
        file().update([&](std::vector<mail::MailAccount>& list) {
            if (*at >= list.size())
                return false;
            list[*at] = account;
            after = list;
            changed = true;
            return true;
        });
        if (!changed)
            return;
        accounts_ = std::move(after);
        emptyFields();
    });
}

} // namespace qv::settingsdialog
