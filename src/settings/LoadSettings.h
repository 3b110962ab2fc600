#pragma once

#include "settings/SettingKeys.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv::settings {

/// The settings dialog's controls as the dialog-mode load sees them; the settings dialog implements it. Each show
/// call puts the file's value of `key` into its control and returns what the control holds afterwards, which is
/// what the record takes. Called on the user-interface thread, once per key, in the order of settingKeys().
class SettingsDialogControls {
public:
    virtual ~SettingsDialogControls() = default;

    virtual bool showFlag(const SettingKey& key, bool value) = 0;
    virtual std::int32_t showInteger(const SettingKey& key, std::int32_t value) = 0;
    /// The number field shows `text`; returns the field's text as an integer, nothing when it is not one (the key's
    /// default integer is then stored).
    virtual std::optional<std::int32_t> showNumberText(const SettingKey& key, const std::string& text) = 0;
    virtual double showDecimal(const SettingKey& key, double value) = 0;
    virtual double showTime(const SettingKey& key, double value) = 0;
    virtual std::string showText(const SettingKey& key, const std::string& value) = 0;
    /// [Ucet] Hodnota, which this mode does not store in the record: the main window's account list selects that
    /// entry; nothing (key missing or not a number) selects none.
    virtual void selectDefaultAccount(std::optional<std::int32_t> index) = 0;
};

/// The floating window's left and top edges in pixels.
struct FloatPosition {
    std::int32_t left = 0;
    std::int32_t top = 0;
    bool operator==(const FloatPosition&) const = default;
};

/// Values loaded with the settings that the record does not hold.
struct LoadedWindowSettings {
    std::uint32_t color; ///< [Aplikace] Barva for the main window: 0x00BBGGRR, or a system colour code 0xFFxxxxxx
    FloatPosition floatPosition; ///< [Okno] Left and Top
};

/// The system colour of window backgrounds, as [Aplikace] Barva stores it when unset (-16777211).
inline constexpr std::uint32_t kWindowBackgroundColor = 0xFF000005u;

/// Fills `record` from the settings file, every key with its default when missing.
///
/// Without `dialog` this is the record-only load. With it, each key first goes through its dialog control and the
/// record takes the control's value; [Ucet] Hodnota then selects the main window's account list and leaves
/// record.cdmaAccountIndex as it was.
///
/// An integer the field cannot hold (ReDataHodnota=70000 into a 16-bit field) takes the key's default rather than
/// wrapping into an unrelated limit. floatOpacity 26 … 255 is cut to 25, so the window's alpha never passes 250.
/// A modemTimeoutSeconds of 0 or less becomes 1.5.
///
/// `floatDefault` is the floating window's position when the file has none: the screen width − 200 and the main
/// window's top edge.
LoadedWindowSettings LoadSettings(const SettingsFile& file, SettingsRecord& record, FloatPosition floatDefault,
                                  SettingsDialogControls* dialog = nullptr);

/// [Ucet] Hodnota as the main window reads it at activation to select its default account (default 0).
std::int32_t readDefaultAccountIndex(const SettingsFile& file);

} // namespace qv::settings
