// Saving a clip of 1000 frames, 512x384 24-bit, as an uncompressed AVI through the clip
// stream's save (frames read from the clip, written by the save thread), against the ffmpeg
// command copying the same clip to an AVI with its rawvideo encoder. Both are timed in
// processor seconds of the saving process (user + system, every thread), best of the runs; the
// ratio is printed at the end.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "bench_support.h"

#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"

namespace {

constexpr int kFrames = 1000;

QString benchClip()
{
    return fw::bench::MakeBenchClip(QStringLiteral("save_bgr24"), kFrames, "-c:v rawvideo -pix_fmt bgr24");
}

double wallSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Best {
    double cpu = 0;
    double wall = 0;
    qint64 bytes = 0;
    void take(double c, double w, qint64 b)
    {
        if (cpu == 0 || c < cpu) {
            cpu = c;
            wall = w;
            bytes = b;
        }
    }
};

Best ours;
Best theirs;

void report(benchmark::State& state, Best& best, double cpu, double wall, const QString& file)
{
    const qint64 bytes = QFileInfo(file).size();
    best.take(cpu, wall, bytes);
    state.SetIterationTime(cpu);
    state.counters["MB_written"] = double(bytes) / 1e6;
    state.counters["wall_ms"] = wall * 1e3;
}

void SaveUncompressed(benchmark::State& state)
{
    const QString clip = benchClip();
    fw::TAVISTREAM stream(QStringLiteral("AVI"));
    try {
        stream.Open(clip);
    } catch (...) {
    }
    if (!stream.IsOpen() || stream.FrameCount() != kFrames) {
        state.SkipWithError("clip cannot be opened");
        return;
    }
    stream.CompressOptions().fccHandler = fw::kUncompressedCode;
    stream.CompressOptions().options_ok = true;
    for (auto _ : state) {
        QTemporaryDir target;
        const QString file = target.filePath(QStringLiteral("saved.avi"));
        bool done = false;
        int32_t result = -1;
        const double cpu_start = fw::bench::CpuSeconds(RUSAGE_SELF);
        const double wall_start = wallSeconds();
        stream.StartSave(1, QStringLiteral("Video Clip File"), file, {}, [&](fw::TAVISTREAM&, int32_t code) {
            done = true;
            result = code;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double cpu = fw::bench::CpuSeconds(RUSAGE_SELF) - cpu_start;
        const double wall = wallSeconds() - wall_start;
        if (result != 0) {
            state.SkipWithError("save failed");
            return;
        }
        report(state, ours, cpu, wall, file);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

void FfmpegRawvideo(benchmark::State& state)
{
    const QString clip = benchClip();
    for (auto _ : state) {
        QTemporaryDir target;
        const QString file = target.filePath(QStringLiteral("saved.avi"));
        const std::string command = "ffmpeg -nostdin -loglevel error -y -threads 1 -i " + clip.toStdString()
            + " -threads 1 -c:v rawvideo -pix_fmt bgr24 " + file.toStdString();
        const double cpu_start = fw::bench::CpuSeconds(RUSAGE_CHILDREN);
        const double wall_start = wallSeconds();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
        report(state, theirs, fw::bench::CpuSeconds(RUSAGE_CHILDREN) - cpu_start, wallSeconds() - wall_start,
            file);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

} // namespace

BENCHMARK(SaveUncompressed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FfmpegRawvideo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (ours.cpu > 0 && theirs.cpu > 0) {
        std::printf("best of runs, %d frames 512x384 24-bit:\n", kFrames);
        std::printf("  save    %7.1f ms processor  %7.1f ms wall  %6.1f MB\n", ours.cpu * 1e3,
            ours.wall * 1e3, double(ours.bytes) / 1e6);
        std::printf("  ffmpeg  %7.1f ms processor  %7.1f ms wall  %6.1f MB\n", theirs.cpu * 1e3,
            theirs.wall * 1e3, double(theirs.bytes) / 1e6);
        std::printf("  ratio save / ffmpeg: %.2f processor, %.2f wall\n", ours.cpu / theirs.cpu,
            ours.wall / theirs.wall);
    }
    return 0;
}
