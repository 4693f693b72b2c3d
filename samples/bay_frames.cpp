#include "bay_frames.h"

#include <cstring>
#include <stdexcept>

#include "clips/bay_record.h"
#include "clips/processing_tone.h"

namespace fw::samples {

namespace {

constexpr char kHgSignature[] = "EK BAY 2";
constexpr CameraFactsLayout kRecordLayout {
    .colour = 8, .session = 9, .camera = 10, .rate = 11, .exposure = 119, .date_time = 33
};

// Canvas pixels hold blue, green, red.
constexpr int kCanvasBlue = 0;
constexpr int kCanvasGreen = 1;
constexpr int kCanvasRed = 2;

// What the sensor gives for a scene value of one channel under tungsten light.
uint8_t Sensed(uint8_t value, int channel)
{
    const uint8_t white = kColorTemperatures[kTungstenIndex].white[size_t(channel)];
    return uint8_t((value * white + 127) / 255);
}

BayRecord CameraRecord(const CameraFacts& camera, const std::string& titles)
{
    BayRecord record;
    std::memcpy(record.bytes.data(), kHgSignature, sizeof kHgSignature - 1);
    StampCameraFacts(camera, kRecordLayout, record.bytes.data());
    record.SetTitles(titles);
    return record;
}

} // namespace

std::vector<uint8_t> BayerMosaicOf(const Canvas& picture)
{
    if (picture.channels() != 3 || picture.width() % 2 != 0 || picture.height() % 2 != 0)
        throw std::invalid_argument("a Bayer mosaic needs a colour picture of even size");
    std::vector<uint8_t> cells;
    cells.reserve(static_cast<size_t>(picture.width()) * picture.height());
    for (int y = 0; y < picture.height(); y += 2) {
        const uint8_t* top = picture.row(y);
        const uint8_t* bottom = picture.row(y + 1);
        for (int x = 0; x < picture.width(); x += 2) {
            cells.push_back(Sensed(top[3 * x + kCanvasGreen], kGreen));
            cells.push_back(Sensed(top[3 * (x + 1) + kCanvasRed], kRed));
            cells.push_back(Sensed(bottom[3 * x + kCanvasBlue], kBlue));
            cells.push_back(Sensed(bottom[3 * (x + 1) + kCanvasGreen], kGreen));
        }
    }
    return cells;
}

std::vector<uint8_t> BayFrameBytes(
    const Canvas& picture, const CameraFacts& camera, const std::string& titles)
{
    std::vector<uint8_t> bytes = BayerMosaicOf(picture);
    const std::array<uint8_t, kBayRecordBytes> record = SerialiseBayRecord(CameraRecord(camera, titles));
    bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

} // namespace fw::samples
