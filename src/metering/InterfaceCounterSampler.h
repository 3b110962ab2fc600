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
/// sample in the tariff band of the moment. The first sample of a connection only takes the baseline. UI thread.
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

private:
    void sample();

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
    std::vector<platform::InterfaceRow> rows_; ///< kept to spare an allocation each second
};

/// Whether a row's description names the dial-up interface, ignoring blanks and control characters around it.
bool isDialUpRow(const platform::InterfaceRow& row);

} // namespace qv::metering
