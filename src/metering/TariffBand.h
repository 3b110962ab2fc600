#pragma once

namespace qv::metering {

/// The tariff band of a moment: 1 (day band) from 08:00:00.000 to 23:59:59.000 inclusive, 2 (night band)
/// otherwise, so the rest of the day's last second is night already. Takes an OLE moment or a bare time of day
/// (fraction of a day); only the time of day counts.
int TariffBandOf(double timeOfDay);

} // namespace qv::metering
