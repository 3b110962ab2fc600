#pragma once

#include "shell/WidgetName.h"

namespace qv::names {

// clang-format off

// TForm4: the statistics window "Statistika". Label17 … Label45 are the eighteen values (band, window, direction,
// totals); the grid's header clicks arrive as StringGrid1's index (the column).
#define QV_TFORM4_NAMES(X)                                                                                             \
    X(MainMenu1) X(Export1) X(cls1) X(Graf1)                                                                           \
    X(Label1) X(ComboBox3) X(StringGrid1)                                                                              \
    X(GroupBox1) X(Label17) X(Label18) X(Label19) X(Label20) X(Label21) X(Label22)                                     \
    X(Label24) X(Label26) X(Label27) X(Label30) X(Label31) X(Label34)                                                  \
    X(Label38) X(Label39) X(Label40) X(Label41) X(Label43) X(Label45)                                                  \
    X(StatusBar1)
QV_WINDOW_NAMES(TForm4, QV_TFORM4_NAMES)
#undef QV_TFORM4_NAMES

// TFormChart: the usage chart of the last 31 days, opened from the statistics window.
#define QV_TFORMCHART_NAMES(X) X(Chart1)
QV_WINDOW_NAMES(TFormChart, QV_TFORMCHART_NAMES)
#undef QV_TFORMCHART_NAMES

// clang-format on

} // namespace qv::names
