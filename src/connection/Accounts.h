#pragma once

#include "platform/DialUpAdapter.h"
#include "settings/SettingsFile.h"
#include "shell/ViewState.h"

#include <functional>
#include <optional>

namespace qv::connection {

/// The account list of the main window: the phonebook entries in `ComboBox1`, the selected entry's stored user
/// name and password in `Edit1`/`Edit2`, the default account in [Ucet] Hodnota, and the entry actions.
class Accounts {
public:
    /// Opens the entry editor: with an entry to edit, or empty for a new one.
    using OpenEditor = std::function<void(std::optional<platform::EntryDefinition> entry)>;

    Accounts(platform::DialUpAdapter& dialer, shell::WindowView& main, settings::SettingsFile& settings);

    void onOpenEditor(OpenEditor open) { openEditor_ = std::move(open); }

    /// At every activation of the main window.
    void FillAndSelect();
    /// `ComboBox1` selection event.
    void SelectionChanged(int index);
    /// Before every connect by the user: stores the typed credentials when `CheckBox1` is ticked.
    void StoreCredentialsBeforeDial();
    /// "Nastavit jako CDMA účet" clicked, `ticked` = its state afterwards.
    void DefaultAccountClicked(bool ticked);
    /// "Detekuj účet".
    void DetectAccount();
    void NewAccount();
    void EditAccount();
    void DeleteAccount();
    /// Typed text of `Edit1`/`Edit2`, and the `CheckBox1` tick.
    void fieldEdited(const shell::WidgetName& widget, const std::string& text);
    void storeCredentialsToggled(bool ticked);

private:
    /// Clears the list and fills it from the phonebook; returns the number of names.
    std::size_t refill();
    /// The selected entry's name, when there is one.
    std::optional<std::string> selectedName() const;

    platform::DialUpAdapter& dialer_;
    shell::WindowView& main_;
    settings::SettingsFile& settings_;
    OpenEditor openEditor_;
};

} // namespace qv::connection
