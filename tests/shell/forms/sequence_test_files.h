#pragma once

#include <cstring>
#include <vector>

#include <QDir>
#include <QString>

#include "clips/bay_frame_file.h"
#include "clips/bay_record.h"
#include "clips/tif_file.h"

namespace fw::test {

// A colour 512 x 144 BAY frame file of an HG imager at 500 frames per second, its mosaic made
// from `seed`.
inline bool WriteBayFrame(const QString& path, uint8_t seed)
{
    constexpr size_t kMosaic = 512 * 144;
    std::vector<uint8_t> record(kMosaic + kBayRecordBytes, 0);
    for (size_t i = 0; i < kMosaic; ++i)
        record[i] = uint8_t((i % 512) / 2 + seed * 40);
    BayRecord camera;
    std::memcpy(camera.bytes.data(), "EK BAY 2", 8);
    camera.bytes[8] = 1; // colour
    camera.bytes[10] = 7; // camera ID
    camera.bytes[11] = 5; // 500 frames per second
    const std::array<uint8_t, kBayRecordBytes> bytes = SerialiseBayRecord(camera);
    std::memcpy(record.data() + kMosaic, bytes.data(), bytes.size());
    return WriteBayFrameFile(path, record);
}

// `count` BAY files F00001.bay ... in `folder` (made when missing).
inline bool WriteBaySequence(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 1; i <= count; ++i)
        if (!WriteBayFrame(
                QDir(folder).filePath(QStringLiteral("F%1.bay").arg(i, 5, 10, QLatin1Char('0'))), uint8_t(i)))
            return false;
    return true;
}

// A 16 x 8 grey TIFF frame file of one value, without a camera block.
inline void WriteGreyTiff(const QString& path, uint8_t value)
{
    TIFFile made;
    made.SetWidth(16);
    made.SetSamplesPerPixel(1);
    made.SetBitsPerSample(8);
    made.SetTag(tif_tag::kCompression, 1);
    made.SetTag(tif_tag::kPhotometric, 1);
    made.SetTag(tif_tag::kRowsPerStrip, 8);
    made.SetHeight(8);
    made.Strip(0).assign(16 * 8, value);
    made.SaveToFile(path);
}

} // namespace fw::test
