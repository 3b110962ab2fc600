#pragma once

#include "settings/SettingsFile.h"

#include <cstdint>

namespace qv::settings {

// The single-key writers used outside the settings dialog. Each rewrites the file at once (creating it when
// missing) and leaves the settings record alone: the change reaches the record at the next load. False when the
// file could not be written; the caller logs it.

/// [Ucet] Hodnota: the account ticked as the default in the main window.
bool writeDefaultAccount(SettingsFile& file, std::int32_t index);
/// [Okno] Left and Top, in one rewrite: the floating window after a drag.
bool writeFloatPosition(SettingsFile& file, std::int32_t left, std::int32_t top);
/// [Pripojit] Ano = 0, right after the scheduled dial has started.
bool clearScheduledConnect(SettingsFile& file);
/// [Odpojit] Ano = 0, right after the scheduled hang-up.
bool clearScheduledDisconnect(SettingsFile& file);

} // namespace qv::settings
