#pragma once

#include "common/Clock.h"
#include "common/LocaleFormats.h"
#include "connection/ControllerState.h"
#include "metering/ConnectionCounters.h"
#include "metering/InterfaceCounterSampler.h"
#include "metering/WeekTotal.h"
#include "platform/InterfaceTable.h"
#include "settings/SettingsRecord.h"
#include "shell/Logs.h"
#include "shell/ViewState.h"

#include <cstdint>
#include <functional>

namespace qv::metering {

/// What the metering needs from the shell. The functions are asked each tick; an unset one answers "no" (or
/// zero totals).
struct MeteringServices {
    shell::Logs& logs;
    const Clock& clock;
    const LocaleFormats& locale;
    shell::WindowView& main;     ///< "TForm1"
    shell::WindowView& floating; ///< "TForm7", written only while the floating window is in use
    platform::InterfaceTable& interfaces;
    RunningRecordSource runningRecord;
    const settings::SettingsRecord& settings;
    const connection::ControllerState& controller;
    std::function<bool()> counterMode;      ///< this run meters by interface counters (chosen at first activation)
    std::function<bool()> floatWindowInUse; ///< the floating window is in use (and shown)
    std::function<WeekTotalsMB()> weekTotals;
};

/// The per-second metering of a connection: samples the interface counters (in counter mode), turns the
/// connection's byte counters into speeds and totals, and shows them in the main and floating windows.
/// UI thread only; the tick may be re-entered from a message-pumping wait inside `afterTick`.
class TrafficMeter final {
public:
    static constexpr std::uint32_t kDarkRed = 0x00000080; ///< RGB 128, 0, 0 as 0x00BBGGRR
    static constexpr std::uint32_t kBlack = 0x00000000;
    static constexpr double kWeekWarningGB = 2.8;

    explicit TrafficMeter(MeteringServices services);
    TrafficMeter(const TrafficMeter&) = delete;
    TrafficMeter& operator=(const TrafficMeter&) = delete;

    /// Timer4's handler (every 1000 ms while connected).
    void DisplayTick();
    /// Double click on the direction caption Label8: "Download" <-> "Upload".
    void ToggleSpeedDirection();

    /// Connected event (and again at the end of the disconnected one): the next sample takes a new baseline.
    void resetCounterBaselines();
    /// Disconnected event: the connection's counters, speeds and baselines back to zero.
    void clearConnectionCounters();

    /// A display tick is running (the disconnected event waits for it to end).
    bool timer4Busy() const { return busyDepth_ > 0; }

    /// Run at the end of each tick, inside its error handling and before timer4Busy clears: the data rule.
    std::function<void()> afterTick;

    ConnectionCounters& counters() { return counters_; }
    const ConnectionCounters& counters() const { return counters_; }
    InterfaceCounterSampler& sampler() { return sampler_; }

private:
    void showMain();
    void showFloating();
    std::string fixed(double value, int precision, int decimals) const;

    MeteringServices s_;
    ConnectionCounters counters_;
    InterfaceCounterSampler sampler_;
    int busyDepth_ = 0;
};

} // namespace qv::metering
