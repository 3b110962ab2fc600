#include "settingsdialog/RuleEditor.h"

#include "common/Cp1250.h"
#include "common/Formats.h"
#include "extapps/ExternalAppCodec.h"
#include "settingsdialog/SettingsDialogKeys.h"
#include "settingsdialog/SettingsDialogTags.h"

#include <stdexcept>

namespace qv::settingsdialog {

namespace {

/// The path as the file keeps it: at most 200 characters of the code page.
std::string cutPath(const std::string& path) {
    const std::string bytes = cp1250::fromUtf8(path);
    if (bytes.size() <= extapps::kMaxPathChars)
        return path;
    return cp1250::toUtf8(std::string_view(bytes).substr(0, extapps::kMaxPathChars));
}

} // namespace

RuleEditor::RuleEditor(RuleEditorServices services) : s_(std::move(services)) {}

void RuleEditor::clear() {
    rules_.clear();
    s_.view.setItems(n::RuleList, {});
    s_.view.setIndex(n::RuleList, -1);
    resetEditor();
}

void RuleEditor::resetEditor() {
    extapps::ExternalAppRule empty;
    showRule(empty);
}

void RuleEditor::showRule(const extapps::ExternalAppRule& rule) {
    auto& v = s_.view;
    v.setText(n::RulePath, rule.path);
    v.setText(n::StopSecondsField, numberText(*numberField(n::StopSecondsField), rule.stopSecondsBefore, s_.locale));
    v.setText(n::StopMegabytesField,
              numberText(*numberField(n::StopMegabytesField), rule.stopMegabytesBefore, s_.locale));
    v.setText(n::StartSecondsField, numberText(*numberField(n::StartSecondsField), rule.startSecondsAfter, s_.locale));
    v.setText(n::StartAtTime, formatLongTime(rule.startAt, s_.locale));
    v.setText(n::StopAtTime, formatLongTime(rule.stopAt, s_.locale));
    v.setChecked(n::StartAtBox, rule.startAtOn);
    v.setChecked(n::StopAtBox, rule.stopAtOn);
    v.setEnabled(n::StartAtTime, rule.startAtOn);
    v.setEnabled(n::StopAtTime, rule.stopAtOn);
}

extapps::ExternalAppRule RuleEditor::fromEditor() const {
    const auto& v = s_.view;
    const auto number = [&](const shell::WidgetName& w) {
        const auto value = parseNumberText(v.get(w).text, s_.locale);
        return static_cast<std::uint16_t>(clampToField(*numberField(w), value.value_or(0)));
    };
    const auto time = [&](const shell::WidgetName& w) {
        return parseTimeOfDay(v.get(w).text, s_.locale).value_or(0.0);
    };
    extapps::ExternalAppRule rule; // every run-time flag clear
    rule.path = cutPath(v.get(n::RulePath).text);
    rule.stopSecondsBefore = number(n::StopSecondsField);
    rule.stopMegabytesBefore = number(n::StopMegabytesField);
    rule.startSecondsAfter = number(n::StartSecondsField);
    rule.startAt = time(n::StartAtTime);
    rule.stopAt = time(n::StopAtTime);
    rule.startAtOn = v.get(n::StartAtBox).checked;
    rule.stopAtOn = v.get(n::StopAtBox).checked;
    return rule;
}

std::vector<extapps::ExternalAppRule> RuleEditor::readFile() const {
    if (!s_.fs.exists(s_.rulesFile))
        return {};
    const auto bytes = s_.fs.readAll(s_.rulesFile);
    if (!bytes)
        throw std::runtime_error("the external application rules cannot be read");
    return extapps::decodeRules(*bytes);
}

void RuleEditor::writeFile(const std::vector<extapps::ExternalAppRule>& rules) {
    if (!s_.fs.writeAtomic(s_.rulesFile, extapps::encodeRules(rules)))
        throw std::runtime_error("the external application rules cannot be written");
}

bool RuleEditor::fileHasRules() const {
    return s_.fs.size(s_.rulesFile).value_or(0) >= extapps::kRuleRecordSize;
}

std::optional<std::size_t> RuleEditor::selection() const {
    const int index = s_.view.get(n::RuleList).index;
    if (index < 0 || static_cast<std::size_t>(index) >= rules_.size())
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

void RuleEditor::showPaths(const std::vector<extapps::ExternalAppRule>& rules) {
    std::vector<std::string> paths;
    paths.reserve(rules.size());
    for (const auto& r : rules)
        paths.push_back(r.path);
    s_.view.setItems(n::RuleList, std::move(paths));
    s_.view.setIndex(n::RuleList, -1);
}

void RuleEditor::loadList() {
    if (!s_.fs.exists(s_.rulesFile))
        return;
    rules_ = readFile();
    showPaths(rules_);
}

void RuleEditor::reload() {
    if (!s_.fs.exists(s_.rulesFile))
        return;
    showPaths(s_.reloadMainRules ? s_.reloadMainRules() : readFile());
}

void RuleEditor::Browse() {
    s_.logs.guarded(tags::kRuleBrowse, [&] {
        if (const auto path = s_.dialogs.askOpenFileName({}))
            s_.view.setText(n::RulePath, *path);
    });
}

void RuleEditor::RuleClicked(int index) {
    s_.logs.guarded(tags::kRuleClick, [&] {
        s_.view.setIndex(n::RuleList, index);
        rules_ = readFile();
        if (const auto at = selection())
            showRule(rules_[*at]);
    });
}

void RuleEditor::Add() {
    s_.logs.guarded(tags::kRuleAdd, [&] {
        if (s_.view.get(n::RulePath).text.empty())
            return;
        rules_ = readFile();
        // The count is held in 8 bits: a 256th rule would wrap it to none.
        if (rules_.size() >= extapps::kMaxRules) {
            s_.dialogs.showMessageBox(kListFull, platform::MessageKind::Error, platform::MessageButton::Ok);
            return;
        }
        rules_.push_back(fromEditor());
        writeFile(rules_);
        resetEditor();
        reload();
    });
}

void RuleEditor::Remove() {
    s_.logs.guarded(tags::kRuleRemove, [&] {
        if (!fileHasRules())
            return;
        const auto at = selection();
        if (!at)
            return;
        std::vector<extapps::ExternalAppRule> kept = rules_;
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(*at));
        writeFile(kept);
        rules_ = std::move(kept);
        reload();
        resetEditor();
    });
}

void RuleEditor::Change() {
    s_.logs.guarded(tags::kRuleChange, [&] {
        if (!fileHasRules())
            return;
        rules_ = readFile();
        const auto at = selection();
        if (!at)
            return;
        std::vector<extapps::ExternalAppRule> changed = rules_;
        changed[*at] = fromEditor();
        writeFile(changed);
        rules_ = std::move(changed);
        reload();
    });
}

} // namespace qv::settingsdialog
