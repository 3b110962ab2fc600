#pragma once

#include "connection/EntryEditorNames.h"
#include "mail/MailNoticeNames.h"
#include "metering/FloatingNames.h"
#include "settingsdialog/SettingsDialogNames.h"
#include "shell/ShellNames.h"
#include "shell/ViewState.h"
#include "statistics/StatisticsNames.h"
#include "tools/SpeedTestNames.h"

namespace qv::app {

/// The view state of every window of the program.
struct Views {
    shell::WindowView main{names::TForm1::kAll};
    shell::WindowView about{names::TForm3::kAll};
    shell::WindowView exitDialog{names::TForm6::kAll};
    shell::WindowView fatalError{names::TForm8::kAll};
    shell::WindowView connectionLog{names::TForm10::kAll};
    shell::WindowView entryEditor{names::TFormEntry::kAll};
    shell::WindowView floating{names::TForm7::kAll};
    shell::WindowView statistics{names::TForm4::kAll};
    shell::WindowView usageChart{names::TFormChart::kAll};
    shell::WindowView mailNotice{names::TForm11::kAll};
    shell::WindowView speedTest{names::TForm9::kAll};
    shell::WindowView settings{names::TForm2::kAll};
};

} // namespace qv::app
