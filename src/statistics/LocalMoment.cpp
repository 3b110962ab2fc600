#include "statistics/LocalMoment.h"

#include "common/OleDate.h"

namespace qv::statistics {

double LocalMoment::timeOfDay() const {
    return oleTimeOfDay(0, 0, 0, msOfDay);
}

LocalMoment localMoment(double ole) {
    const CivilDateTime t = civilFromOle(ole);
    LocalMoment m;
    m.day = static_cast<int>(oleFromDate(t.year, t.month, t.day));
    m.msOfDay = ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    return m;
}

} // namespace qv::statistics
