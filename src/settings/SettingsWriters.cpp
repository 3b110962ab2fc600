#include "settings/SettingsWriters.h"

#include <array>
#include <string>

namespace qv::settings {

bool writeDefaultAccount(SettingsFile& file, std::int32_t index) {
    return file.writeInt("Ucet", "Hodnota", index);
}

bool writeFloatPosition(SettingsFile& file, std::int32_t left, std::int32_t top) {
    const std::string leftText = std::to_string(left);
    const std::string topText = std::to_string(top);
    const std::array entries{ProfileEntry{"Okno", "Left", leftText}, ProfileEntry{"Okno", "Top", topText}};
    return file.write(entries);
}

bool clearScheduledConnect(SettingsFile& file) {
    return file.writeInt("Pripojit", "Ano", 0);
}

bool clearScheduledDisconnect(SettingsFile& file) {
    return file.writeInt("Odpojit", "Ano", 0);
}

} // namespace qv::settings
