// Frame access speed on a 512x384 clip, uncompressed 24-bit and MJPEG, stepping forward and
// jumping around. The clips are made with the ffmpeg command the first time.

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QString>

#include <benchmark/benchmark.h>

#include "clips/avi_stream.h"

namespace {

constexpr int kFrames = 300;

QString benchClip(const char* name, const char* codec)
{
    const QString path = QStringLiteral("/tmp/fw_bench_%1_512x384.avi").arg(QString::fromLatin1(name));
    if (!QFileInfo::exists(path)) {
        const std::string command
            = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=512x384:rate=25 "
              "-frames:v "
            + std::to_string(kFrames) + " " + codec + " " + path.toStdString();
        if (std::system(command.c_str()) != 0)
            return {};
    }
    return path;
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

BENCHMARK(Uncompressed_Sequential);
BENCHMARK(Uncompressed_Random);
BENCHMARK(Mjpeg_Sequential);
BENCHMARK(Mjpeg_Random);
BENCHMARK(Mpeg4_Sequential);
BENCHMARK(Mpeg4_Backward);
BENCHMARK(Mpeg4_Random);

} // namespace

BENCHMARK_MAIN();
