#pragma once

#include "common/LocaleFormats.h"
#include "settings/LoadSettings.h"
#include "settingsdialog/SettingsDialogFields.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::settingsdialog {

/// How a control holds its key's value.
enum class ControlKind {
    Box,       ///< a check box or an option button: "1" / "0"
    Number,    ///< a number field: its text
    Time,      ///< a time field: its long time text
    Text,      ///< a path text, unchanged
    ListIndex, ///< a drop-down list or the slider: the index as an integer
    Color,     ///< the dialog's own colour, as a signed integer
};

/// A key of the settings file and the dialog control that edits it.
struct DialogKey {
    std::string_view section;
    std::string_view key;
    shell::WidgetName control;
    ControlKind kind;
};

/// Every key the save writes, in the order it writes them (a new file gets its sections in this order). [Okno]
/// Left and Top and [Ucet] Hodnota are not among them: the dialog never writes those.
std::span<const DialogKey> savedKeys();
/// The entry of a key (matched as the file matches keys, without regard to letter case); nullptr for a key the
/// dialog has no control for.
const DialogKey* controlOf(std::string_view section, std::string_view key);

/// One key as the save writes it.
struct SavedEntry {
    std::string section;
    std::string key;
    std::string value;
    bool operator==(const SavedEntry&) const = default;
};
/// What the save writes for the dialog as `view` shows it, in order. The Qt dialog and the logic write the same
/// bytes exactly when their views give the same entries, so tests of either side compare against this.
std::vector<SavedEntry> entriesToSave(const shell::WindowView& view);

/// The limits of a number field, the slider or the port list; nullptr for any other widget.
const NumberField* numberField(const shell::WidgetName& widget);
/// `value` within the field's limits and rounded to its decimals.
double clampToField(const NumberField& field, double value);
/// The text the field shows for `value` (clamped): its decimals, the locale's decimal separator.
std::string numberText(const NumberField& field, double value, const LocaleFormats& locale);
/// A number field's text as a number: digits with the locale's decimal separator or a point. Nothing for
/// anything else.
std::optional<double> parseNumberText(std::string_view text, const LocaleFormats& locale);

/// The dialog's controls as LoadSettings fills them: each value goes into the control of its key, clamped to the
/// control's limits, and the record takes what the control then holds. A number text that is not a number shows the
/// key's default, and so does a modem wait of 0 or less, as in the record-only load. The two metering options exclude
/// each other as option buttons do: ticking one clears the other.
class ViewControls final : public settings::SettingsDialogControls {
public:
    ViewControls(shell::WindowView& view, const LocaleFormats& locale,
                 std::function<void(std::optional<std::int32_t>)> selectDefaultAccount);

    bool showFlag(const settings::SettingKey& key, bool value) override;
    std::int32_t showInteger(const settings::SettingKey& key, std::int32_t value) override;
    std::optional<std::int32_t> showNumberText(const settings::SettingKey& key, const std::string& text) override;
    double showDecimal(const settings::SettingKey& key, double value) override;
    double showTime(const settings::SettingKey& key, double value) override;
    std::string showText(const settings::SettingKey& key, const std::string& value) override;
    void selectDefaultAccount(std::optional<std::int32_t> index) override;

private:
    const DialogKey& control(const settings::SettingKey& key) const;

    shell::WindowView& view_;
    const LocaleFormats& locale_;
    std::function<void(std::optional<std::int32_t>)> selectDefaultAccount_;
};

/// Ticks one of the two metering options and clears the other, as an option group does; clearing one leaves the
/// other alone.
void setOption(shell::WindowView& view, const shell::WidgetName& option, bool checked);

} // namespace qv::settingsdialog
