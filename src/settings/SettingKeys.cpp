#include "settings/SettingKeys.h"

#include <array>

namespace qv::settings {
namespace {

using R = SettingsRecord;

constexpr SettingKey flag(std::string_view section, std::string_view key, bool def, RecordField field) {
    return {section, key, ValueForm::Flag, def ? 1 : 0, 0.0, {}, field, DialogRoute::Control};
}

constexpr SettingKey integer(std::string_view section, std::string_view key, std::int32_t def, RecordField field,
                             DialogRoute route = DialogRoute::Control) {
    return {section, key, ValueForm::Integer, def, 0.0, {}, field, route};
}

constexpr SettingKey numberText(std::string_view section, std::string_view key, std::string_view defText,
                                std::int32_t def, RecordField field) {
    return {section, key, ValueForm::NumberText, def, 0.0, defText, field, DialogRoute::Control};
}

constexpr SettingKey decimal(std::string_view section, std::string_view key, double def, RecordField field) {
    return {section, key, ValueForm::Decimal, 0, def, {}, field, DialogRoute::Control};
}

constexpr SettingKey timeOfDay(std::string_view section, std::string_view key, RecordField field) {
    return {section, key, ValueForm::Time, 0, 0.0, "00:00:00", field, DialogRoute::Control};
}

constexpr SettingKey text(std::string_view section, std::string_view key, RecordField field) {
    return {section, key, ValueForm::Text, 0, 0.0, "", field, DialogRoute::Control};
}

const std::array kKeys{
    flag("AutoStart", "Spustit", false, &R::runAtLogon),
    flag("Pripojeni", "Auto", false, &R::connectAtStart),
    flag("Pripojeni", "ReDial", true, &R::redialOnDrop),
    flag("Pripojeni", "721", true, &R::retryAfterError720or721),
    flag("Pripojeni", "ReDialTime", false, &R::timeLimitOn),
    numberText("Pripojeni", "ReDialTimeHodnota", "30", 30, &R::timeLimitMinutes),
    flag("Pripojeni", "ReDialTimeP", false, &R::timeLimitReconnect),
    flag("Pripojeni", "ReData", false, &R::dataLimitOn),
    numberText("Pripojeni", "ReDataHodnota", "30", 30, &R::dataLimitMB),
    flag("Pripojeni", "ReDataP", false, &R::dataLimitReconnect),
    numberText("Pripojeni", "Prodleva", "20", 20, &R::reconnectDelaySeconds),
    flag("Download", "Restart", false, &R::slowDownloadOn),
    numberText("Download", "Down", "2", 2, &R::slowDownloadKBps),
    numberText("Download", "Time", "45", 45, &R::slowDownloadMinutes),
    flag("Download", "Připojit", false, &R::slowDownloadReconnect),
    flag("Modem", "Restart", true, &R::restartModemOnDisconnect),
    integer("Modem", "Port", -1, &R::modemPortIndex),
    decimal("Modem", "Timeout", 1.5, &R::modemTimeoutSeconds),
    flag("Aplikace", "Pripojeni", false, &R::minimizeOnConnect),
    flag("Aplikace", "Odpojeni", false, &R::restoreOnDisconnect),
    flag("Prenos", "Registry", true, &R::meterByCounters),
    flag("Prenos", "Pakety", false, &R::meterByPackets),
    flag("Okno", "Show", true, &R::floatWindowOnConnect),
    numberText("Okno", "Data", "1", 1, &R::floatWarnMB),
    numberText("Okno", "Time", "30", 30, &R::floatWarnSeconds),
    integer("Okno", "Pruhled", 25, &R::floatOpacity),
    flag("Ukladani", "Ukladat", true, &R::periodicSaveOn),
    numberText("Ukladani", "Po", "60", 60, &R::periodicSaveMinutes),
    flag("Odstraneni", "Odstranit", true, &R::purgeOldOn),
    numberText("Odstraneni", "Po", "60", 60, &R::purgeAgeDays),
    flag("AutoRestart", "Restart", false, &R::pingWatchdogOn),
    flag("Email", "Kontrola", false, &R::mailCheckOn),
    numberText("Email", "Interval", "60", 60, &R::mailCheckMinutes),
    flag("Email", "Zvuk", true, &R::mailSoundOn),
    flag("Email", "Klient", false, &R::mailOpenClient),
    text("Email", "Path", &R::mailClientPath),
    flag("Pripojit", "Ano", false, &R::scheduledConnectOn),
    timeOfDay("Pripojit", "V", &R::scheduledConnectTime),
    flag("Odpojit", "Ano", false, &R::scheduledDisconnectOn),
    timeOfDay("Odpojit", "V", &R::scheduledDisconnectTime),
    flag("Odpojit", "Vypnout", false, &R::shutdownAfterScheduledDisconnect),
    integer("Ucet", "Hodnota", -1, &R::cdmaAccountIndex, DialogRoute::AccountList),
    // The "Spustit v" box of the external application editor; only the dialog shows it.
    flag("A1", "Spustit", false, std::monostate{}),
};

} // namespace

std::span<const SettingKey> settingKeys() {
    return kKeys;
}

} // namespace qv::settings
