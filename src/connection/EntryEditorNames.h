#pragma once

#include "shell/WidgetName.h"

namespace qv::names {

// clang-format off

// TFormEntry: the account editor.
#define QV_TFORMENTRY_NAMES(X)                                                                                         \
    X(EditName) X(EditNumber) X(EditDevice) X(EditUser) X(EditPassword) X(LabelMessage) X(ButtonSave) X(ButtonCancel)
QV_WINDOW_NAMES(TFormEntry, QV_TFORMENTRY_NAMES)
#undef QV_TFORMENTRY_NAMES

// clang-format on

} // namespace qv::names
