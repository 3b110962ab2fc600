// Whole-file statistics operations at 100 000 records: the append every cut does, the purge at start, the usage
// windows the statistics window and every cut recompute, the statistics window's load and sort, the spreadsheet
// export, and quorvex-stats --json.
#include "StatsCommand.h"
#include "common/OleDate.h"
#include "platform/linux/LinuxFileSystem.h"
#include "shell/Logs.h"
#include "statistics/RunningStatistics.h"
#include "statistics/SpreadsheetExport.h"
#include "statistics/StatisticsCodec.h"
#include "statistics/StatisticsForm.h"
#include "statistics/StatisticsNames.h"
#include "statistics/StatisticsSort.h"
#include "statistics/UsageTotals.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <streambuf>

namespace {

using namespace qv;

constexpr int kRecords = 100'000;

/// Files in memory, to measure the work without the disk.
class MemoryFiles final : public platform::FileSystem {
public:
    std::optional<std::string> readAll(const std::string& p) override {
        auto it = files_.find(p);
        return it == files_.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    bool exists(const std::string& p) override { return files_.count(p) != 0; }
    std::optional<std::uint64_t> size(const std::string& p) override {
        auto it = files_.find(p);
        return it == files_.end() ? std::nullopt : std::optional<std::uint64_t>(it->second.size());
    }
    bool writeAtomic(const std::string& p, std::string_view bytes) override {
        files_[p].assign(bytes); // reuses the old content's storage, as a page cache would
        return true;
    }
    bool append(const std::string& p, std::string_view bytes) override {
        files_[p] += bytes;
        return true;
    }
    bool createEmpty(const std::string& p) override {
        files_[p].clear();
        return true;
    }
    bool remove(const std::string& p) override { return files_.erase(p) != 0; }

private:
    std::map<std::string, std::string> files_;
};

struct FixedClock final : Clock {
    double at = oleFromCivil({2026, 3, 5, 14, 0, 0, 0});
    double now() const override { return at; }
};

/// 100 000 pieces of three users over the last 400 days.
std::string bigFile(double today) {
    std::vector<statistics::StatisticsRecord> records(kRecords);
    const char* names[] = {"alice", "bob", "Jan.Novak.Administrator"};
    for (int i = 0; i < kRecords; ++i) {
        auto& r = records[static_cast<std::size_t>(i)];
        r.Jmeno = names[i % 3];
        r.Datum = today - (i % 400);
        r.Od = 0.25;
        r.Do = 0.5;
        r.Down1 = 12.5;
        r.Up1 = 1.25;
        r.Down2 = 3.5;
        r.Up2 = 0.5;
    }
    return statistics::encodeFile(records);
}

/// The statistics subsystem over a file system, with the application directory `dir`.
struct Stack {
    platform::FileSystem& fs;
    FixedClock clock;
    LocaleFormats locale;
    shell::AppPaths paths;
    shell::Logs logs{fs, clock, locale, paths};
    settings::SettingsRecord settings;
    connection::ControllerState controller;
    statistics::StatisticsFile file{fs, clock, logs, settings, paths.statisticsFile()};
    statistics::UsageWindows usage{file, clock, logs};

    Stack(platform::FileSystem& files, const std::string& dir) : fs(files), paths(dir, "alice") {
        fs.writeAtomic(paths.statisticsFile(), bigFile(oleDatePart(clock.at)));
    }
};

struct NoTimer final : Timer {
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void setEnabled(bool on) override { on_ = on; }
    bool enabled() const override { return on_; }
    int interval_ = 0;
    bool on_ = false;
};

void closeAndAppend(benchmark::State& state, platform::FileSystem& fs, const std::string& dir) {
    Stack s(fs, dir);
    NoTimer t15, t16;
    statistics::RunningStatistics running{
        {s.file, s.usage, s.clock, s.logs, s.settings, s.controller, t15, t16, "alice"}};
    running.OpenRunningRecord();
    running.FillRunningRecordStart();
    for (auto _ : state) {
        running.currentConnRecord()->Down1 += 1e6;
        running.CloseAndAppend();
    }
    state.counters["records"] = static_cast<double>(s.file.LoadStatistics().size());
}

void BM_CloseAndAppend_InMemory(benchmark::State& state) {
    MemoryFiles fs;
    closeAndAppend(state, fs, "/app/");
}
BENCHMARK(BM_CloseAndAppend_InMemory)->Unit(benchmark::kMillisecond);

void BM_CloseAndAppend_LinuxTmp(benchmark::State& state) {
    char tmpl[] = "/tmp/qv-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::filesystem::path dir = tmpl;
    std::filesystem::create_directory(dir / "Statistiky");
    platform::LinuxFileSystem fs;
    closeAndAppend(state, fs, dir.string() + "/");
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CloseAndAppend_LinuxTmp)->Unit(benchmark::kMillisecond);

void BM_LoadStatistics(benchmark::State& state) {
    MemoryFiles fs;
    Stack s(fs, "/app/");
    for (auto _ : state)
        benchmark::DoNotOptimize(s.file.LoadStatistics());
}
BENCHMARK(BM_LoadStatistics)->Unit(benchmark::kMillisecond);

void BM_WeekTotals(benchmark::State& state) {
    MemoryFiles fs;
    Stack s(fs, "/app/");
    statistics::UsageTotals totals;
    for (auto _ : state) {
        s.usage.WeekTotals(state.range(0) ? "bob" : "", totals);
        benchmark::DoNotOptimize(totals);
    }
}
BENCHMARK(BM_WeekTotals)->Arg(0)->Arg(1)->ArgName("oneUser")->Unit(benchmark::kMillisecond);

void BM_MonthTotals(benchmark::State& state) {
    MemoryFiles fs;
    Stack s(fs, "/app/");
    statistics::UsageTotals totals;
    for (auto _ : state) {
        s.usage.MonthTotals(state.range(0) ? "bob" : "", totals);
        benchmark::DoNotOptimize(totals);
    }
}
BENCHMARK(BM_MonthTotals)->Arg(0)->Arg(1)->ArgName("oneUser")->Unit(benchmark::kMillisecond);

/// The pass alone, on records already in memory (what the statistics window does with its loaded list).
void BM_MonthWindowPass(benchmark::State& state) {
    const double today = oleDatePart(FixedClock{}.at);
    const auto records = statistics::decodeFile(bigFile(today));
    const statistics::UserFilter all("");
    for (auto _ : state)
        benchmark::DoNotOptimize(statistics::windowTotals(records, all, static_cast<int>(today), 30));
}
BENCHMARK(BM_MonthWindowPass)->Unit(benchmark::kMicrosecond);

/// The start-up purge removing a quarter of the records (ages 300 … 399 days with a limit of 300).
void BM_PurgeStatistics(benchmark::State& state) {
    MemoryFiles fs;
    Stack s(fs, "/app/");
    s.settings.purgeAgeDays = 300;
    const std::string full = *fs.readAll(s.paths.statisticsFile());
    for (auto _ : state) {
        state.PauseTiming();
        fs.writeAtomic(s.paths.statisticsFile(), full);
        state.ResumeTiming();
        s.file.PurgeStatistics();
    }
}
BENCHMARK(BM_PurgeStatistics)->Unit(benchmark::kMillisecond);

struct NoDialogs final : platform::Dialogs {
    void showMessage(const std::string&) override {}
    std::optional<std::string> askSaveFileName(const platform::SaveFileRequest&) override { return std::nullopt; }
};

/// The statistics window's activation (load, user list, grid, today, week and month) and one header click: what a
/// user waits for between clicking "Statistika" or a header and seeing the list. Arg: the column clicked.
void BM_ShowStatisticsAndSort(benchmark::State& state) {
    MemoryFiles fs;
    Stack s(fs, "/app/");
    shell::WindowView view{names::TForm4::kAll}, chartView{names::TFormChart::kAll};
    NoDialogs dialogs;
    statistics::StatisticsForm form{
        {view, chartView, s.file, s.usage, s.clock, s.locale, s.logs, dialogs, fs, "/app/"}};
    form.open(std::nullopt);
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        form.ShowStatistics();
        form.SortByColumn(column);
        benchmark::DoNotOptimize(form.grid().rowCount());
    }
}
BENCHMARK(BM_ShowStatisticsAndSort)->Arg(0)->Arg(1)->Arg(4)->ArgName("column")->Unit(benchmark::kMillisecond);

/// The sort alone on a loaded copy, by name (three names, long runs of equal keys) and by a number.
void BM_SortOnly(benchmark::State& state) {
    const auto records = statistics::decodeFile(bigFile(oleDatePart(FixedClock{}.at)));
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(statistics::sortedByColumn(records, column, true));
}
BENCHMARK(BM_SortOnly)->Arg(0)->Arg(1)->Arg(4)->ArgName("column")->Unit(benchmark::kMillisecond);

/// The SYLK export of 100 000 rows: building the file, and building and writing it to /tmp through its ".$$$".
void BM_SylkExport(benchmark::State& state) {
    const auto records = statistics::decodeFile(bigFile(oleDatePart(FixedClock{}.at)));
    const LocaleFormats locale;
    std::size_t size = 0;
    if (state.range(0) == 0) {
        for (auto _ : state) {
            const std::string file = statistics::statisticsSpreadsheet(records, locale);
            size = file.size();
            benchmark::DoNotOptimize(file.data());
        }
    } else {
        char tmpl[] = "/tmp/qv-bench-XXXXXX";
        if (!::mkdtemp(tmpl)) {
            state.SkipWithError("no temporary directory");
            return;
        }
        platform::LinuxFileSystem fs;
        const std::string target = std::string(tmpl) + "/stat.xls";
        for (auto _ : state) {
            const std::string file = statistics::statisticsSpreadsheet(records, locale);
            statistics::writeSpreadsheetFile(fs, target, file);
            size = file.size();
        }
        std::filesystem::remove_all(tmpl);
    }
    state.counters["MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_SylkExport)->Arg(0)->Arg(1)->ArgName("toDisk")->Unit(benchmark::kMillisecond);

/// quorvex-stats --json on a 100 000-record file in /tmp, in-process: check, load, three windows, JSON.
void BM_StatsCommandJson(benchmark::State& state) {
    char tmpl[] = "/tmp/qv-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::filesystem::path dir = tmpl;
    std::filesystem::create_directory(dir / "Statistiky");
    platform::LinuxFileSystem fs;
    FixedClock clock;
    fs.writeAtomic((dir / "Statistiky/Pripojeni.sts").string(), bigFile(oleDatePart(clock.at)));
    struct Discard final : std::streambuf {
        int overflow(int c) override { return c; }
    } discard;
    std::ostream nowhere(&discard);
    tools::StatsServices services{fs, clock, LocaleFormats{}, dir.string() + "/", "bench", nowhere, nowhere};
    for (auto _ : state)
        benchmark::DoNotOptimize(tools::runStatsCommand({"--json"}, services));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StatsCommandJson)->Unit(benchmark::kMillisecond);

} // namespace
