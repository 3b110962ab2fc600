#pragma once

#include "app/ViewState.h"

namespace qv::app {

/// The view state of every window of the application shell.
struct Views {
    WindowView main{"TForm1"};
    WindowView exitDialog{"TForm6"};
    WindowView fatalError{"TForm8"};
    WindowView connectionLog{"TForm10"};
    WindowView entryEditor{"TFormEntry"};
    WindowView floating{"TForm7"};
};

} // namespace qv::app
