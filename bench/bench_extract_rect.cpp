// Rectangle extraction from 512 x 384 frames: a same-size cut (copy only) against a cut that is
// resampled to another size, for 8-bit and 24-bit pictures.
#include <benchmark/benchmark.h>

#include "clips/frame_image.h"
#include "clips/image_filer.h"

namespace {

// Serves one frame held in memory.
class MemoryFiler : public fw::TImageFiler {
public:
    explicit MemoryFiler(int bits)
        : frame_(512, 384, bits)
    {
        uint8_t* p = frame_.pixels();
        for (size_t i = 0; i < frame_.pixelBytes(); ++i)
            p[i] = uint8_t(i * 7 + i / 512);
    }
    int32_t Width() override { return frame_.width(); }
    void SetWidth(int32_t) override { }
    int32_t Height() override { return frame_.height(); }
    void SetHeight(int32_t) override { }
    int BitsPerSample() override { return frame_.bitsPerPixel(); }
    void SetBitsPerSample(int) override { }
    int SamplesPerPixel() override { return 1; }
    void SetSamplesPerPixel(int) override { }
    void ExtractRect(uint8_t* output, const fw::FrameRect& rect, fw::TSharpener* sharpener, int32_t out_w,
        int32_t out_h) override
    {
        const fw::SourcePixels source { frame_.pixels(), frame_.width(), frame_.height(), frame_.rowBytes(),
            frame_.bitsPerPixel() / 8 };
        ExtractFromPixels(source, output, rect, sharpener, out_w, out_h);
    }
    bool LoadFrame() override { return true; }
    void SaveToFile(const QString&) override { }

private:
    fw::FrameImage frame_;
};

void ExtractRect(benchmark::State& state)
{
    const int bits = int(state.range(0));
    const int32_t out_w = int32_t(state.range(1));
    const int32_t out_h = int32_t(state.range(2));
    MemoryFiler filer(bits);
    std::vector<uint8_t> output(size_t(out_w) * size_t(out_h) * size_t(bits / 8));
    const fw::FrameRect whole { 0, 0, 511, 383 };
    for (auto _ : state) {
        filer.ExtractRect(output.data(), whole, nullptr, out_w, out_h);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(output.size()));
}

void ExtractRectGreyTransform(benchmark::State& state)
{
    MemoryFiler filer(8);
    filer.SetGreyTransform([](uint8_t v) { return uint8_t(255 - v); });
    std::vector<uint8_t> output(512 * 384);
    for (auto _ : state) {
        filer.ExtractRect(output.data(), { 0, 0, 511, 383 }, nullptr, 512, 384);
        benchmark::DoNotOptimize(output.data());
    }
}

} // namespace

// Arguments: bits per pixel, output width, output height.
BENCHMARK(ExtractRect)
    ->ArgNames({ "bits", "out_w", "out_h" })
    ->Args({ 8, 512, 384 })
    ->Args({ 8, 640, 480 })
    ->Args({ 8, 256, 192 })
    ->Args({ 24, 512, 384 })
    ->Args({ 24, 640, 480 })
    ->Args({ 24, 256, 192 });
BENCHMARK(ExtractRectGreyTransform);

BENCHMARK_MAIN();
