#pragma once

#include <string>

namespace qv::platform {

/// Stock message boxes. A box is modal for the user but the event loop keeps running while it is open.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// An information box with an OK button; returns when the user closed it.
    virtual void showMessage(const std::string& text) = 0;
};

} // namespace qv::platform
