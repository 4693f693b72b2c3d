// How long a second start takes to hand its file to the running program: with the running
// program serving events (the usual case), and with it busy, when the second start must give up
// within its wait limits rather than hang.

#include <chrono>
#include <future>
#include <memory>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include "shell/single_instance.h"

namespace {

using fw::SingleInstance;

// The running program, listening under a name of this process.
std::unique_ptr<SingleInstance> RunningProgram(const char* kind, benchmark::State& state)
{
    auto first = std::make_unique<SingleInstance>(
        QStringLiteral("fw-bench-%1-%2").arg(::getpid()).arg(QLatin1String(kind)));
    if (first->Listen())
        return first;
    state.SkipWithError("cannot listen");
    return nullptr;
}

void HandOverToAServingProgram(benchmark::State& state)
{
    const auto first = RunningProgram("serving", state);
    if (!first)
        return;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto second = std::async(std::launch::async,
            [&] { return SingleInstance::HandOver(first->ServerName(), QStringLiteral("/clips/a.avi")); });
        while (second.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const auto result = second.get();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (result != SingleInstance::HandOverResult::Delivered) {
            state.SkipWithError("not delivered");
            return;
        }
    }
}

// The default limits: what a user waits for when the running program hangs.
void HandOverToABusyProgram(benchmark::State& state)
{
    const auto first = RunningProgram("busy", state);
    if (!first)
        return;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = SingleInstance::HandOver(first->ServerName(), QStringLiteral("/clips/late.avi"));
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (result != SingleInstance::HandOverResult::Busy) {
            state.SkipWithError("a busy program took the file");
            return;
        }
        // Lets the running program drop the abandoned connection before the next round.
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(HandOverToAServingProgram)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(HandOverToABusyProgram)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
