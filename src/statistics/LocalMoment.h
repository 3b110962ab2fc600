#pragma once

namespace qv::statistics {

/// A clock reading split once into its local day and time of day, so that both agree: a moment that rounds to
/// midnight belongs to the next day, and the time of day is whole milliseconds.
struct LocalMoment {
    int day = 0;     ///< whole OLE day count
    int msOfDay = 0; ///< 0 … 86 399 999

    /// The time of day as a fraction of a day, as the records store it.
    double timeOfDay() const;
};

LocalMoment localMoment(double ole);

} // namespace qv::statistics
