#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv::platform {

/// What a save-file dialog offers.
struct SaveFileRequest {
    std::string initialDirectory; ///< where the dialog opens
    std::string defaultExtension; ///< without the dot; added to a name typed without one
    std::string filterName;       ///< "Excel"
    std::string filterPattern;    ///< "*.xls"
};

/// What an open-file dialog offers.
struct OpenFileRequest {
    std::string initialDirectory; ///< where the dialog opens; empty: where it opened last
    std::string filterName;       ///< "Programy"; empty: every file
    std::string filterPattern;    ///< "*"
};

/// The icon of a message box.
enum class MessageKind { Information, Error };
/// The one button of a message box.
enum class MessageButton { Ok, Yes, No };

/// Stock message boxes and file dialogs. A box is modal for the user but the event loop keeps running while it is
/// open.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// An information box with an OK button; returns when the user closed it.
    virtual void showMessage(const std::string& text) = 0;
    /// A box with the given icon and its one button, titled by its kind ("Information" or "Error"); returns when
    /// the user closed it. Where icons and buttons cannot be chosen it is the plain information box.
    virtual void showMessageBox(const std::string& text, MessageKind kind, MessageButton button) {
        (void)kind;
        (void)button;
        showMessage(text);
    }
    /// An information box titled `title` with the single button "Cancel"; returns when it is gone. True when the
    /// user closed it (the button, Escape and the close box all mean "Cancel"), false when it went otherwise (the
    /// program ending under it). Where such a box cannot be shown it is the plain information box, and cancelled.
    virtual bool showCancelBox(const std::string& title, const std::string& text) {
        (void)title;
        showMessage(text);
        return true;
    }
    /// A save-file dialog. The chosen path (UTF-8), or nothing when the user cancelled. Choosing an existing file
    /// asks nothing: the caller overwrites it.
    virtual std::optional<std::string> askSaveFileName(const SaveFileRequest& request) = 0;
    /// An open-file dialog for an existing file. The chosen path (UTF-8), or nothing when the user cancelled.
    virtual std::optional<std::string> askOpenFileName(const OpenFileRequest& request) {
        (void)request;
        return std::nullopt;
    }
    /// A colour dialog showing `initial` (0x00BBGGRR, or a system colour code 0xFFxxxxxx, shown as that colour).
    /// The chosen colour as 0x00BBGGRR, or nothing when the user cancelled.
    virtual std::optional<std::uint32_t> askColor(std::uint32_t initial) {
        (void)initial;
        return std::nullopt;
    }
};

} // namespace qv::platform
