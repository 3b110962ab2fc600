#pragma once

#include <cstdint>
#include <string>

namespace qv::extapps {

/// One rule of the user's external applications: when to start and when to stop the program at `path`. The
/// flags are run-time state (0 in the file): the four connection flags are armed again at each connect, the two
/// time-of-day flags at each load of the list.
struct ExternalAppRule {
    bool started = false;                   ///< started after connecting
    bool stoppedBeforeDownloadDrop = false; ///< stopped before a low-download disconnect
    bool stoppedBeforeTimeLimit = false;    ///< stopped before a time-limit disconnect
    bool stoppedBeforeDataLimit = false;    ///< stopped before a data-limit disconnect
    std::string path;                       ///< the program; empty: the rule does nothing
    std::uint16_t stopSecondsBefore = 0;    ///< before a time-limit or low-download disconnect; 0 = off
    std::uint16_t stopMegabytesBefore = 0;  ///< before a data-limit disconnect; 0 = off
    std::uint16_t startSecondsAfter = 0;    ///< after the connection came up; 0 = off
    double startAt = 0;                     ///< OLE date-time; only the time of day counts
    double stopAt = 0;
    bool startAtOn = false;
    bool stopAtOn = false;
    bool startedAt = false; ///< the time-of-day start has fired
    bool stoppedAt = false; ///< the time-of-day stop has fired

    bool operator==(const ExternalAppRule&) const = default;
};

} // namespace qv::extapps
