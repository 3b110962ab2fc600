#pragma once

#include "shell/WidgetName.h"

namespace qv::names {

// clang-format off

// TForm7: the floating traffic window.
#define QV_TFORM7_NAMES(X) X(DRLabel2) X(DRLabel6) X(DRLabel10)
QV_WINDOW_NAMES(TForm7, QV_TFORM7_NAMES)
#undef QV_TFORM7_NAMES

// clang-format on

} // namespace qv::names
