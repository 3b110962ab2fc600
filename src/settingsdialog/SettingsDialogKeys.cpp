#include "settingsdialog/SettingsDialogKeys.h"

#include "common/Cp1250.h"
#include "common/Formats.h"

#include <array>
#include <cmath>
#include <stdexcept>

namespace qv::settingsdialog {

namespace {

using K = ControlKind;

constexpr std::array kSavedKeys{
    DialogKey{"AutoStart", "Spustit", n::AutoStartBox, K::Box},
    DialogKey{"Pripojeni", "ReDial", n::ReDialBox, K::Box},
    DialogKey{"Pripojeni", "ReDialTime", n::ReDialTimeBox, K::Box},
    DialogKey{"Pripojeni", "ReDialTimeHodnota", n::ReDialTimeField, K::Number},
    DialogKey{"Pripojeni", "ReDialTimeP", n::ReDialTimeReconnect, K::Box},
    DialogKey{"Pripojeni", "ReData", n::ReDataBox, K::Box},
    DialogKey{"Pripojeni", "ReDataHodnota", n::ReDataField, K::Number},
    DialogKey{"Pripojeni", "ReDataP", n::ReDataReconnect, K::Box},
    DialogKey{"Pripojeni", "721", n::Retry721Box, K::Box},
    DialogKey{"Aplikace", "Pripojeni", n::MinimizeBox, K::Box},
    DialogKey{"Aplikace", "Odpojeni", n::RestoreBox, K::Box},
    DialogKey{"Aplikace", "Barva", n::TForm2, K::Color},
    DialogKey{"Modem", "Restart", n::UsbRestartBox, K::Box},
    DialogKey{"Download", "Restart", n::SlowBox, K::Box},
    DialogKey{"Download", "Down", n::SlowSpeedField, K::Number},
    DialogKey{"Download", "Time", n::SlowTimeField, K::Number},
    DialogKey{"Download", "Připojit", n::SlowReconnect, K::Box},
    DialogKey{"Pripojeni", "Auto", n::AutoConnectBox, K::Box},
    DialogKey{"Okno", "Show", n::FloatShowBox, K::Box},
    DialogKey{"Okno", "Data", n::FloatDataField, K::Number},
    DialogKey{"Okno", "Time", n::FloatTimeField, K::Number},
    DialogKey{"Pripojeni", "Prodleva", n::DelayField, K::Number},
    DialogKey{"Modem", "Port", n::ModemPortList, K::ListIndex},
    DialogKey{"Modem", "Timeout", n::TimeoutField, K::Number},
    DialogKey{"Prenos", "Registry", n::CountersOption, K::Box},
    DialogKey{"Prenos", "Pakety", n::PacketsOption, K::Box},
    // The rule editor's fields as they stand.
    DialogKey{"A1", "Cesta", n::RulePath, K::Text},
    DialogKey{"A1", "VypnoutTime", n::StopSecondsField, K::Number},
    DialogKey{"A1", "VypnoutData", n::StopMegabytesField, K::Number},
    DialogKey{"A1", "SpustitPo", n::StartSecondsField, K::Number},
    DialogKey{"A1", "Spustit", n::StartAtBox, K::Box},
    DialogKey{"A1", "SpustitV", n::StartAtTime, K::Time},
    DialogKey{"A1", "Ukoncit", n::StopAtBox, K::Box},
    DialogKey{"A1", "UkoncitV", n::StopAtTime, K::Time},
    DialogKey{"Okno", "Pruhled", n::OpacitySlider, K::ListIndex},
    DialogKey{"Ukladani", "Ukladat", n::PeriodicSaveBox, K::Box},
    DialogKey{"Ukladani", "Po", n::PeriodicSaveField, K::Number},
    DialogKey{"Odstraneni", "Odstranit", n::PurgeBox, K::Box},
    DialogKey{"Odstraneni", "Po", n::PurgeField, K::Number},
    DialogKey{"AutoRestart", "Restart", n::PingRestartBox, K::Box},
    DialogKey{"Email", "Kontrola", n::MailCheckBox, K::Box},
    DialogKey{"Email", "Interval", n::MailIntervalField, K::Number},
    DialogKey{"Email", "Klient", n::MailClientBox, K::Box},
    DialogKey{"Email", "Path", n::MailClientPath, K::Text},
    DialogKey{"Email", "Zvuk", n::MailSoundBox, K::Box},
    DialogKey{"Pripojit", "Ano", n::ConnectAtBox, K::Box},
    DialogKey{"Pripojit", "V", n::ConnectAtTime, K::Time},
    DialogKey{"Odpojit", "Ano", n::DisconnectAtBox, K::Box},
    DialogKey{"Odpojit", "V", n::DisconnectAtTime, K::Time},
    DialogKey{"Odpojit", "Vypnout", n::PowerOffBox, K::Box},
};

std::string listIndexText(const shell::WindowView& view, const DialogKey& k) {
    const NumberField* field = numberField(k.control);
    const int index = view.get(k.control).index;
    return std::to_string(field ? static_cast<int>(clampToField(*field, index)) : index);
}

} // namespace

std::span<const DialogKey> savedKeys() {
    return kSavedKeys;
}

const DialogKey* controlOf(std::string_view section, std::string_view key) {
    for (const DialogKey& k : kSavedKeys)
        if (cp1250::equalsIgnoreCaseUtf8(k.section, section) && cp1250::equalsIgnoreCaseUtf8(k.key, key))
            return &k;
    return nullptr;
}

std::vector<SavedEntry> entriesToSave(const shell::WindowView& view) {
    std::vector<SavedEntry> out;
    out.reserve(kSavedKeys.size());
    for (const DialogKey& k : kSavedKeys) {
        const shell::WidgetState& state = view.get(k.control);
        std::string value;
        switch (k.kind) {
        case K::Box:
            value = state.checked ? "1" : "0";
            break;
        case K::Number:
        case K::Time:
        case K::Text:
            value = state.text;
            break;
        case K::ListIndex:
            value = listIndexText(view, k);
            break;
        case K::Color:
            value = std::to_string(static_cast<std::int32_t>(state.color.value_or(settings::kWindowBackgroundColor)));
            break;
        }
        out.push_back({std::string(k.section), std::string(k.key), std::move(value)});
    }
    return out;
}

const NumberField* numberField(const shell::WidgetName& widget) {
    for (const NumberField& f : kNumberFields)
        if (f.name == widget)
            return &f;
    return nullptr;
}

double clampToField(const NumberField& field, double value) {
    const double scale = std::pow(10.0, field.decimals);
    const double rounded = std::round(value * scale) / scale;
    return rounded < field.min ? field.min : rounded > field.max ? field.max : rounded;
}

std::string numberText(const NumberField& field, double value, const LocaleFormats& locale) {
    const double v = clampToField(field, value);
    if (field.decimals == 0)
        return std::to_string(static_cast<long long>(v));
    return formatFixed(v, 15, field.decimals, locale);
}

std::optional<double> parseNumberText(std::string_view text, const LocaleFormats& locale) {
    const auto value = parseDecimal(text, locale);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

void setOption(shell::WindowView& view, const shell::WidgetName& option, bool checked) {
    view.setChecked(option, checked);
    if (checked)
        view.setChecked(option == n::CountersOption ? n::PacketsOption : n::CountersOption, false);
}

ViewControls::ViewControls(shell::WindowView& view, const LocaleFormats& locale,
                           std::function<void(std::optional<std::int32_t>)> selectDefaultAccount)
    : view_(view), locale_(locale), selectDefaultAccount_(std::move(selectDefaultAccount)) {}

const DialogKey& ViewControls::control(const settings::SettingKey& key) const {
    const DialogKey* k = controlOf(key.section, key.key);
    if (!k)
        throw std::logic_error("the settings dialog has no control for " + std::string(key.section) + "/" +
                               std::string(key.key));
    return *k;
}

bool ViewControls::showFlag(const settings::SettingKey& key, bool value) {
    const DialogKey& k = control(key);
    if (k.control == n::CountersOption || k.control == n::PacketsOption)
        setOption(view_, k.control, value);
    else
        view_.setChecked(k.control, value);
    return view_.get(k.control).checked;
}

std::int32_t ViewControls::showInteger(const settings::SettingKey& key, std::int32_t value) {
    const DialogKey& k = control(key);
    const NumberField* field = numberField(k.control);
    int index = value;
    if (k.control == n::ModemPortList) {
        // A port the list does not hold is no port.
        if (value < field->min || value > field->max)
            index = -1;
    } else if (field) {
        index = static_cast<int>(clampToField(*field, value));
    }
    view_.setIndex(k.control, index);
    return view_.get(k.control).index;
}

std::optional<std::int32_t> ViewControls::showNumberText(const settings::SettingKey& key, const std::string& text) {
    const DialogKey& k = control(key);
    const NumberField* field = numberField(k.control);
    auto value = parseNumberText(text, locale_);
    if (!value)
        value = parseNumberText(key.defaultText, locale_);
    if (!value || !field)
        return std::nullopt;
    const std::string shown = numberText(*field, *value, locale_);
    view_.setText(k.control, shown);
    return static_cast<std::int32_t>(clampToField(*field, *value));
}

double ViewControls::showDecimal(const settings::SettingKey& key, double value) {
    const DialogKey& k = control(key);
    const NumberField* field = numberField(k.control);
    // What the record-only load turns into the default turns into it here too, before the field's limits apply.
    if (!std::isfinite(value) || !(value > 0.0))
        value = key.defaultReal;
    if (!field)
        return value;
    view_.setText(k.control, numberText(*field, value, locale_));
    return clampToField(*field, value);
}

double ViewControls::showTime(const settings::SettingKey& key, double value) {
    const DialogKey& k = control(key);
    view_.setText(k.control, formatLongTime(value, locale_));
    return value;
}

std::string ViewControls::showText(const settings::SettingKey& key, const std::string& value) {
    const DialogKey& k = control(key);
    view_.setText(k.control, value);
    return view_.get(k.control).text;
}

void ViewControls::selectDefaultAccount(std::optional<std::int32_t> index) {
    if (selectDefaultAccount_)
        selectDefaultAccount_(index);
}

} // namespace qv::settingsdialog
