#include "metering/TrafficMeter.h"
#include "metering/FloatingNames.h"
#include "shell/ShellNames.h"

#include "common/Formats.h"
#include "metering/MeteringTags.h"

namespace qv::metering {

namespace w = names::TForm1;
namespace f = names::TForm7;

namespace {
constexpr const char* kDownload = "Download";
constexpr const char* kUpload = "Upload";
constexpr const char* kNotSet = "Nenastaveno";
} // namespace

TrafficMeter::TrafficMeter(MeteringServices services)
    : s_(std::move(services)), sampler_(s_.logs, s_.clock, s_.interfaces, s_.runningRecord, counters_) {
    s_.main.setText(w::Label8, kDownload);
}

std::string TrafficMeter::fixed(double value, int precision, int decimals) const {
    return formatFixed(value, precision, decimals, s_.locale);
}

void TrafficMeter::DisplayTick() {
    // A depth rather than a flag: a tick re-entered inside a wait must not clear the outer tick's busy state.
    ++busyDepth_;
    s_.logs.guarded(tags::kDisplayTick, [this] {
        if (s_.counterMode && s_.counterMode())
            sampler_.SampleInterfaceCounters();
        counters_.takeTickSample();
        showMain();
        if (s_.controller.isConnected && s_.floatWindowInUse && s_.floatWindowInUse())
            showFloating();
        if (afterTick)
            afterTick();
    });
    --busyDepth_;
}

void TrafficMeter::showMain() {
    const ConnectionCounters& c = counters_;
    s_.main.setText(w::Label24, fixed(c.lastDownBytes / 1e6, 8, 2) + " MB");
    s_.main.setText(w::Label27, fixed(c.lastUpBytes / 1e6, 8, 2) + " MB");
    const bool download = s_.main.get(w::Label8).text == kDownload;
    s_.main.setText(w::Label7, fixed((download ? c.downBytesPerSec : c.upBytesPerSec) / 1000.0, 4, 1));
    s_.main.setText(w::Label15, fixed(c.connMB, 8, 2) + " MB");
    s_.main.setText(w::Label17, s_.settings.dataLimitOn ? fixed(s_.settings.dataLimitMB - c.connMB, 8, 2) + " MB"
                                                        : std::string(kNotSet));
}

void TrafficMeter::showFloating() {
    s_.floating.setText(f::DRLabel2, fixed(counters_.downBytesPerSec / 1000.0, 4, 1) + " KB/s");
    s_.floating.setText(f::DRLabel6, fixed(counters_.upBytesPerSec / 1000.0, 4, 1) + " KB/s");
    const WeekTotalsMB week = s_.weekTotals ? s_.weekTotals() : WeekTotalsMB{};
    const std::string gb = fixed(recalculatedWeekGB(week, s_.runningRecord ? s_.runningRecord() : nullptr), 8, 3);
    s_.floating.setText(f::DRLabel10, gb + " GB");
    // Judged on the figure as shown, so the colour never disagrees with the text (2.8004 reads "2,800": black).
    const auto shown = parseDecimal(gb, s_.locale);
    s_.floating.setColor(f::DRLabel10, shown && *shown > kWeekWarningGB ? kDarkRed : kBlack);
}

void TrafficMeter::ToggleSpeedDirection() {
    const bool download = s_.main.get(w::Label8).text == kDownload;
    s_.main.setText(w::Label8, download ? kUpload : kDownload);
}

void TrafficMeter::resetCounterBaselines() {
    sampler_.resetBaselines();
}

void TrafficMeter::clearConnectionCounters() {
    counters_.clear();
    sampler_.resetBaselines();
}

} // namespace qv::metering
