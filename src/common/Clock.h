#pragma once

namespace qv {

/// Local wall-clock time as an OLE Automation day count (days since 30 December 1899, fraction = time of day).
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

} // namespace qv
