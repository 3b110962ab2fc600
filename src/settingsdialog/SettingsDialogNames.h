#pragma once

#include "shell/WidgetName.h"

namespace qv::names {

// clang-format off

// TForm2 "Nastavení", the settings dialog. PagesGroup "Položky nastavení" holds PageList; one group per page, all at
// one place, of which PageList shows one; SaveButton "Uložit nastavení" and CancelButton "Storno" below.
// Number fields (…Field) show their value as text; limits and steps are in SettingsDialogFields.h. Time fields
// (…Time) show a long time text "H:MM:SS". Unit and caption labels next to a control are named after it.
#define QV_TFORM2_NAMES(X)                                                                                             \
    X(PagesGroup) X(PageList) X(SaveButton) X(CancelButton)                                                            \
    /* "Připojeni, odpojení" */                                                                                        \
    X(ConnectGroup) X(ReDialBox)                                                                                       \
    X(ReDialTimeBox) X(ReDialTimeField) X(ReDialTimeUnit) X(ReDialTimeAction) X(ReDialTimeReconnect)                   \
    X(ReDataBox) X(ReDataField) X(ReDataUnit) X(ReDataAction) X(ReDataReconnect)                                       \
    X(SlowBox) X(SlowTimeField) X(SlowTimeUnit) X(SlowSpeedLabel) X(SlowSpeedField) X(SlowSpeedUnit) X(SlowAction)     \
    X(SlowReconnect)                                                                                                   \
    X(DelayLabel) X(DelayField) X(DelayUnit) X(UsbRestartBox) X(PingRestartBox) X(Retry721Box)                         \
    /* "Externí aplikace" */                                                                                           \
    X(AppsGroup) X(RuleList)                                                                                           \
    X(StopSecondsLabel) X(StopSecondsField) X(StopSecondsUnit)                                                         \
    X(StopMegabytesLabel) X(StopMegabytesField) X(StopMegabytesUnit)                                                   \
    X(StartSecondsLabel) X(StartSecondsField) X(StartSecondsUnit)                                                      \
    X(StartAtBox) X(StartAtTime) X(StopAtBox) X(StopAtTime)                                                            \
    X(RulePath) X(RuleBrowseButton) X(RuleAddButton) X(RuleRemoveButton) X(RuleChangeButton)                           \
    /* "Plovoucí okno" */                                                                                              \
    X(FloatGroup) X(FloatShowBox) X(FloatWarnLabel) X(FloatDataField) X(FloatDataUnit) X(FloatTimeField)               \
    X(FloatTimeUnit) X(OpacityLabel) X(OpacitySlider)                                                                  \
    /* "Ostatní" */                                                                                                    \
    X(OtherGroup) X(RestoreBox) X(MinimizeBox) X(MeteringGroup) X(CountersOption) X(PacketsOption)                     \
    X(PeriodicSaveBox) X(PeriodicSaveField) X(PeriodicSaveUnit) X(PurgeBox) X(PurgeField) X(PurgeUnit)                 \
    X(ModemPortLabel) X(ModemPortList) X(ModemInfoButton) X(TimeoutLabel) X(TimeoutField) X(TimeoutUnit)              \
    X(ColorLabel) X(ColorButton) X(ClockLabel) X(ClockButton)                                                          \
    /* "Start aplikace" */                                                                                             \
    X(StartGroup) X(AutoConnectBox) X(AutoStartBox) X(ConnectAtBox) X(ConnectAtTime) X(DisconnectAtBox)                \
    X(DisconnectAtTime) X(PowerOffBox)                                                                                 \
    /* "Nastavení kontroly emailů" */                                                                                  \
    X(MailGroup) X(AccountsLabel) X(AccountList) X(ServerLabel) X(ServerEdit) X(PortLabel) X(PortEdit) X(UserLabel)    \
    X(UserEdit) X(PasswordLabel) X(PasswordEdit) X(AccountAddButton) X(AccountRemoveButton) X(AccountChangeButton)     \
    X(MailCheckBox) X(MailIntervalField) X(MailIntervalUnit) X(MailSoundBox) X(MailClientBox) X(MailClientPath)       \
    X(MailClientButton)
QV_WINDOW_NAMES(TForm2, QV_TFORM2_NAMES)
#undef QV_TFORM2_NAMES

// clang-format on

} // namespace qv::names
