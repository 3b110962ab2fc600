#pragma once

#include <cstdint>
#include <string>

namespace qv::settings {

/// The in-memory copy of "Nastaveni.ini". One record lives for the whole run, owned by the main window; only
/// LoadSettings writes it. The initial values are those of a missing file. Times of day are fractions of a day.
struct SettingsRecord {
    bool floatWindowOnConnect = true;
    std::uint16_t floatWarnMB = 1;
    std::uint16_t floatWarnSeconds = 30;
    bool connectAtStart = false;
    bool runAtLogon = false;
    bool minimizeOnConnect = false;
    bool restoreOnDisconnect = false;
    bool meterByCounters = true;
    bool meterByPackets = false;
    std::int16_t modemPortIndex = -1; ///< into "Com1" … "Com16"; -1 = no port chosen
    std::int16_t cdmaAccountIndex = -1;
    bool redialOnDrop = true;
    bool timeLimitOn = false;
    bool timeLimitReconnect = false;
    bool dataLimitOn = false;
    bool dataLimitReconnect = false;
    bool slowDownloadOn = false;
    bool slowDownloadReconnect = false;
    bool restartModemOnDisconnect = true;
    std::uint16_t timeLimitMinutes = 30;
    std::uint16_t dataLimitMB = 30;
    std::uint16_t slowDownloadKBps = 2;
    std::uint16_t slowDownloadMinutes = 45;
    std::uint16_t reconnectDelaySeconds = 20;
    bool periodicSaveOn = true;
    bool purgeOldOn = true;
    bool pingWatchdogOn = false;
    std::uint16_t periodicSaveMinutes = 60;
    std::uint16_t purgeAgeDays = 60;
    bool retryAfterError720or721 = true;
    bool mailCheckOn = false;
    std::uint8_t floatOpacity = 25; ///< 0 … 25; the floating window's alpha is ten times this
    std::uint16_t mailCheckMinutes = 60;
    bool mailOpenClient = false;
    std::string mailClientPath;
    double modemTimeoutSeconds = 1.5;
    bool scheduledConnectOn = false;
    bool scheduledDisconnectOn = false;
    bool shutdownAfterScheduledDisconnect = false;
    double scheduledConnectTime = 0.0;
    double scheduledDisconnectTime = 0.0;
    bool mailSoundOn = true;

    bool operator==(const SettingsRecord&) const = default;
};

} // namespace qv::settings
