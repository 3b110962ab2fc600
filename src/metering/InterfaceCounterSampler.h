#pragma once

#include "common/Clock.h"
#include "metering/ConnectionCounters.h"
#include "platform/InterfaceTable.h"
#include "shell/Logs.h"
#include "statistics/StatisticsRecord.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace qv::metering {

/// The running statistics record of the connection, or null when there is none.
using RunningRecordSource = std::function<statistics::StatisticsRecord*()>;

/// Meters the dial-up interface by its octet counters: each sample books the bytes moved since the previous
/// sample in the tariff band of the moment. The first sample of a connection only takes the baseline, and so does
/// a sample that finds the counters started again (another interface, or a reset; see kMaxWrapBytes). UI thread.
class InterfaceCounterSampler final {
public:
    InterfaceCounterSampler(shell::Logs& logs, const Clock& clock, platform::InterfaceTable& table,
                            RunningRecordSource runningRecord, ConnectionCounters& counters);

    /// Reads the table and books the dial-up row's new bytes. Without such a row (or without a table) this
    /// second's bytes are not counted. A failure is logged and ends the sample.
    void SampleInterfaceCounters();

    /// The next sample takes a new baseline (the connected and disconnected events).
    void resetBaselines();

    bool newConnectionMark() const { return newConnectionMark_; }

    /// A counter reading below the previous one has either passed 2^32 (a wrap) or started again from 0 (a new
    /// interface, as when pppd brings up a new link under the old name, or a reset). A wrap can explain it only
    /// when the bytes it implies, 2^32 - previous + new, are few: the previous reading near the top and the new
    /// one small. More than kMaxWrapBytes (512 MiB, four seconds of a gigabit link, far beyond any modem) is
    /// taken as a restart, and the sample takes a new baseline instead of booking up to 4 GB that never moved.
    /// A changed interface index is a restart whatever the counters say.
    static constexpr std::uint32_t kMaxWrapBytes = 1u << 29;

private:
    void sample();
    bool countersRestarted(const platform::InterfaceRow& row) const;

    shell::Logs& logs_;
    const Clock& clock_;
    platform::InterfaceTable& table_;
    RunningRecordSource runningRecord_;
    ConnectionCounters& counters_;

    bool newConnectionMark_ = true;
    std::uint32_t ifBaseIn_ = 0;
    std::uint32_t ifBaseOut_ = 0;
    std::uint32_t ifPrevIn_ = 0; ///< counter - baseline at the previous sample
    std::uint32_t ifPrevOut_ = 0;
    std::uint32_t lastIndex_ = 0; ///< the interface index and raw counters of the previous sample
    std::uint32_t lastIn_ = 0;
    std::uint32_t lastOut_ = 0;
    std::vector<platform::InterfaceRow> rows_; ///< kept to spare an allocation each second
};

/// Whether a row's description names the dial-up interface, ignoring blanks and control characters around it.
bool isDialUpRow(const platform::InterfaceRow& row);

} // namespace qv::metering
