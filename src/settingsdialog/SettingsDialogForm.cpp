#include "settingsdialog/SettingsDialogForm.h"

#include "common/Formats.h"
#include "mail/MailCheck.h"
#include "settingsdialog/SettingsDialogKeys.h"
#include "settingsdialog/SettingsDialogTags.h"
#include "shell/CallHook.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace qv::settingsdialog {

namespace {

using shell::callHook;

constexpr const char* kCaption = "Nastavení";
constexpr int kPortCount = 16;

/// A box and the controls it enables while ticked. A disabled box keeps its tick.
struct Dependency {
    shell::WidgetName box;
    std::vector<shell::WidgetName> controls;
};

const std::vector<Dependency>& dependencies() {
    static const std::vector<Dependency> table{
        {n::ReDialTimeBox, {n::ReDialTimeField, n::ReDialTimeUnit, n::ReDialTimeAction, n::ReDialTimeReconnect}},
        {n::ReDataBox, {n::ReDataField, n::ReDataUnit, n::ReDataAction, n::ReDataReconnect}},
        {n::SlowBox,
         {n::SlowTimeField, n::SlowSpeedField, n::SlowTimeUnit, n::SlowSpeedLabel, n::SlowSpeedUnit, n::SlowAction,
          n::SlowReconnect}},
        {n::PeriodicSaveBox, {n::PeriodicSaveField, n::PeriodicSaveUnit}},
        {n::PurgeBox, {n::PurgeField, n::PurgeUnit}},
        {n::MailCheckBox, {n::MailIntervalField, n::MailIntervalUnit}},
        {n::MailClientBox, {n::MailClientPath, n::MailClientButton}},
        {n::ConnectAtBox, {n::ConnectAtTime}},
        {n::DisconnectAtBox, {n::DisconnectAtTime, n::PowerOffBox}},
        {n::StartAtBox, {n::StartAtTime}},
        {n::StopAtBox, {n::StopAtTime}},
    };
    return table;
}

/// A timer interval of that many minutes; beyond what an interval holds, the longest one.
int minutesMs(std::uint16_t minutes) {
    const long long ms = static_cast<long long>(minutes) * 60'000;
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

} // namespace

SettingsDialogForm::SettingsDialogForm(SettingsDialogServices services, SettingsDialogHooks hooks)
    : s_(std::move(services)), hooks_(std::move(hooks)), window_(s_.view),
      rules_(RuleEditorServices{s_.logs, s_.fs, s_.dialogs, s_.view, s_.locale, s_.rulesFile, hooks_.reloadMainRules}),
      accounts_(MailAccountEditorServices{s_.loop, s_.logs, s_.fs, s_.dialogs, s_.mailLock, s_.view, s_.accountsFile}),
      self_(std::make_shared<SettingsDialogForm*>(this)) {}

SettingsDialogForm::~SettingsDialogForm() = default;

void SettingsDialogForm::open(std::optional<std::uint32_t> mainColor) {
    if (window_.exists()) {
        window_.show();
        return;
    }
    s_.logs.guarded(tags::kCreate, [&] {
        window_.ensureCreated(mainColor);
        resetView();
        show();
        window_.show();
    });
}

void SettingsDialogForm::resetView() {
    auto& v = s_.view;
    v.setText(n::TForm2, kCaption);
    std::vector<std::string> pages;
    for (const Page& p : kPages)
        pages.emplace_back(p.item);
    v.setItems(n::PageList, std::move(pages));
    PageChosen(0);
    std::vector<std::string> ports;
    for (int i = 1; i <= kPortCount; ++i)
        ports.push_back("Com" + std::to_string(i));
    v.setItems(n::ModemPortList, std::move(ports));
    rules_.clear();
    accounts_.clear();
}

void SettingsDialogForm::show() {
    meteringAtShow_ = s_.settings.meterByCounters;
    floatingAtShow_ = s_.settings.floatWindowOnConnect;
    s_.logs.guarded(tags::kShow, [&] {
        if (s_.settings.runAtLogon) {
            if (!s_.autostart || !s_.autostart->enable())
                throw std::runtime_error("the autostart entry cannot be written");
        } else if (s_.autostart) {
            s_.autostart->disable();
        }
        // Both lists in one go, so that a failure with the accounts leaves the rules unread as well.
        accounts_.whenFileFree(tags::kShow, [this] {
            accounts_.loadList();
            rules_.loadList();
        });
    });
}

void SettingsDialogForm::Activated() {
    if (!window_.exists())
        return;
    s_.logs.guarded(tags::kActivate, [&] {
        loadThroughDialog();
        applyDependencies();
    });
}

void SettingsDialogForm::loadThroughDialog(std::optional<settings::FloatPosition> floatDefaultHere) {
    ViewControls controls(s_.view, s_.locale, hooks_.selectDefaultAccount);
    const settings::FloatPosition floatDefault = floatDefaultHere      ? *floatDefaultHere
                                                 : hooks_.floatDefault ? hooks_.floatDefault()
                                                                       : settings::FloatPosition{};
    const settings::LoadedWindowSettings loaded =
        settings::LoadSettings(s_.settingsFile, s_.settings, floatDefault, &controls);
    callHook(hooks_.setMainColor, loaded.color);
    callHook(hooks_.floatPositionLoaded, loaded.floatPosition);
}

void SettingsDialogForm::applyDependencies() {
    for (const Dependency& d : dependencies())
        setDependents(d.box, s_.view.get(d.box).checked);
}

void SettingsDialogForm::setDependents(const shell::WidgetName& box, bool on) {
    for (const Dependency& d : dependencies())
        if (d.box == box)
            for (const auto& c : d.controls)
                s_.view.setEnabled(c, on);
}

void SettingsDialogForm::Save() {
    s_.logs.guarded(tags::kSave, [&] {
        // Without the autostart entry the user asked for, nothing is saved.
        if (s_.view.get(n::AutoStartBox).checked) {
            if (!s_.autostart || !s_.autostart->enable())
                throw std::runtime_error("the autostart entry cannot be written");
        } else if (s_.autostart) {
            s_.autostart->disable();
        }
        writeSettingsFile();
        // A floating window the save opens stands at the file's position, else at 10, 10 — not where the main
        // window's own load would put one.
        loadThroughDialog(settings::FloatPosition{10, 10});
        applySaved();
        Close();
    });
}

void SettingsDialogForm::writeSettingsFile() {
    const std::vector<SavedEntry> saved = entriesToSave(s_.view);
    std::vector<settings::ProfileEntry> entries;
    entries.reserve(saved.size());
    for (const SavedEntry& e : saved)
        entries.push_back({e.section, e.key, e.value});
    // One rewrite: a failure leaves the file as it was, never half of the keys changed.
    if (!s_.settingsFile.write(entries))
        throw std::runtime_error("the settings file cannot be written");
}

void SettingsDialogForm::applySaved() {
    const settings::SettingsRecord& r = s_.settings;
    s_.timers.timer(16).setInterval(minutesMs(r.periodicSaveMinutes));
    // The metering mode is chosen once per run.
    if (r.meterByCounters != meteringAtShow_)
        s_.dialogs.showMessageBox(kRestartNotice, platform::MessageKind::Information, platform::MessageButton::Ok);
    callHook(hooks_.setFloatWindowOn, r.floatWindowOnConnect);
    // The countdown texts read the delay from the record, which the load has just set.
    s_.timers.timer(7).setInterval(std::max(1, r.reconnectDelaySeconds * 1000));
    s_.timers.timer(20).setInterval(mail::MailCheck::intervalMs(r.mailCheckMinutes));
    if (r.floatWindowOnConnect != floatingAtShow_) {
        const bool floating = callHook(hooks_.floatingExists);
        if (!r.floatWindowOnConnect && floating)
            callHook(hooks_.closeFloatingWindow);
        else if (r.floatWindowOnConnect && s_.state.isConnected && !floating)
            callHook(hooks_.openFloatingWindow);
    }
}

void SettingsDialogForm::Close() {
    s_.logs.guarded(tags::kClose, [&] {
        window_.free();
        rules_.release();
        accounts_.release();
    });
}

void SettingsDialogForm::PageChosen(int index) {
    s_.logs.guarded(tags::kPageChange, [&] {
        if (index < 0 || static_cast<std::size_t>(index) >= kPages.size())
            return;
        s_.view.setIndex(n::PageList, index);
        for (std::size_t i = 0; i < kPages.size(); ++i)
            s_.view.setVisible(kPages[i].group, static_cast<int>(i) == index);
    });
}

void SettingsDialogForm::PageClicked() {
    s_.logs.guarded(tags::kPageClick, [&] {
        const int index = s_.view.get(n::PageList).index;
        for (std::size_t i = 0; i < kPages.size(); ++i)
            s_.view.setVisible(kPages[i].group, static_cast<int>(i) == index);
    });
}

void SettingsDialogForm::BoxToggled(const shell::WidgetName& box, bool checked) {
    s_.view.setChecked(box, checked);
    setDependents(box, checked);
}

void SettingsDialogForm::OptionToggled(const shell::WidgetName& option, bool checked) {
    setOption(s_.view, option, checked);
}

void SettingsDialogForm::NumberEdited(const shell::WidgetName& field, const std::string& text) {
    const NumberField* f = numberField(field);
    const auto value = parseNumberText(text, s_.locale);
    if (f && value)
        s_.view.setText(field, numberText(*f, *value, s_.locale));
}

void SettingsDialogForm::TimeEdited(const shell::WidgetName& field, const std::string& text) {
    if (const auto time = parseTimeOfDay(text, s_.locale))
        s_.view.setText(field, formatLongTime(*time, s_.locale));
}

void SettingsDialogForm::TextEdited(const shell::WidgetName& edit, const std::string& text) {
    s_.view.setText(edit, text);
}

void SettingsDialogForm::OpacityMoved(int position) {
    const int p = static_cast<int>(clampToField(*numberField(n::OpacitySlider), position));
    s_.view.setIndex(n::OpacitySlider, p);
    callHook(hooks_.setFloatingOpacity, p);
}

void SettingsDialogForm::PortChosen(int index) {
    s_.view.setIndex(n::ModemPortList, index >= 0 && index < kPortCount ? index : -1);
}

void SettingsDialogForm::ChooseColor() {
    s_.logs.guarded(tags::kColor, [&] {
        const auto initial = s_.view.window().color.value_or(settings::kWindowBackgroundColor);
        const auto chosen = s_.dialogs.askColor(initial);
        if (!chosen)
            return;
        s_.view.setColor(n::TForm2, *chosen);
        callHook(hooks_.setMainColor, *chosen);
    });
}

void SettingsDialogForm::ModemInfo() {
    s_.logs.guarded(tags::kModemInfo, [&] {
        if (!s_.desktop.openModemSettings())
            s_.dialogs.showMessageBox(kNoModemSettings, platform::MessageKind::Error, platform::MessageButton::Ok);
    });
}

void SettingsDialogForm::SynchronizeClock() {
    s_.logs.guarded(tags::kClockSync, [&] {
        auto report = [alive = std::weak_ptr<SettingsDialogForm*>(self_)](bool ok) {
            const auto self = alive.lock();
            if (!self)
                return;
            SettingsDialogForm& form = **self;
            form.s_.logs.guarded(tags::kClockSync, [&] {
                form.s_.dialogs.showMessageBox(ok ? kClockSynced : kClockNotSynced, platform::MessageKind::Information,
                                               platform::MessageButton::Yes);
            });
        };
        if (!s_.clockSync) {
            report(false);
            return;
        }
        // A refused start means one is running already; its answer is the one shown.
        s_.clockSync->start(std::move(report));
    });
}

void SettingsDialogForm::BrowseMailClient() {
    s_.logs.guarded(tags::kMailClientBrowse, [&] {
        if (const auto path = s_.dialogs.askOpenFileName({}))
            s_.view.setText(n::MailClientPath, *path);
    });
}

void SettingsDialogForm::wireIntents(shell::IntentRouter& r) {
    r.onWindow(n::TForm2, shell::WindowEvent::Activated, [this] { Activated(); });
    for (auto e : {shell::WindowEvent::Closed, shell::WindowEvent::CloseRequested})
        r.onWindow(n::TForm2, e, [this] { Close(); });
    r.onClick(n::SaveButton, [this] { Save(); });
    r.onClick(n::CancelButton, [this] { Close(); });
    r.onIndex(n::PageList, [this](int index) { PageChosen(index); });
    r.onClick(n::PageList, [this] { PageClicked(); });

    for (const DialogKey& k : savedKeys()) {
        const shell::WidgetName w = k.control;
        switch (k.kind) {
        case ControlKind::Box:
            if (w == n::CountersOption || w == n::PacketsOption)
                r.onToggle(w, [this, w](bool checked) { OptionToggled(w, checked); });
            else
                r.onToggle(w, [this, w](bool checked) { BoxToggled(w, checked); });
            break;
        case ControlKind::Number:
            r.onText(w, [this, w](const std::string& text) { NumberEdited(w, text); });
            break;
        case ControlKind::Time:
            r.onText(w, [this, w](const std::string& text) { TimeEdited(w, text); });
            break;
        case ControlKind::Text:
            r.onText(w, [this, w](const std::string& text) { TextEdited(w, text); });
            break;
        case ControlKind::ListIndex:
        case ControlKind::Color:
            break;
        }
    }
    for (const auto& w : {n::ServerEdit, n::PortEdit, n::UserEdit, n::PasswordEdit})
        r.onText(w, [this, w](const std::string& text) { TextEdited(w, text); });
    r.onIndex(n::OpacitySlider, [this](int position) { OpacityMoved(position); });
    r.onIndex(n::ModemPortList, [this](int index) { PortChosen(index); });
    r.onClick(n::ModemInfoButton, [this] { ModemInfo(); });
    r.onClick(n::ColorButton, [this] { ChooseColor(); });
    r.onClick(n::ClockButton, [this] { SynchronizeClock(); });

    r.onIndex(n::RuleList, [this](int index) { rules_.RuleClicked(index); });
    r.onClick(n::RuleBrowseButton, [this] { rules_.Browse(); });
    r.onClick(n::RuleAddButton, [this] { rules_.Add(); });
    r.onClick(n::RuleRemoveButton, [this] { rules_.Remove(); });
    r.onClick(n::RuleChangeButton, [this] { rules_.Change(); });

    r.onIndex(n::AccountList, [this](int index) { accounts_.AccountChosen(index); });
    r.onClick(n::AccountAddButton, [this] { accounts_.Add(); });
    r.onClick(n::AccountRemoveButton, [this] { accounts_.Remove(); });
    r.onClick(n::AccountChangeButton, [this] { accounts_.Change(); });
    r.onClick(n::MailClientButton, [this] { BrowseMailClient(); });
}

} // namespace qv::settingsdialog
