#include "statistics/RunningStatistics.h"

#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "statistics/LocalMoment.h"
#include "statistics/StatisticsCodec.h"
#include "statistics/StatisticsTags.h"

namespace qv::statistics {

namespace {

// The midnight split owns the ten seconds around midnight; a periodic save then writes nothing.
constexpr int kQuietFromMs = ((23 * 60 + 59) * 60 + 55) * 1000;
constexpr int kQuietUntilMs = 5 * 1000;

/// Holds a busy flag for the duration of a write, and clears it however the write ends.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

void clearTraffic(StatisticsRecord& r) {
    r.Down1 = r.Up1 = r.Up2 = r.Down2 = 0;
}

} // namespace

RunningStatistics::RunningStatistics(RunningServices services) : s_(std::move(services)) {
    storedName_ = cp1250::fromUtf8(s_.userName);
    if (storedName_.size() > kMaxNameBytes)
        storedName_.resize(kMaxNameBytes);
}

void RunningStatistics::OpenRunningRecord() {
    record_.emplace();
    record_->formatTag = 0; // all 88 bytes zero until the first write sets the tag
    s_.usage.RecomputeWeekTotals();
}

void RunningStatistics::startPieceNow() {
    const LocalMoment now = localMoment(s_.clock.now());
    record_->Od = now.timeOfDay();
    record_->Datum = now.day;
    record_->Jmeno = storedName_;
}

void RunningStatistics::FillRunningRecordStart() {
    if (record_)
        startPieceNow();
}

void RunningStatistics::CloseAndAppend() {
    if (!record_)
        return;
    StatisticsRecord piece = *record_;
    piece.Do = localMoment(s_.clock.now()).timeOfDay();
    piece.Down1 /= kBytesPerMegabyte;
    piece.Down2 /= kBytesPerMegabyte;
    piece.Up1 /= kBytesPerMegabyte;
    piece.Up2 /= kBytesPerMegabyte;
    piece.formatTag = StatisticsRecord::kFormatTag;
    s_.file.appendRecord(piece); // throws on failure, leaving the running record untouched
    record_->Do = piece.Do;
    record_->formatTag = piece.formatTag;
    clearTraffic(*record_);
}

void RunningStatistics::StartNextPiece() {
    if (!record_)
        return;
    clearTraffic(*record_);
    record_->Datum = record_->Od = record_->Do = 0;
    record_->Jmeno.clear();
    startPieceNow();
    // The week totals now hold the piece just written, so totals plus running record stay continuous.
    s_.usage.RecomputeWeekTotals();
}

void RunningStatistics::CloseAndRelease() {
    struct Release {
        std::optional<StatisticsRecord>& record;
        ~Release() { record.reset(); }
    } release{record_};
    CloseAndAppend();
}

void RunningStatistics::MidnightTick() {
    s_.logs.guarded(tags::kMidnightSplit, [&] {
        if (periodicSaveBusy_ || s_.controller.disconnectBusy)
            return;
        // After a failed split the rest is skipped, so the timer stays stopped until the next connection.
        s_.midnightTimer.stop();
        if (record_ && localMoment(s_.clock.now()).day != oleDatePart(record_->Datum)) {
            BusyFlag busy(midnightSplitBusy_);
            CloseAndAppend();
            StartNextPiece();
        }
        s_.midnightTimer.start();
    });
}

void RunningStatistics::PeriodicSaveTick() {
    s_.logs.guarded(tags::kPeriodicSave, [&] {
        if (!s_.settings.periodicSaveOn || midnightSplitBusy_ || s_.controller.disconnectBusy)
            return;
        const int ms = localMoment(s_.clock.now()).msOfDay;
        if (ms >= kQuietFromMs || ms <= kQuietUntilMs)
            return;
        s_.periodicSaveTimer.stop();
        {
            BusyFlag busy(periodicSaveBusy_);
            CloseAndAppend();
            StartNextPiece();
        }
        s_.periodicSaveTimer.start(); // the next period counts from here
    });
}

} // namespace qv::statistics
