// Bayer interpolation of one 512 x 384 mosaic (raw, and through the colour pipeline), and the
// whole frame path of a BAY sequence: read the frame file with its checks, then interpolate.
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "clips/bay_sequence.h"
#include "clips/bayer_interpolation.h"
#include "clips/processing_pipeline.h"

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 384;
constexpr size_t kMosaicBytes = size_t(kWidth) * kHeight;

std::vector<uint8_t> TexturedMosaic()
{
    std::vector<uint8_t> cells(kMosaicBytes + 1024);
    for (size_t i = 0; i < kMosaicBytes; ++i)
        cells[i] = uint8_t((i * 37) ^ (i / 1024 * 11));
    std::copy_n("EK BAY 2", 8, cells.begin() + std::ptrdiff_t(kMosaicBytes));
    return cells;
}

void SetPixelRate(benchmark::State& state)
{
    state.counters["megapixels_per_s"] = benchmark::Counter(
        double(state.iterations()) * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
}

void InterpolateRaw(benchmark::State& state, bool color)
{
    const std::vector<uint8_t> cells = TexturedMosaic();
    const fw::BayerMosaic mosaic(cells.data(), kWidth, kHeight);
    std::vector<uint8_t> dib(kMosaicBytes * 3);
    for (auto _ : state) {
        fw::InterpolateBayerRaw(mosaic, color, dib.data());
        benchmark::DoNotOptimize(dib.data());
        benchmark::ClobberMemory();
    }
    SetPixelRate(state);
}

void InterpolateColour(benchmark::State& state)
{
    InterpolateRaw(state, true);
}
void SpreadMonochrome(benchmark::State& state)
{
    InterpolateRaw(state, false);
}

fw::ProcessingPipeline SharpenedPipeline()
{
    fw::ProcessingPipeline pipeline;
    pipeline.SetGains(1.2F, 1.0F, 0.9F);
    pipeline.Sharpen().SetFilter(fw::SharpenFilter::Clip);
    pipeline.Sharpen().SetSharpness(2.0F);
    pipeline.SetToneCurve(true);
    return pipeline;
}

// Raw pass, filter mask and pipeline pass, as a frame of the preview is rendered.
void InterpolateThroughPipeline(benchmark::State& state)
{
    const std::vector<uint8_t> cells = TexturedMosaic();
    const fw::BayerMosaic mosaic(cells.data(), kWidth, kHeight);
    fw::ProcessingPipeline pipeline = SharpenedPipeline();
    std::vector<uint8_t> dib(kMosaicBytes * 3);
    for (auto _ : state) {
        fw::RenderBayerFrame(mosaic, true, pipeline, dib.data());
        benchmark::DoNotOptimize(dib.data());
        benchmark::ClobberMemory();
    }
    SetPixelRate(state);
}

// Eight frame files read in turn (from the page cache after the first round), each interpolated.
enum class FramePass { Raw, DefaultPipeline, SharpenedPipeline };

void ReadAndInterpolate(benchmark::State& state, FramePass pass)
{
    QTemporaryDir dir;
    const std::vector<uint8_t> file_bytes = TexturedMosaic();
    for (int i = 0; i < 8; ++i) {
        QFile file(dir.filePath(QStringLiteral("F%1.bay").arg(i, 5, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot write the frame files");
        file.write(reinterpret_cast<const char*>(file_bytes.data()), qint64(file_bytes.size()));
    }
    fw::BaySequence sequence;
    if (sequence.Open(dir.filePath(QStringLiteral("F00000.bay"))))
        state.SkipWithError("cannot open the sequence");
    fw::ProcessingPipeline pipeline
        = pass == FramePass::SharpenedPipeline ? SharpenedPipeline() : fw::ProcessingPipeline();
    std::vector<uint8_t> record;
    std::vector<uint8_t> dib(kMosaicBytes * 3);
    int32_t frame = 0;
    for (auto _ : state) {
        if (sequence.ReadFrame(frame, record))
            state.SkipWithError("frame read failed");
        const fw::BayerMosaic mosaic(record.data(), kWidth, kHeight);
        if (pass != FramePass::Raw)
            fw::RenderBayerFrame(mosaic, true, pipeline, dib.data());
        else
            fw::InterpolateBayerRaw(mosaic, true, dib.data());
        benchmark::DoNotOptimize(dib.data());
        frame = (frame + 1) % sequence.Count();
    }
    SetPixelRate(state);
}

void ReadAndInterpolateRaw(benchmark::State& state)
{
    ReadAndInterpolate(state, FramePass::Raw);
}
// A whole frame as the preview renders it with the settings it opens with.
void ReadAndRenderDefault(benchmark::State& state)
{
    ReadAndInterpolate(state, FramePass::DefaultPipeline);
}
void ReadAndRenderThroughPipeline(benchmark::State& state)
{
    ReadAndInterpolate(state, FramePass::SharpenedPipeline);
}

} // namespace

BENCHMARK(InterpolateColour)->Unit(benchmark::kMillisecond);
BENCHMARK(SpreadMonochrome)->Unit(benchmark::kMillisecond);
BENCHMARK(InterpolateThroughPipeline)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadAndInterpolateRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadAndRenderDefault)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadAndRenderThroughPipeline)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
