// A signal file of 1,000,000 lines from the signal choice's OK to the plotted chart on screen:
// reading the file (proposals, counting, samples) and plotting it. Runs on the offscreen
// platform unless another is set. The file is written under /tmp the first time.

#include <cmath>
#include <cstdio>

#include <QApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include "signals/forms/graph_chart.h"
#include "signals/forms/graph_form.h"
#include "signals/forms/sig_select_dlg.h"
#include "signals/signal_file.h"

namespace {

constexpr int kLines = 1000000;

// Time in ms in the first column, a wavy value in the second.
QString SignalFile()
{
    const QString path = QStringLiteral("/tmp/fw_bench_signal_%1.txt").arg(kLines);
    if (QFileInfo::exists(path))
        return path;
    std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
    if (!file)
        return {};
    std::fputs("Time Force\n", file);
    for (int k = 0; k < kLines; ++k)
        std::fprintf(file, "%.3f %.6f\n", k * 0.1, 10.0 + std::sin(k * 0.001) * 5.0 + (k % 7) * 0.01);
    std::fclose(file);
    return path;
}

void LoadAndPlot(benchmark::State& state)
{
    const QString path = SignalFile();
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the signal file");
        return;
    }
    fw::SetSigInfoAsker([](fw::SigInfo&) { return true; });
    fw::TGraphForm::SetDialogRunner([](QDialog& dialog) {
        auto* choice = qobject_cast<fw::TSigSelectDlg*>(&dialog);
        if (!choice)
            return false;
        choice->findChild<QPushButton*>(QStringLiteral("SepMoveAllBtn"))->click();
        return true;
    });
    for (auto _ : state) {
        fw::TGraphForm graph(nullptr, nullptr, nullptr);
        graph.resize(1000, 700);
        graph.show();
        QApplication::processEvents();
        if (!graph.ChooseAndPlot({ path }) || graph.Chart()->SignalCount() != 1) {
            state.SkipWithError("the signal was not plotted");
            return;
        }
        graph.Chart()->repaint();
        state.PauseTiming();
        graph.close();
        state.ResumeTiming();
    }
    state.counters["points"] = kLines;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::RegisterBenchmark("LoadAndPlot_1M", LoadAndPlot)->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
