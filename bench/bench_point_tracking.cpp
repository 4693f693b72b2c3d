// Tracking a point from frame to frame: a 21 x 21 template found in a 64 x 64 search area on
// 512 x 384 frames, on one core, as Quick Measure and framewright-cli track do it. The frames
// are in memory, so the figure is the tracker's own: grey values of the search area, the
// normalised cross-correlation, the sub-pixel peak. The goal is 500 frames a second or more.

#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>
#include <opencv2/core/utility.hpp>

#include "../samples/tracking_marker.h"
#include "clips/frame_image.h"
#include "measure/track_run.h"

namespace {

namespace marker = fw::samples::tracking_marker;

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kFrames = 200;

// The marker on a slow loop through the picture, a few pixels a frame.
marker::Position PathAt(int frame)
{
    const double t = frame / double(kFrames);
    return { 256.0 + 150.0 * std::sin(2.0 * 3.14159265358979 * t),
        192.0 + 100.0 * std::sin(4.0 * 3.14159265358979 * t) };
}

// The frames as 8-bit grey or as 24-bit colour pictures.
std::vector<fw::FrameImage> MakeFrames(int bits)
{
    std::vector<fw::FrameImage> frames;
    for (int i = 0; i < kFrames; ++i) {
        const marker::GreyPicture grey = marker::RenderMarker(kWidth, kHeight, PathAt(i));
        fw::FrameImage frame(kWidth, kHeight, bits);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = frame.topDownRow(y);
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t value = grey[size_t(y) * kWidth + size_t(x)];
                if (bits == 8) {
                    row[x] = value;
                } else {
                    row[3 * x] = uint8_t(value / 2);
                    row[3 * x + 1] = value;
                    row[3 * x + 2] = uint8_t(255 - value / 3);
                }
            }
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

void TrackThrough(benchmark::State& state, int bits)
{
    cv::setNumThreads(1);
    const std::vector<fw::FrameImage> frames = MakeFrames(bits);
    const fw::TrackFrameSource source = [&frames](int32_t index) {
        const fw::FrameImage& frame = frames[size_t(index)];
        return fw::PackedBytes { frame.packed(), frame.packedSize() };
    };
    fw::TrackRequest request;
    request.last_frame = kFrames - 1;
    request.point = { PathAt(0).x, PathAt(0).y };
    int64_t tracked = 0;
    for (auto _ : state) {
        fw::TrackRun run(request, source);
        while (run.Advance(kFrames)) { }
        if (run.Stop()) {
            state.SkipWithError("the track stopped");
            break;
        }
        tracked += run.FramesDone();
    }
    state.SetItemsProcessed(tracked);
    state.counters["frames_per_s"] = benchmark::Counter(double(tracked), benchmark::Counter::kIsRate);
}

void BM_TrackGreyFrames(benchmark::State& state)
{
    TrackThrough(state, 8);
}
BENCHMARK(BM_TrackGreyFrames)->Unit(benchmark::kMillisecond);

// Colour frames pay for the grey values of the search area as well.
void BM_TrackColourFrames(benchmark::State& state)
{
    TrackThrough(state, 24);
}
BENCHMARK(BM_TrackColourFrames)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
