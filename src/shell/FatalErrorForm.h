#pragma once

#include "shell/SecondaryForm.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace qv::shell {

/// The fatal error window "Error": shown after every caught failure, once.
class FatalErrorForm {
public:
    FatalErrorForm(WindowView& view, std::function<std::optional<std::uint32_t>()> mainColor);
    void showForError();
    SecondaryForm& window() { return window_; }

private:
    SecondaryForm window_;
    std::function<std::optional<std::uint32_t>()> mainColor_;
};

} // namespace qv::shell
