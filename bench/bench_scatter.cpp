// Scattering 300 frames of a 512x384 24-bit clip into JPEG files at quality 100, against the
// ffmpeg command writing the same JPEG sequence from the same clip (MJPEG encoder, 4:4:4 like
// ours, qscale 1: its finest setting). Both on one thread, timed in processor seconds so that
// other work on the machine does not count; the ratio is printed at the end.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "bench_support.h"

#include "clips/avi_stream.h"
#include "clips/frame_file_writer.h"
#include "clips/frame_scatter.h"

namespace {

constexpr int kFrames = 300;

QString benchClip()
{
    return fw::bench::MakeBenchClip(QStringLiteral("bgr24"), kFrames, "-c:v rawvideo -pix_fmt bgr24");
}

qint64 directoryBytes(const QString& directory)
{
    qint64 total = 0;
    for (QDirIterator it(directory, QDir::Files); it.hasNext();)
        total += QFileInfo(it.next()).size();
    return total;
}

struct Best {
    double seconds = 0;
    qint64 bytes = 0;
    void take(double s, qint64 b)
    {
        if (seconds == 0 || s < seconds) {
            seconds = s;
            bytes = b;
        }
    }
};
Best ours;
Best theirs;

void report(benchmark::State& state, Best& best, double seconds, const QString& directory)
{
    const qint64 bytes = directoryBytes(directory);
    best.take(seconds, bytes);
    state.SetIterationTime(seconds);
    state.counters["MB_written"] = double(bytes) / 1e6;
}

void ScatterJpeg(benchmark::State& state)
{
    const QString clip = benchClip();
    fw::TAVISTREAM stream(QStringLiteral("AVI"));
    try {
        stream.Open(clip);
    } catch (...) {
    }
    if (!stream.IsOpen()) {
        state.SkipWithError("clip cannot be opened");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir target;
        QString error;
        const double start = fw::bench::CpuSeconds(RUSAGE_SELF);
        const fw::ScatterResult result
            = fw::ScatterFrames(stream, target.path(), fw::kJpegFrameFiles, nullptr, error);
        const double seconds = fw::bench::CpuSeconds(RUSAGE_SELF) - start;
        if (result != fw::ScatterResult::Completed) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        report(state, ours, seconds, target.path());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

void FfmpegJpeg(benchmark::State& state)
{
    const QString clip = benchClip();
    for (auto _ : state) {
        QTemporaryDir target;
        const std::string command = "ffmpeg -nostdin -loglevel error -y -threads 1 -i " + clip.toStdString()
            + " -threads 1 -c:v mjpeg -pix_fmt yuvj444p -qmin 1 -q:v 1 -start_number 0 '"
            + target.path().toStdString() + "/F%07d.jpg'";
        const double start = fw::bench::CpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
        report(state, theirs, fw::bench::CpuSeconds(RUSAGE_CHILDREN) - start, target.path());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

} // namespace

BENCHMARK(ScatterJpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FfmpegJpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (ours.seconds > 0 && theirs.seconds > 0) {
        std::printf("best of runs, processor time for %d frames:\n", kFrames);
        std::printf("  scatter  %7.1f ms  %6.0f frames/s  %6.1f MB\n", ours.seconds * 1e3,
            kFrames / ours.seconds, double(ours.bytes) / 1e6);
        std::printf("  ffmpeg   %7.1f ms  %6.0f frames/s  %6.1f MB\n", theirs.seconds * 1e3,
            kFrames / theirs.seconds, double(theirs.bytes) / 1e6);
        std::printf("  ratio scatter / ffmpeg: %.2f\n", ours.seconds / theirs.seconds);
    }
    return 0;
}
