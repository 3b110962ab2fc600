#include "settings/LoadSettings.h"

#include <limits>
#include <type_traits>
#include <variant>

namespace qv::settings {
namespace {

constexpr std::uint8_t kMaxFloatOpacity = 25;
constexpr double kDefaultModemTimeout = 1.5;

/// A key's value before it reaches its field: an integer (flags as 0/1), a real, or a text.
using KeyValue = std::variant<std::int32_t, double, std::string>;

KeyValue readFromFile(const SettingsReader& file, const SettingKey& k) {
    switch (k.form) {
    case ValueForm::Flag:
        return std::int32_t{file.readFlag(k.section, k.key, k.defaultInt != 0)};
    case ValueForm::Integer:
    case ValueForm::NumberText:
        return file.readInt(k.section, k.key, k.defaultInt);
    case ValueForm::Decimal:
        return file.readDecimal(k.section, k.key, k.defaultReal);
    case ValueForm::Time:
        return file.readTime(k.section, k.key, k.defaultReal);
    case ValueForm::Text:
        return file.readText(k.section, k.key, k.defaultText);
    }
    return std::int32_t{k.defaultInt};
}

KeyValue readThroughDialog(const SettingsReader& file, const SettingKey& k, SettingsDialogControls& dialog) {
    switch (k.form) {
    case ValueForm::Flag:
        return std::int32_t{dialog.showFlag(k, file.readFlag(k.section, k.key, k.defaultInt != 0))};
    case ValueForm::Integer:
        return dialog.showInteger(k, file.readInt(k.section, k.key, k.defaultInt));
    case ValueForm::NumberText:
        return dialog.showNumberText(k, file.readNumberText(k.section, k.key, k.defaultText)).value_or(k.defaultInt);
    case ValueForm::Decimal:
        return dialog.showDecimal(k, file.readDecimal(k.section, k.key, k.defaultReal));
    case ValueForm::Time:
        return dialog.showTime(k, file.readTime(k.section, k.key, k.defaultReal));
    case ValueForm::Text:
        return dialog.showText(k, file.readText(k.section, k.key, k.defaultText));
    }
    return std::int32_t{k.defaultInt};
}

template <class T>
bool fits(std::int32_t v) {
    return v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max();
}

/// A value of the wrong kind for its field is a fault in the key table; std::get then throws.
void store(SettingsRecord& record, const SettingKey& k, const KeyValue& value) {
    std::visit(
        [&](auto member) {
            if constexpr (!std::is_same_v<decltype(member), std::monostate>) {
                using T = std::remove_reference_t<decltype(record.*member)>;
                if constexpr (std::is_same_v<T, bool>) {
                    record.*member = std::get<std::int32_t>(value) != 0;
                } else if constexpr (std::is_integral_v<T>) {
                    const auto n = std::get<std::int32_t>(value);
                    record.*member = static_cast<T>(fits<T>(n) ? n : k.defaultInt);
                } else {
                    record.*member = std::get<T>(value);
                }
            }
        },
        k.field);
}

} // namespace

LoadedWindowSettings LoadSettings(const SettingsFile& settingsFile, SettingsRecord& record, FloatPosition floatDefault,
                                  SettingsDialogControls* dialog) {
    const SettingsReader file = settingsFile.reader();
    for (const SettingKey& k : settingKeys()) {
        if (!dialog) {
            if (!std::holds_alternative<std::monostate>(k.field))
                store(record, k, readFromFile(file, k));
        } else if (k.dialogRoute == DialogRoute::AccountList) {
            const auto raw = file.readString(k.section, k.key);
            dialog->selectDefaultAccount(raw ? parseProfileInt(*raw) : std::nullopt);
        } else {
            store(record, k, readThroughDialog(file, k, *dialog));
        }
    }
    if (record.floatOpacity > kMaxFloatOpacity)
        record.floatOpacity = kMaxFloatOpacity;
    if (!(record.modemTimeoutSeconds > 0.0)) // NaN too
        record.modemTimeoutSeconds = kDefaultModemTimeout;

    LoadedWindowSettings out{};
    out.color = static_cast<std::uint32_t>(
        file.readInt("Aplikace", "Barva", static_cast<std::int32_t>(kWindowBackgroundColor)));
    out.floatPosition.left = file.readInt("Okno", "Left", floatDefault.left);
    out.floatPosition.top = file.readInt("Okno", "Top", floatDefault.top);
    return out;
}

std::int32_t readDefaultAccountIndex(const SettingsFile& file) {
    return file.reader().readInt("Ucet", "Hodnota", 0);
}

} // namespace qv::settings
