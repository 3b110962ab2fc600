#pragma once

#include "platform/Dialogs.h"

namespace qv::platform {

/// Stock message boxes as Qt's modal boxes. exec() runs a nested event loop, so timers and posted work keep
/// running while a box is open, as the logic expects. UI thread only.
class QtDialogs final : public Dialogs {
public:
    void showMessage(const std::string& text) override;
};

} // namespace qv::platform
