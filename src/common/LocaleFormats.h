#pragma once

#include <string>

namespace qv {

/// The user's conventions for numbers, short dates and long times. Patterns use d/dd, M/MM, yy/yyyy, H/HH, h/hh,
/// m/mm, s/ss and tt (AM/PM); anything else is copied. The defaults are the Czech ones.
struct LocaleFormats {
    char decimalSeparator = ',';
    std::string shortDate = "d.M.yyyy";
    std::string longTime = "H:mm:ss";
};

} // namespace qv
