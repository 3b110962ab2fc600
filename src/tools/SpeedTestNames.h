#pragma once

#include "shell/WidgetName.h"

namespace qv::names {

// clang-format off

// TForm9: the speed test. GroupBox1 "Rychlost: download" holds Label1 "Download:" with the result Label2 and Label4
// "Ping:" with Label3; GroupBox2 "Přepočet" holds Label5 "Za minutu:" with Label7 and Label6 "Za hodinu:" with
// Label8. ProgressBar1's index is its position and its text its maximum (decimal).
#define QV_TFORM9_NAMES(X) X(GroupBox1) X(GroupBox2) X(Label1) X(Label2) X(Label3) X(Label4) X(Label5) X(Label6)      \
    X(Label7) X(Label8) X(ProgressBar1) X(Button1) X(Button2)
QV_WINDOW_NAMES(TForm9, QV_TFORM9_NAMES)
#undef QV_TFORM9_NAMES

// clang-format on

} // namespace qv::names
