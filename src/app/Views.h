#pragma once

#include "shell/ViewState.h"

namespace qv::app {

/// The view state of every window of the application shell.
struct Views {
    shell::WindowView main{"TForm1"};
    shell::WindowView exitDialog{"TForm6"};
    shell::WindowView fatalError{"TForm8"};
    shell::WindowView connectionLog{"TForm10"};
    shell::WindowView entryEditor{"TFormEntry"};
    shell::WindowView floating{"TForm7"};
};

} // namespace qv::app
