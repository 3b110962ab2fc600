#pragma once

#include "settings/SettingsRecord.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

namespace qv::settings {

/// How a value is written in the settings file.
enum class ValueForm {
    Flag,       ///< "1" / "0"; any integer other than 0 is on
    Integer,    ///< decimal, or hexadecimal after "0x"
    NumberText, ///< the text of a dialog number field ("30")
    Decimal,    ///< with the locale's decimal separator ("1,5")
    Time,       ///< a time of day in the long time format ("7:30:00")
    Text,       ///< unchanged (a file path)
};

/// The record field a key fills; monostate for a key the record does not hold.
using RecordField = std::variant<std::monostate, bool SettingsRecord::*, std::uint8_t SettingsRecord::*,
                                 std::uint16_t SettingsRecord::*, std::int16_t SettingsRecord::*,
                                 double SettingsRecord::*, std::string SettingsRecord::*>;

/// Where the dialog-mode load sends a key.
enum class DialogRoute {
    Control,    ///< into its control of the settings dialog, and from there into the record
    AccountList ///< [Ucet] Hodnota: selects the main window's account list instead of filling the record
};

/// One key of the settings file with its form and defaults. Names are UTF-8.
struct SettingKey {
    std::string_view section;
    std::string_view key;
    ValueForm form;
    std::int32_t defaultInt;      ///< flag, integer and number text
    double defaultReal;           ///< decimal and time
    std::string_view defaultText; ///< number text and text, as the dialog shows it
    RecordField field;
    DialogRoute dialogRoute;
};

/// Every key that LoadSettings reads, in the order of the file's key table. [Aplikace] Barva and [Okno] Left/Top
/// are read by LoadSettings itself; they fill no record field.
std::span<const SettingKey> settingKeys();

} // namespace qv::settings
