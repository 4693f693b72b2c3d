// A cursor move on a chart of 1,000,000 points, from the move to the window painted: only the
// cursor's own layer is drawn again. A full replot per move is timed beside it for comparison.
// Runs on the offscreen platform unless another is set.

#include <cmath>

#include <QApplication>

#include <benchmark/benchmark.h>

#include "signals/forms/graph_chart.h"
#include "signals/forms/graph_form.h"

namespace {

constexpr int kPoints = 1000000;

// A graph window showing one signal of kPoints samples at 10 kHz.
std::unique_ptr<fw::TGraphForm> PlottedGraph()
{
    auto graph = std::make_unique<fw::TGraphForm>(nullptr, nullptr, nullptr);
    graph->resize(1000, 700);
    graph->show();
    QApplication::processEvents();
    fw::ChartSignal signal;
    signal.name = QStringLiteral("Force");
    signal.y_label = QStringLiteral("N");
    signal.times = fw::SampleTimes { 0.0, 0.1, kPoints };
    signal.values.resize(kPoints);
    for (int k = 0; k < kPoints; ++k)
        signal.values[size_t(k)] = 10.0 + std::sin(k * 0.001) * 5.0 + (k % 7) * 0.01;
    std::vector<fw::ChartSignal> signals_shown;
    signals_shown.push_back(std::move(signal));
    graph->Chart()->Plot(std::move(signals_shown), fw::PlanGraphLayout(1, 0, false), fw::GraphScaling::Linear,
        QString(), QStringLiteral("Time (mS)"));
    graph->Chart()->repaint();
    QApplication::processEvents();
    return graph;
}

void CursorMove(benchmark::State& state)
{
    const auto graph = PlottedGraph();
    int32_t point = 0;
    for (auto _ : state) {
        point = (point + 7919) % kPoints;
        graph->MoveCursor(0, point);
        graph->Chart()->repaint();
    }
    state.counters["points"] = kPoints;
}

void FullReplotPerMove(benchmark::State& state)
{
    const auto graph = PlottedGraph();
    int32_t point = 0;
    for (auto _ : state) {
        point = (point + 7919) % kPoints;
        graph->MoveCursor(0, point);
        graph->Chart()->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.counters["points"] = kPoints;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::RegisterBenchmark("CursorMove_1M", CursorMove)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FullReplotPerMove_1M", FullReplotPerMove)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
