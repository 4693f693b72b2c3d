// Reads arbitrary bytes as a TIFF frame file. A file that loads must extract whole and
// resampled without reading outside its strips; its camera block, when it has one, is read too.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QByteArray>

#include "clips/kodaky_whacker.h"
#include "clips/tif_file.h"
#include "support/fw_error.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void ReadCameraBlock(const fw::TIFFile& file)
{
    const fw::TIFDEntry* block = file.FindTag(fw::tif_tag::kCameraBlock);
    if (!block || block->TypeSize() != 1)
        return;
    try {
        const fw::TKodakyWhacker whacker(block->Bytes().data(), block->Bytes().size());
        whacker.CameraType();
        whacker.CameraID();
        whacker.SessionID();
        whacker.RecordingRate();
        whacker.Exposure();
        whacker.DateAndTime();
    } catch (const fw::Error&) {
    }
}

void Extract(fw::TIFFile& file)
{
    const int32_t w = file.Width();
    const int32_t h = file.Height();
    const int samples = file.SamplesPerPixel();
    Check(w > 0 && h > 0 && (samples == 1 || samples == 3));
    std::vector<uint8_t> whole(size_t(w) * size_t(h) * size_t(samples));
    file.ExtractRect(whole.data(), fw::FrameRect { 0, 0, w - 1, h - 1 }, nullptr, w, h);
    const int32_t out_w = std::min(w, 17) + 1;
    const int32_t out_h = std::min(h, 13) + 1;
    std::vector<uint8_t> small(size_t(out_w) * size_t(out_h) * size_t(samples));
    file.ExtractRect(small.data(), fw::FrameRect { -1, 1, w, h + 2 }, nullptr, out_w, out_h);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fw::TIFFile file;
    try {
        file.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const fw::Error&) {
        Check(!file.Loaded() && file.Entries().empty());
        return 0;
    }
    Check(file.Loaded());
    Check(std::is_sorted(file.Entries().begin(), file.Entries().end(),
        [](const fw::TIFDEntry& a, const fw::TIFDEntry& b) { return a.Tag() < b.Tag(); }));
    ReadCameraBlock(file);
    Extract(file);
    return 0;
}
