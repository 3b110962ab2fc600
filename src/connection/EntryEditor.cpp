#include "connection/EntryEditor.h"
#include "connection/EntryEditorNames.h"

#include "platform/DialTexts.h"

namespace qv::connection {

namespace w = names::TFormEntry;

namespace {

constexpr shell::WidgetName kFields[] = {w::EditName, w::EditNumber, w::EditDevice, w::EditUser, w::EditPassword};

/// A name becomes a file name in the phonebook: no path separators, no hidden files, nothing unprintable.
bool validName(const std::string& name) {
    if (name.empty() || name.size() > 256 || name.front() == '.' || name.back() == '~')
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == '/' || c == 0x7F)
            return false;
    return true;
}

} // namespace

EntryEditor::EntryEditor(platform::DialUpAdapter& dialer, shell::WindowView& view) : dialer_(dialer), view_(view) {
    view_.hideWindow();
}

void EntryEditor::open(std::optional<platform::EntryDefinition> entry, std::optional<std::uint32_t> color) {
    const platform::EntryDefinition e = entry.value_or(platform::EntryDefinition{"", "#777", "/dev/ttyUSB0", "", ""});
    editing_ = entry ? std::optional(entry->name) : std::nullopt;
    view_.setText(view_.self(), entry ? "Editovat účet" : "Nový účet");
    view_.setColor(view_.self(), color);
    view_.setText(w::EditName, e.name);
    view_.setText(w::EditNumber, e.number);
    view_.setText(w::EditDevice, e.device);
    view_.setText(w::EditUser, e.userName);
    view_.setText(w::EditPassword, e.password);
    view_.setText(w::LabelMessage, "");
    view_.showWindow();
    view_.raise();
}

platform::EntryDefinition EntryEditor::fromView() const {
    return {view_.get(w::EditName).text, view_.get(w::EditNumber).text, view_.get(w::EditDevice).text,
            view_.get(w::EditUser).text, view_.get(w::EditPassword).text};
}

void EntryEditor::fieldEdited(const shell::WidgetName& widget, const std::string& text) {
    for (const shell::WidgetName& f : kFields)
        if (widget == f)
            view_.setText(widget, text);
}

void EntryEditor::save() {
    const platform::EntryDefinition entry = fromView();
    if (!validName(entry.name)) {
        view_.setText(w::LabelMessage, "Zadejte název účtu (bez znaku /).");
        return;
    }
    int rc = 0;
    if (editing_) {
        dialer_.Entry = *editing_;
        rc = dialer_.EditEntry(entry);
    } else {
        rc = dialer_.CreateEntry(entry);
    }
    if (rc != 0) {
        view_.setText(w::LabelMessage, "Účet nelze uložit: " + platform::dialErrorText(rc));
        return;
    }
    dialer_.Entry = entry.name;
    view_.hideWindow();
    if (saved_)
        saved_();
}

void EntryEditor::cancel() {
    view_.hideWindow();
}

} // namespace qv::connection
