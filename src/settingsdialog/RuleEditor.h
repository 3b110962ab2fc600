#pragma once

#include "common/LocaleFormats.h"
#include "extapps/ExternalAppRule.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "shell/Logs.h"
#include "shell/ViewState.h"

#include <functional>
#include <string>
#include <vector>

namespace qv::settingsdialog {

struct RuleEditorServices {
    shell::Logs& logs;
    platform::FileSystem& fs;
    platform::Dialogs& dialogs;
    shell::WindowView& view; ///< TForm2
    const LocaleFormats& locale;
    std::string rulesFile; ///< the user's "Data/<user>_ExternApp.dat"
    /// Reads the rules file into the main window's rule list (all run-time flags cleared) and returns that list.
    std::function<std::vector<extapps::ExternalAppRule>()> reloadMainRules;
};

/// The page "Externí aplikace": the list of the user's external application rules and the editor of one rule.
/// Every change is written to the rules file at once, as a whole and atomically, and the main window's rule list
/// reloaded from it. The dialog's own copy of the rules is the one last read; "Odebrat" works on it.
class RuleEditor final {
public:
    static constexpr const char* kListFull = "Seznam externích aplikací je plný (nejvýše 255 aplikací), "
                                             "další aplikaci nelze přidat.";

    explicit RuleEditor(RuleEditorServices services);

    /// The editor's fields as a new dialog has them: no path, the three numbers 0, both times midnight, both
    /// boxes clear, no rule in the list.
    void clear();
    /// The show step: the rules file, when it exists, into the dialog's copy and the list. Throws on a failure.
    void loadList();
    /// The dialog was closed: its copy of the rules goes.
    void release() { rules_.clear(); }

    /// "Vybrat aplikaci".
    void Browse();
    /// A click on a rule of the list: the file is read again and the editor shows that rule.
    void RuleClicked(int index);
    /// "Přidat": a new rule from the editor, at the end; nothing without a path.
    void Add();
    /// "Odebrat": the selected rule goes; nothing without a selection.
    void Remove();
    /// "Změnit": the selected rule becomes the editor's; nothing without a selection.
    void Change();

    const std::vector<extapps::ExternalAppRule>& rules() const { return rules_; }

private:
    std::vector<extapps::ExternalAppRule> readFile() const;
    void writeFile(const std::vector<extapps::ExternalAppRule>& rules);
    extapps::ExternalAppRule fromEditor() const;
    void showRule(const extapps::ExternalAppRule& rule);
    void resetEditor();
    void reload();
    void showPaths(const std::vector<extapps::ExternalAppRule>& rules);
    bool fileHasRules() const;
    /// The selected line, when it names a rule of the dialog's copy.
    std::optional<std::size_t> selection() const;

    RuleEditorServices s_;
    std::vector<extapps::ExternalAppRule> rules_;
};

} // namespace qv::settingsdialog
