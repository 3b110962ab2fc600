#pragma once

#include "settingsdialog/SettingsDialogNames.h"

#include <array>

namespace qv::settingsdialog {

/// A number field of the settings dialog: the user cannot type into it, its arrows step by `step` within
/// [min, max], and its text shows `decimals` places. The dialog logic clamps what it shows to these limits and the
/// widgets are built from the same table, so the two cannot disagree.
struct NumberField {
    shell::WidgetName name;
    double min;
    double max;
    double step;
    int decimals;
};

namespace n = names::TForm2;

inline constexpr std::array<NumberField, 17> kNumberFields{{
    {n::ReDialTimeField, 1, 10000, 1, 0},
    {n::ReDataField, 1, 10000, 1, 0},
    {n::SlowTimeField, 1, 1000, 1, 0},
    {n::SlowSpeedField, 0, 1000, 1, 0},
    {n::DelayField, 10, 1000, 1, 0},
    {n::PeriodicSaveField, 20, 1000, 1, 0},
    {n::PurgeField, 1, 365, 1, 0},
    {n::TimeoutField, 1, 5, 0.5, 1},
    {n::FloatDataField, 1, 100, 1, 0},
    {n::FloatTimeField, 10, 255, 1, 0},
    {n::StopSecondsField, 0, 1000, 1, 0},
    {n::StopMegabytesField, 0, 1000, 1, 0},
    {n::StartSecondsField, 0, 1000, 1, 0},
    {n::MailIntervalField, 1, 1000, 1, 0},
    // The slider: position 0 … 25, alpha = position × 10.
    {n::OpacitySlider, 0, 25, 1, 0},
    {n::PageList, 0, 5, 1, 0},
    {n::ModemPortList, -1, 15, 1, 0},
}};

/// The page list's items in order, and the group each shows.
struct Page {
    const char* item;
    shell::WidgetName group;
};
inline constexpr std::array<Page, 6> kPages{{
    {"Připojení a odpojení", n::ConnectGroup},
    {"Externí aplikace", n::AppsGroup},
    {"Plovoucí okno", n::FloatGroup},
    {"Ostatní", n::OtherGroup},
    {"Start aplikace, ukončení, vypnutí", n::StartGroup},
    {"Nastavení kontroly emailů", n::MailGroup},
}};

} // namespace qv::settingsdialog
