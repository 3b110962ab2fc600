// One Timer4 tick while connected, floating window in use: a sample of a scripted interface table, the speeds and
// every label. No file is touched. Also one read of the kernel's interface table, which the tick pays in real use.
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "metering/FloatingNames.h"
#include "metering/TrafficMeter.h"
#include "platform/linux/LinuxInterfaceTable.h"
#include "shell/ShellNames.h"

#include <benchmark/benchmark.h>

namespace {

using namespace qv;

class NoFiles final : public platform::FileSystem {
public:
    std::optional<std::string> readAll(const std::string&) override { return std::nullopt; }
    bool exists(const std::string&) override { return false; }
    std::optional<std::uint64_t> size(const std::string&) override { return std::nullopt; }
    bool writeAtomic(const std::string&, std::string_view) override { return false; }
    bool append(const std::string&, std::string_view) override { return false; }
    bool createEmpty(const std::string&) override { return false; }
    bool remove(const std::string&) override { return false; }
};

/// A table like a desktop's: loopback, two network cards and the dial-up link moving ~100 KB/s.
class ScriptedTable final : public platform::InterfaceTable {
public:
    bool read(std::vector<platform::InterfaceRow>& rows) override {
        in_ += 100'003;
        out_ += 8'101;
        rows.assign({{"lo", "lo", 1, 1, 0},
                     {"eth0", "eth0", 2, 2, 0},
                     {"wlan0", "wlan0", 3, 3, 0},
                     {kDialUpDescription, "ppp0", in_, out_, 0}});
        return true;
    }

private:
    std::uint32_t in_ = 4'000'000'000u;
    std::uint32_t out_ = 0;
};

void BM_DisplayTick(benchmark::State& state) {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 12, 0, 0, 0})};
    NoFiles fs;
    const shell::AppPaths paths{"/app/", "alice"};
    const LocaleFormats czech;
    shell::Logs logs{fs, clock, czech, paths};
    shell::WindowView main{names::TForm1::kAll};
    shell::WindowView floating{names::TForm7::kAll};
    ScriptedTable table;
    statistics::StatisticsRecord running;
    settings::SettingsRecord settings;
    settings.dataLimitOn = true;
    connection::ControllerState controller;
    controller.isConnected = true;
    int changes = 0;
    main.subscribe([&](const shell::WidgetName&) { ++changes; });
    floating.subscribe([&](const shell::WidgetName&) { ++changes; });
    metering::TrafficMeter meter{{logs, clock, czech, main, floating, table, [&] { return &running; }, settings,
                                  controller, [] { return true; }, [] { return true; },
                                  [] {
                                      return metering::WeekTotalsMB{1500, 120, 800, 40};
                                  }}};
    meter.resetCounterBaselines();
    for (auto _ : state) {
        meter.DisplayTick();
        loop.advance(1000);
    }
    benchmark::DoNotOptimize(running.Down1);
    state.counters["changes/tick"] = benchmark::Counter(changes, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DisplayTick);

void BM_LinuxInterfaceTableRead(benchmark::State& state) {
    platform::LinuxInterfaceTable table;
    std::vector<platform::InterfaceRow> rows;
    for (auto _ : state) {
        if (!table.read(rows))
            state.SkipWithError("the interface table could not be read");
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["interfaces"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_LinuxInterfaceTableRead);

} // namespace
