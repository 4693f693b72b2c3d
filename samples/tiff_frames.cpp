#include "tiff_frames.h"

#include <algorithm>
#include <cstring>

#include "clips/kodaky_whacker.h"
#include "clips/tif_file.h"

namespace fw::samples {

namespace {

constexpr char kHgIdentifier[] = "EK ML TIF";
constexpr CameraFactsLayout kBlockLayout {
    .colour = 10, .session = 11, .camera = 12, .rate = 13, .exposure = 14, .date_time = 35
};

constexpr uint32_t kBlackIsZero = 1;
constexpr uint32_t kRgb = 2;

// TIFF keeps red, green, blue; the canvas blue, green, red.
std::vector<uint8_t> TopDownSamples(const Canvas& picture)
{
    const size_t row_bytes = static_cast<size_t>(picture.width()) * picture.channels();
    std::vector<uint8_t> samples(row_bytes * picture.height());
    for (int y = 0; y < picture.height(); ++y) {
        uint8_t* out = samples.data() + row_bytes * y;
        std::memcpy(out, picture.row(y), row_bytes);
        if (picture.channels() == 3)
            for (size_t i = 0; i < row_bytes; i += 3)
                std::swap(out[i], out[i + 2]);
    }
    return samples;
}

} // namespace

std::vector<uint8_t> TiffCameraBlock(const CameraFacts& camera)
{
    std::vector<uint8_t> block(TKodakyWhacker::kBlockSize, 0);
    std::memcpy(block.data(), kHgIdentifier, sizeof kHgIdentifier - 1);
    StampCameraFacts(camera, kBlockLayout, block.data());
    return block;
}

void SaveTiffFrame(const Canvas& picture, const CameraFacts& camera, const std::string& path)
{
    TIFFile file;
    file.SetWidth(picture.width());
    file.SetSamplesPerPixel(picture.channels());
    file.SetBitsPerSample(8);
    file.SetTag(tif_tag::kPhotometric, picture.channels() == 1 ? kBlackIsZero : kRgb);
    file.SetHeight(picture.height());
    const std::vector<uint8_t> block = TiffCameraBlock(camera);
    for (uint32_t i = 0; i < block.size(); ++i)
        file.SetTag(tif_tag::kCameraBlock, block[i], uint16_t(TIFType::ttByte), i);
    file.Strip(0) = TopDownSamples(picture);
    file.SaveToFile(QString::fromStdString(path));
}

} // namespace fw::samples
