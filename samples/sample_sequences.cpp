#include "sample_sequences.h"

#include <cstdio>
#include <memory>

#include "bay_frames.h"
#include "bouncing_ball.h"
#include "clips/bay_frame_file.h"
#include "sample_clips.h"
#include "support/fw_error.h"
#include "tiff_frames.h"

namespace fw::samples {

namespace {

namespace fs = std::filesystem;

std::string numbered(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void writeBayFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    if (!WriteBayFrameFile(QString::fromStdString(path.string()), bytes))
        throw Error("cannot write " + path.string());
}

// A colour HG imager at 1000 frames per second, 100 µs exposure; files numbered from -50, the
// impact in file 0, with five digits and the sign: F-0050.bay ... F00000.bay ... F00099.bay.
SampleSequence bouncingBallBay()
{
    using namespace bouncing_ball;
    const CameraFacts camera {
        .colour_code = 1, .session_id = 3, .camera_id = 12, .rate_code = 6, .exposure_code = 2
    };
    const auto name = [](int index) { return numbered("F%05d.bay", kFirstFrame + index); };
    return { "Bouncing Ball BAY", kLastFrame - kFirstFrame + 1,
        [camera, name](int index, const fs::path& folder) {
            writeBayFile(
                folder / name(index), BayFrameBytes(Paint(kFirstFrame + index), camera, "Bouncing Ball"));
        } };
}

// The pendulum of "Pendulum.avi" as a monochrome HG imager's TIFF files at 500 frames per
// second, 1 ms exposure: pend0001.tif ... pend0100.tif.
SampleSequence pendulumTiff()
{
    constexpr int kFrames = 100;
    const CameraFacts camera {
        .colour_code = 2, .session_id = 4, .camera_id = 7, .rate_code = 5, .exposure_code = 3
    };
    auto angles = std::make_shared<std::vector<double>>(pendulum::angles(kFrames));
    const auto name = [](int index) { return numbered("pend%04d.tif", index + 1); };
    return { "Pendulum TIFF", kFrames, [camera, name, angles](int index, const fs::path& folder) {
                SaveTiffFrame(pendulum::paint(index, (*angles)[size_t(index)]), camera,
                    (folder / name(index)).string());
            } };
}

} // namespace

std::vector<SampleSequence> sampleSequences()
{
    return { bouncingBallBay(), pendulumTiff() };
}

} // namespace fw::samples
