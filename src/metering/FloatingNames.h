#pragma once

#include "shell/WidgetName.h"

namespace qv::names {

// clang-format off

// TForm7: the floating traffic window: the title strip with its collapse button, then "Down:" and "Up:" with the
// speeds, "Čas:" with the connection time, "M.6+dnes:" with the week's recalculated total.
#define QV_TFORM7_NAMES(X)                                                                                             \
    X(Panel1) X(Button1)                                                                                               \
    X(DRLabel1) X(DRLabel2) X(DRLabel5) X(DRLabel6)                                                                    \
    X(DRLabel4) X(DRLabel3)                                                                                            \
    X(DRLabel9) X(DRLabel10)
QV_WINDOW_NAMES(TForm7, QV_TFORM7_NAMES)
#undef QV_TFORM7_NAMES

// clang-format on

} // namespace qv::names
