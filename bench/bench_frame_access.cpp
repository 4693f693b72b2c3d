// Frame access speed on a 512x384 clip, uncompressed 24-bit and MJPEG, stepping forward and
// jumping around. The clips are made with the ffmpeg command the first time. Also the colour
// conversion of a full-range 4:2:2 picture alone, ours against FFmpeg's scaler, both writing
// bottom-up rows into a ring of frames as large as the clip stream's cache.

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QString>

#include <benchmark/benchmark.h>

#include "bench_support.h"

#include "clips/avi_stream.h"
#include "clips/frame_image.h"
#include "clips/yuv_to_bgr.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

constexpr int kFrames = 300;

QString benchClip(const char* name, const char* codec)
{
    return fw::bench::MakeBenchClip(QString::fromLatin1(name), kFrames, codec);
}

enum class Order { Forward, Random, Backward };

std::vector<int32_t> frameOrder(int32_t count, Order kind)
{
    std::vector<int32_t> order(size_t(std::max(count, 0)));
    std::iota(order.begin(), order.end(), 0);
    if (kind == Order::Random)
        std::shuffle(order.begin(), order.end(), std::mt19937(20261208));
    else if (kind == Order::Backward)
        std::reverse(order.begin(), order.end());
    return order;
}

void accessFrames(benchmark::State& state, const char* name, const char* codec, Order kind)
{
    const QString path = benchClip(name, codec);
    fw::TAVISTREAM stream(QStringLiteral("AVI"));
    fw::FrameAccess* handle = nullptr;
    try {
        stream.Open(path);
    } catch (...) {
    }
    if (!stream.IsOpen() || !stream.BeginFrameAccess(handle)) {
        state.SkipWithError("clip cannot be opened");
        return;
    }
    const std::vector<int32_t> order = frameOrder(stream.FrameCount(), kind);
    size_t next = 0;
    for (auto _ : state) {
        int32_t size = 0;
        const uint8_t* frame = nullptr;
        if (!stream.GetFrame(handle, order[next], size, frame)) {
            state.SkipWithError("frame failed");
            break;
        }
        benchmark::DoNotOptimize(frame[size - 1]);
        next = (next + 1) % order.size();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    stream.EndFrameAccess(handle);
}

const char* kRaw = "-c:v rawvideo -pix_fmt bgr24";
const char* kMjpeg = "-c:v mjpeg -q:v 3 -pix_fmt yuvj422p";

const char* kMpeg4 = "-c:v mpeg4 -q:v 3 -bf 2 -g 50";

void Uncompressed_Sequential(benchmark::State& state)
{
    accessFrames(state, "raw", kRaw, Order::Forward);
}
void Uncompressed_Random(benchmark::State& state)
{
    accessFrames(state, "raw", kRaw, Order::Random);
}
void Mjpeg_Sequential(benchmark::State& state)
{
    accessFrames(state, "mjpeg422", kMjpeg, Order::Forward);
}
void Mjpeg_Random(benchmark::State& state)
{
    accessFrames(state, "mjpeg422", kMjpeg, Order::Random);
}
// Inter frames with B-frames and 50-frame groups: stepping backward must not decode the whole
// group for every step.
void Mpeg4_Sequential(benchmark::State& state)
{
    accessFrames(state, "mpeg4", kMpeg4, Order::Forward);
}
void Mpeg4_Backward(benchmark::State& state)
{
    accessFrames(state, "mpeg4", kMpeg4, Order::Backward);
}
void Mpeg4_Random(benchmark::State& state)
{
    accessFrames(state, "mpeg4", kMpeg4, Order::Random);
}

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr size_t kRing = 32;

struct ConversionScene {
    ConversionScene()
        : luma(size_t(kWidth) * kHeight)
        , cb(size_t(kWidth / 2) * kHeight)
        , cr(size_t(kWidth / 2) * kHeight)
        , frames(kRing, std::vector<uint8_t>(size_t(fw::dibRowBytes(kWidth, 24)) * kHeight))
    {
        std::mt19937 random(7);
        for (auto* plane : { &luma, &cb, &cr }) {
            for (uint8_t& byte : *plane)
                byte = uint8_t(random());
        }
    }
    std::vector<uint8_t> luma;
    std::vector<uint8_t> cb;
    std::vector<uint8_t> cr;
    std::vector<std::vector<uint8_t>> frames;
};

void Convert422_Ours(benchmark::State& state)
{
    ConversionScene scene;
    fw::YuvPicture picture;
    picture.planes[0] = scene.luma.data();
    picture.planes[1] = scene.cb.data();
    picture.planes[2] = scene.cr.data();
    picture.linesize[0] = kWidth;
    picture.linesize[1] = picture.linesize[2] = kWidth / 2;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.sampling = fw::ChromaSampling::HalfWidth;
    size_t next = 0;
    for (auto _ : state) {
        fw::fullRangeYuvToBgr(picture, scene.frames[next].data(), fw::dibRowBytes(kWidth, 24));
        benchmark::ClobberMemory();
        next = (next + 1) % kRing;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void Convert422_Scaler(benchmark::State& state)
{
    ConversionScene scene;
    SwsContext* context = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV422P, kWidth, kHeight,
        AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    int* table = nullptr;
    int* unused = nullptr;
    int ranges[2] = {};
    int adjust[3] = {};
    sws_getColorspaceDetails(
        context, &table, &ranges[0], &unused, &ranges[1], &adjust[0], &adjust[1], &adjust[2]);
    sws_setColorspaceDetails(context, table, 1, unused, ranges[1], adjust[0], adjust[1], adjust[2]);
    const uint8_t* source[4] = { scene.luma.data(), scene.cb.data(), scene.cr.data(), nullptr };
    const int source_lines[4] = { kWidth, kWidth / 2, kWidth / 2, 0 };
    const int row_bytes = fw::dibRowBytes(kWidth, 24);
    size_t next = 0;
    for (auto _ : state) {
        uint8_t* target[4]
            = { scene.frames[next].data() + size_t(row_bytes) * (kHeight - 1), nullptr, nullptr, nullptr };
        const int target_lines[4] = { -row_bytes, 0, 0, 0 };
        sws_scale(context, source, source_lines, 0, kHeight, target, target_lines);
        benchmark::ClobberMemory();
        next = (next + 1) % kRing;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    sws_freeContext(context);
}

BENCHMARK(Uncompressed_Sequential);
BENCHMARK(Uncompressed_Random);
BENCHMARK(Mjpeg_Sequential);
BENCHMARK(Mjpeg_Random);
BENCHMARK(Mpeg4_Sequential);
BENCHMARK(Mpeg4_Backward);
BENCHMARK(Mpeg4_Random);
BENCHMARK(Convert422_Ours);
BENCHMARK(Convert422_Scaler);

} // namespace

BENCHMARK_MAIN();
