#pragma once

#include "common/Clock.h"
#include "common/EventLoop.h"
#include "connection/ControllerState.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "statistics/StatisticsFile.h"
#include "statistics/StatisticsRecord.h"
#include "statistics/UsageTotals.h"

#include <optional>
#include <string>

namespace qv::statistics {

/// What the running record needs.
struct RunningServices {
    StatisticsFile& file;
    UsageWindows& usage;
    const Clock& clock;
    shell::Logs& logs;
    const settings::SettingsRecord& settings;
    const connection::ControllerState& controller; ///< disconnectBusy is read
    Timer& midnightTimer;                          ///< Timer15, started by the connected handling
    Timer& periodicSaveTimer;                      ///< Timer16, interval and start by the connected handling
    std::string userName;                          ///< UTF-8; stored as its first 25 Windows-1250 bytes
};

/// The running record of the connection that is up, and the cuts that write it to the statistics file: at
/// midnight, on the periodic save, at disconnect and at exit. UI thread only.
///
/// A write that fails leaves the file as it was (the rewrite is atomic) and the running record as it was, in
/// bytes: the piece's traffic stays in the running record and goes out with the next write that succeeds, so a
/// failure neither loses nor doubles it. After a successful write the running record's traffic starts again at
/// zero.
class RunningStatistics final {
public:
    explicit RunningStatistics(RunningServices services);

    /// Connected handling, first step: a running record with every field zero; the week totals are recomputed
    /// when the file exists.
    void OpenRunningRecord();
    /// Connected handling, later: the first piece starts now, for this user.
    void FillRunningRecordStart();

    /// Ends the current piece now, converts its bytes to megabytes and appends it to the file. Nothing without a
    /// running record. Throws StatisticsFileError when the file cannot be read or replaced; the caller's guard
    /// reports it (disconnected handling, "Ukončit").
    void CloseAndAppend();
    /// Starts a new piece now in the same running record, then recomputes the week totals.
    void StartNextPiece();
    /// Disconnected handling: CloseAndAppend, and the running record is released whether or not that succeeded
    /// (a failure still propagates to the caller's guard).
    void CloseAndRelease();

    void MidnightTick();     ///< Timer15, every 1000 ms while connected
    void PeriodicSaveTick(); ///< Timer16, every periodicSaveMinutes while connected

    /// The running record while a connection is up, else null. The metering adds bytes to Down1/Up1/Down2/Up2.
    StatisticsRecord* currentConnRecord() { return record_ ? &*record_ : nullptr; }
    const StatisticsRecord* currentConnRecord() const { return record_ ? &*record_ : nullptr; }

    bool midnightSplitBusy() const { return midnightSplitBusy_; }
    bool periodicSaveBusy() const { return periodicSaveBusy_; }

    static constexpr double kBytesPerMegabyte = 1'000'000.0;

private:
    void startPieceNow();

    RunningServices s_;
    std::string storedName_;
    std::optional<StatisticsRecord> record_;
    bool midnightSplitBusy_ = false;
    bool periodicSaveBusy_ = false;
};

} // namespace qv::statistics
