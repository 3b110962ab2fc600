#pragma once

#include "shell/WidgetName.h"

namespace qv::names {

// clang-format off

// TForm11: the new-mail notice; Label1 is the fixed line, Label2 the count.
#define QV_TFORM11_NAMES(X) X(Label1) X(Label2)
QV_WINDOW_NAMES(TForm11, QV_TFORM11_NAMES)
#undef QV_TFORM11_NAMES

// clang-format on

} // namespace qv::names
