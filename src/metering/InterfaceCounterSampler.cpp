#include "metering/InterfaceCounterSampler.h"

#include "metering/MeteringTags.h"
#include "metering/TariffBand.h"

#include <algorithm>
#include <string_view>

namespace qv::metering {

bool isDialUpRow(const platform::InterfaceRow& row) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::string_view d = row.description;
    while (!d.empty() && blank(d.front()))
        d.remove_prefix(1);
    while (!d.empty() && blank(d.back()))
        d.remove_suffix(1);
    return d == platform::InterfaceTable::kDialUpDescription;
}

InterfaceCounterSampler::InterfaceCounterSampler(shell::Logs& logs, const Clock& clock, platform::InterfaceTable& table,
                                                 RunningRecordSource runningRecord, ConnectionCounters& counters)
    : logs_(logs), clock_(clock), table_(table), runningRecord_(std::move(runningRecord)), counters_(counters) {}

void InterfaceCounterSampler::resetBaselines() {
    newConnectionMark_ = true;
    ifPrevIn_ = 0;
    ifPrevOut_ = 0;
}

void InterfaceCounterSampler::SampleInterfaceCounters() {
    logs_.guarded(tags::kSampleInterfaceCounters, [this] { sample(); });
}

void InterfaceCounterSampler::sample() {
    if (!table_.read(rows_))
        return;
    const auto row = std::find_if(rows_.begin(), rows_.end(), isDialUpRow);
    if (row == rows_.end())
        return;
    if (newConnectionMark_ || countersRestarted(*row)) {
        ifBaseIn_ = row->inOctets;
        ifBaseOut_ = row->outOctets;
        ifPrevIn_ = 0;
        ifPrevOut_ = 0;
    }
    // All modulo 2^32: a counter passing its top still gives the bytes moved since the previous sample.
    const std::uint32_t sinceBaseIn = row->inOctets - ifBaseIn_;
    const std::uint32_t sinceBaseOut = row->outOctets - ifBaseOut_;
    const std::uint32_t deltaIn = sinceBaseIn - ifPrevIn_;
    const std::uint32_t deltaOut = sinceBaseOut - ifPrevOut_;
    // The band of the moment of booking, not of when the bytes moved.
    const int band = TariffBandOf(clock_.now());
    counters_.book(runningRecord_ ? runningRecord_() : nullptr, band, deltaIn, deltaOut);
    newConnectionMark_ = false;
    ifPrevIn_ = sinceBaseIn;
    ifPrevOut_ = sinceBaseOut;
    lastIndex_ = row->index;
    lastIn_ = row->inOctets;
    lastOut_ = row->outOctets;
}

bool InterfaceCounterSampler::countersRestarted(const platform::InterfaceRow& row) const {
    const auto restarted = [](std::uint32_t before, std::uint32_t now) {
        const std::uint32_t asWrap = now - before; // the bytes moved, were it a wrap
        return now < before && asWrap > kMaxWrapBytes;
    };
    return row.index != lastIndex_ || restarted(lastIn_, row.inOctets) || restarted(lastOut_, row.outOctets);
}

} // namespace qv::metering
