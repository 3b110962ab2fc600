#pragma once

#include "platform/Dialogs.h"

namespace qv::platform {

/// Stock message boxes and file dialogs as Qt's modal dialogs. exec() runs a nested event loop, so timers and
/// posted work keep running while a dialog is open, as the logic expects. UI thread only.
class QtDialogs final : public Dialogs {
public:
    void showMessage(const std::string& text) override;
    void showMessageBox(const std::string& text, MessageKind kind, MessageButton button) override;
    bool showCancelBox(const std::string& title, const std::string& text) override;
    std::optional<std::string> askSaveFileName(const SaveFileRequest& request) override;
    std::optional<std::string> askOpenFileName(const OpenFileRequest& request) override;
    std::optional<std::uint32_t> askColor(std::uint32_t initial) override;
};

} // namespace qv::platform
