#pragma once

#include "platform/DialUpAdapter.h"
#include "shell/ViewState.h"

#include <functional>
#include <optional>

namespace qv::connection {

/// The account editor window "TFormEntry": name, number, modem device, user name and password of one phonebook
/// entry. It stands in for the system's entry dialogs, which Linux does not have. Saving writes the entry through
/// the dialler; a refusal (for example no right to write the phonebook) is shown in the window, which stays open,
/// and nothing is written half-way.
class EntryEditor {
public:
    EntryEditor(platform::DialUpAdapter& dialer, shell::WindowView& view);

    /// Called after a successful save, once the window has closed (the account list is then refilled).
    void onSaved(std::function<void()> saved) { saved_ = std::move(saved); }

    /// Opens the window for an existing entry, or empty for a new one.
    void open(std::optional<platform::EntryDefinition> entry, std::optional<std::uint32_t> color);
    void save();
    void cancel();
    void fieldEdited(const shell::WidgetName& widget, const std::string& text);

private:
    platform::EntryDefinition fromView() const;

    platform::DialUpAdapter& dialer_;
    shell::WindowView& view_;
    std::optional<std::string> editing_; ///< the entry's name as it was, for an edit
    std::function<void()> saved_;
};

} // namespace qv::connection
