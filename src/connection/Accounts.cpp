#include "connection/Accounts.h"
#include "shell/ShellNames.h"

#include "settings/LoadSettings.h"
#include "settings/SettingsWriters.h"

namespace qv::connection {

namespace w = names::TForm1;

namespace {
constexpr const char* kNoAccounts = "Vytvořte připojení, Menu..";
}

Accounts::Accounts(platform::DialUpAdapter& dialer, shell::WindowView& main, settings::SettingsFile& settings)
    : dialer_(dialer), main_(main), settings_(settings) {}

std::size_t Accounts::refill() {
    main_.setItems(w::ComboBox1, {});
    main_.setIndex(w::ComboBox1, -1);
    dialer_.GetEntries();
    main_.setItems(w::ComboBox1, dialer_.Entries());
    main_.setText(w::ComboBox1, dialer_.Entries().empty() ? kNoAccounts : "");
    return dialer_.Entries().size();
}

std::optional<std::string> Accounts::selectedName() const {
    const auto& combo = main_.get(w::ComboBox1);
    if (combo.index < 0 || static_cast<std::size_t>(combo.index) >= combo.items.size())
        return std::nullopt;
    return combo.items[static_cast<std::size_t>(combo.index)];
}

void Accounts::FillAndSelect() {
    const std::size_t count = refill();
    const std::int32_t wanted = settings::readDefaultAccountIndex(settings_);
    const int index = wanted >= 0 && static_cast<std::size_t>(wanted) < count ? wanted : -1;
    main_.setIndex(w::ComboBox1, index);
    // With nothing selected, the current entry and the two fields stay as they are.
    if (index >= 0)
        SelectionChanged(index);
}

void Accounts::SelectionChanged(int index) {
    main_.setIndex(w::ComboBox1, index);
    const auto name = selectedName();
    if (!name)
        return;
    dialer_.Entry = *name;
    std::string user, password;
    dialer_.GetUserName(user);
    dialer_.GetPassword(password);
    main_.setText(w::Edit1, user);
    main_.setText(w::Edit2, password);
    // An entry without stored credentials gets storing on connect preset.
    main_.setChecked(w::CheckBox1, user.empty() && password.empty());
}

void Accounts::StoreCredentialsBeforeDial() {
    if (!main_.get(w::CheckBox1).checked)
        return;
    dialer_.SetUserName(main_.get(w::Edit1).text);
    dialer_.SetPassword(main_.get(w::Edit2).text);
}

void Accounts::DefaultAccountClicked(bool ticked) {
    main_.setChecked(w::CheckBox2, ticked);
    if (ticked)
        settings::writeDefaultAccount(settings_, main_.get(w::ComboBox1).index);
}

void Accounts::DetectAccount() {
    if (refill() == 0)
        return;
    main_.setIndex(w::ComboBox1, 0);
    dialer_.Entry = dialer_.Entries().front();
}

void Accounts::NewAccount() {
    if (openEditor_)
        openEditor_(std::nullopt);
}

void Accounts::EditAccount() {
    const auto name = selectedName();
    if (!name)
        return;
    dialer_.Entry = *name;
    platform::EntryDefinition entry;
    if (dialer_.ReadEntry(entry) != 0)
        entry.name = *name;
    if (openEditor_)
        openEditor_(entry);
}

void Accounts::DeleteAccount() {
    // At once and without asking; the list shows the change at the next activation.
    const auto name = selectedName();
    if (!name)
        return;
    dialer_.Entry = *name;
    dialer_.DeleteEntry();
}

void Accounts::fieldEdited(const shell::WidgetName& widget, const std::string& text) {
    if (widget == w::Edit1 || widget == w::Edit2)
        main_.setText(widget, text);
}

void Accounts::storeCredentialsToggled(bool ticked) {
    main_.setChecked(w::CheckBox1, ticked);
}

} // namespace qv::connection
