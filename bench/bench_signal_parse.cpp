// Reading a signal file of 1,000,000 lines (time in seconds at 10 kHz, one value column) to all
// its samples in memory: opening (first data line, proposals, counting) plus one full read, and
// the re-read the graph does whenever it needs the values again.
// The file is FW_SIGNAL_BENCH_FILE when set (compare_awk.sh sets it), else made under /tmp.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <QFileInfo>
#include <QString>

#include <benchmark/benchmark.h>

#include "signals/signal_file.h"

namespace {

constexpr int kLines = 1000000;

QString SignalFile()
{
    if (const char* given = std::getenv("FW_SIGNAL_BENCH_FILE"))
        return QString::fromLocal8Bit(given);
    const QString path = QStringLiteral("/tmp/fw_bench_signal_1M.txt");
    if (!QFileInfo::exists(path)) {
        std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
        if (!file)
            return {};
        std::fputs("Time Force\n", file);
        for (int i = 0; i < kLines; ++i)
            std::fprintf(file, "%.4f\t%.6f\n", i / 10000.0, 100.0 * std::sin(i / 100.0));
        std::fclose(file);
    }
    return path;
}

bool Accept(fw::SigInfo&)
{
    return true;
}

void OpenAndReadAll(benchmark::State& state)
{
    const QString path = SignalFile();
    double sum = 0;
    int64_t samples = 0;
    for (auto _ : state) {
        fw::TASCIIColumn signal(path, Accept);
        const std::vector<double> values = signal.ReadAllSamples();
        for (const double v : values)
            sum += v;
        samples += static_cast<int64_t>(values.size());
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(samples);
    state.counters["sum"] = sum / static_cast<double>(state.iterations());
}

void RewindAndReadAll(benchmark::State& state)
{
    fw::TASCIIColumn signal(SignalFile(), Accept);
    int64_t samples = 0;
    for (auto _ : state) {
        const std::vector<double> values = signal.ReadAllSamples();
        benchmark::DoNotOptimize(values.data());
        samples += static_cast<int64_t>(values.size());
    }
    state.SetItemsProcessed(samples);
}

} // namespace

BENCHMARK(OpenAndReadAll)->Unit(benchmark::kMillisecond);
BENCHMARK(RewindAndReadAll)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
