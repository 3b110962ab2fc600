// The per-second display tick formats several numbers and every log line a date-time; these are their costs.
#include "common/Cp1250.h"
#include "common/Formats.h"
#include "common/OleDate.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FormatFixed(benchmark::State& state) {
    const qv::LocaleFormats czech;
    double v = 1234.5678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qv::formatFixed(v, 8, 2, czech));
        v += 0.37;
    }
}
BENCHMARK(BM_FormatFixed);

void BM_FormatDateTime(benchmark::State& state) {
    const qv::LocaleFormats czech;
    double t = qv::oleFromCivil({2026, 3, 5, 14, 7, 9, 0});
    for (auto _ : state) {
        benchmark::DoNotOptimize(qv::formatDateTime(t, czech));
        t += 1.0 / 86400;
    }
}
BENCHMARK(BM_FormatDateTime);

void BM_Cp1250RoundTrip(benchmark::State& state) {
    const std::string line = "5.3.2026 14:07:09 : Připojení bylo odpojeno mimo tuto aplikaci\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(qv::cp1250::toUtf8(qv::cp1250::fromUtf8(line)));
}
BENCHMARK(BM_Cp1250RoundTrip);

} // namespace
