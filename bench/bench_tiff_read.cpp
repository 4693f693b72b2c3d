// Reading one 512 x 384 24-bit LZW TIFF frame: the program's reader (decoding alone, and
// decoding plus extraction into a frame) against libtiff decoding every strip of the same file.
#include <benchmark/benchmark.h>

#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "clips/tif_file.h"

namespace {

constexpr uint32_t kWidth = 512;
constexpr uint32_t kHeight = 384;

// Gradients with some noise, like a camera frame, so LZW has work of both kinds.
std::string BenchFile(uint16_t predictor)
{
    const std::string path
        = "/tmp/fw_bench_tiff_" + std::to_string(getpid()) + "_p" + std::to_string(predictor) + ".tif";
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, predictor);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16u);
    std::vector<uint8_t> row(kWidth * 3);
    uint32_t state = 7;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t i = 0; i < row.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            row[i] = uint8_t((i / 3 + y) / 2 + (i % 3) * 40 + ((state >> 28) & 3));
        }
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    return path;
}

void TIFFileLoad(benchmark::State& state)
{
    const std::string path = BenchFile(uint16_t(state.range(0)));
    fw::TIFFile file(QString::fromStdString(path));
    for (auto _ : state) {
        file.LoadFrame();
        benchmark::DoNotOptimize(file.Strip(0).data());
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}

void TIFFileLoadAndExtract(benchmark::State& state)
{
    const std::string path = BenchFile(uint16_t(state.range(0)));
    fw::TIFFile file(QString::fromStdString(path));
    std::vector<uint8_t> output(size_t(kWidth) * kHeight * 3);
    const fw::FrameRect whole { 0, 0, int32_t(kWidth) - 1, int32_t(kHeight) - 1 };
    for (auto _ : state) {
        file.LoadFrame();
        file.ExtractRect(output.data(), whole, nullptr, int32_t(kWidth), int32_t(kHeight));
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}

void LibtiffReadEncodedStrips(benchmark::State& state)
{
    const std::string path = BenchFile(uint16_t(state.range(0)));
    std::vector<uint8_t> picture(size_t(kWidth) * kHeight * 3);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        if (!tif) {
            state.SkipWithError("libtiff cannot open the file");
            break;
        }
        const tmsize_t strip_size = TIFFStripSize(tif);
        for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s)
            TIFFReadEncodedStrip(tif, s, picture.data() + size_t(s) * size_t(strip_size), strip_size);
        TIFFClose(tif);
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}

} // namespace

// Argument: the predictor, 1 none, 2 horizontal differencing.
BENCHMARK(TIFFileLoad)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(TIFFileLoadAndExtract)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(LibtiffReadEncodedStrips)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
