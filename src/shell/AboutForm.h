#pragma once

#include "shell/SecondaryForm.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::shell {

/// The about window "Licence": the program's name and version, the licence of the program and those of the
/// libraries it ships with. Created on first use, at most once, with the main window's colour; freed when closed.
class AboutForm {
public:
    explicit AboutForm(WindowView& view);
    /// "O aplikaci" → "Licence": creates the window if it does not exist, and shows it.
    void Show(std::optional<std::uint32_t> mainColor);
    SecondaryForm& window() { return window_; }

    /// What the text box shows: the program's licence, then the libraries' licences.
    static std::string licenceText();
    /// The text with each paragraph (lines up to an empty line) joined into one line.
    static std::string reflow(std::string_view text);

private:
    SecondaryForm window_;
};

} // namespace qv::shell
