// One 512 x 384 frame through the whole colour pipeline: filter mask, sharpening step, tone
// tables and colour matrix; also the tables alone and a grey frame, for comparison.
#include <vector>

#include <benchmark/benchmark.h>

#include "clips/frame_image.h"
#include "clips/processing_pipeline.h"

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 384;

// A textured frame, so the mask and the steps are not all zero.
fw::FrameImage SourceFrame(int bits)
{
    fw::FrameImage frame(kWidth, kHeight, bits);
    uint8_t* p = frame.pixels();
    for (size_t i = 0; i < frame.pixelBytes(); ++i)
        p[i] = uint8_t((i * 37) ^ (i / 1536 * 11));
    return frame;
}

void RunFrames(benchmark::State& state, fw::ProcessingPipeline& pipeline, int bits)
{
    const fw::FrameImage source = SourceFrame(bits);
    fw::FrameImage frame = source;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(source.pixels(), source.pixels() + source.pixelBytes(), frame.pixels());
        state.ResumeTiming();
        pipeline.ProcessFrame(frame);
        benchmark::DoNotOptimize(frame.pixels());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void WholePipeline(benchmark::State& state)
{
    fw::ProcessingPipeline pipeline;
    pipeline.SetGains(1.2F, 1.0F, 0.9F);
    pipeline.Sharpen().SetFilter(fw::SharpenFilter::Core);
    pipeline.Sharpen().SetSharpness(2.0F);
    pipeline.SetToneCurve(true);
    RunFrames(state, pipeline, 24);
}

// The reference case: tone tables, colour matrix and the "Clip" sharpening filter.
void ClipFilterPipeline(benchmark::State& state)
{
    fw::ProcessingPipeline pipeline;
    pipeline.SetGains(1.2F, 1.0F, 0.9F);
    pipeline.Sharpen().SetFilter(fw::SharpenFilter::Clip);
    pipeline.Sharpen().SetSharpness(2.0F);
    pipeline.SetToneCurve(true);
    RunFrames(state, pipeline, 24);
    state.counters["megapixels_per_s"] = benchmark::Counter(
        double(state.iterations()) * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
}

void TablesOnly(benchmark::State& state)
{
    fw::ProcessingPipeline pipeline;
    pipeline.Sharpen().SetFilter(fw::SharpenFilter::None);
    RunFrames(state, pipeline, 24);
}

void GreyFrame(benchmark::State& state)
{
    fw::ProcessingPipeline pipeline(fw::WhiteLevelSource::Full);
    pipeline.SetGreyFrames(true);
    pipeline.Sharpen().SetFilter(fw::SharpenFilter::Clip);
    RunFrames(state, pipeline, 8);
}

void RebuildTables(benchmark::State& state)
{
    fw::ProcessingPipeline pipeline;
    float gamma = 1.0F;
    for (auto _ : state) {
        gamma = gamma > 2.0F ? 1.0F : gamma + 0.01F;
        pipeline.SetGamma(gamma);
        benchmark::DoNotOptimize(pipeline.Table(fw::kRed).data());
    }
}

} // namespace

BENCHMARK(WholePipeline)->Unit(benchmark::kMillisecond);
BENCHMARK(ClipFilterPipeline)->Unit(benchmark::kMillisecond);
BENCHMARK(TablesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(GreyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(RebuildTables)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
