#pragma once

// Clips made by the ffmpeg command for the clip stream tests, and ffmpeg's own decoding of
// them as the reference.

#include <cstdint>
#include <string>
#include <vector>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "clips/avi_stream.h"
#include "clips/frame_image.h"

namespace fw::test {

inline bool runFfmpeg(const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(
        QStringLiteral("ffmpeg"), QStringList { "-nostdin", "-loglevel", "error", "-y" } + arguments);
    if (!process.waitForFinished(120000))
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A test pattern clip of `frames` frames; `codec` are the encoder arguments.
inline bool makeClip(
    const QString& path, const QStringList& codec, int frames = 12, const QString& size = "64x48")
{
    return runFfmpeg(QStringList { "-f", "lavfi", "-i", QStringLiteral("testsrc=size=%1:rate=25").arg(size),
                         "-frames:v", QString::number(frames) }
        + codec + QStringList { path });
}

// Every frame of ffmpeg's decoding, top-down blue-green-red rows without padding.
inline std::vector<std::vector<uint8_t>> referenceFrames(const QString& path, int width, int height)
{
    QByteArray raw;
    if (!runFfmpeg({ "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-" }, &raw))
        return {};
    const size_t frame_bytes = size_t(width) * height * 3;
    std::vector<std::vector<uint8_t>> frames;
    for (size_t pos = 0; pos + frame_bytes <= size_t(raw.size()); pos += frame_bytes)
        frames.emplace_back(raw.begin() + pos, raw.begin() + pos + frame_bytes);
    return frames;
}

// A packed frame as top-down blue-green-red rows without padding; 8-bit frames through their
// colour table.
inline std::vector<uint8_t> topDownBgr(const uint8_t* packed, int32_t size)
{
    const FrameImage image = FrameImage::fromPacked(packed, size_t(size));
    std::vector<uint8_t> out;
    out.reserve(size_t(image.width()) * image.height() * 3);
    for (int32_t y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.topDownRow(y);
        for (int32_t x = 0; x < image.width(); ++x) {
            if (image.bitsPerPixel() == 8) {
                const RgbQuad& c = image.colourTable()[row[x]];
                out.insert(out.end(), { c.blue, c.green, c.red });
            } else {
                out.insert(out.end(), row + 3 * x, row + 3 * x + 3);
            }
        }
    }
    return out;
}

inline int maxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size())
        return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

// Opens a clip and keeps one frame access handle for the test's life.
class OpenClip {
public:
    explicit OpenClip(const QString& path)
        : stream(QStringLiteral("AVI"))
    {
        stream.Open(path);
        if (stream.IsOpen())
            stream.BeginFrameAccess(handle);
    }
    ~OpenClip()
    {
        if (handle)
            stream.EndFrameAccess(handle);
    }
    OpenClip(const OpenClip&) = delete;
    OpenClip& operator=(const OpenClip&) = delete;

    // Frame `index` as top-down BGR, empty when it cannot be decoded.
    std::vector<uint8_t> frame(int32_t index, int* bits = nullptr)
    {
        int32_t size = 0;
        const uint8_t* bytes = nullptr;
        if (!handle || !stream.GetFrame(handle, index, size, bytes) || !bytes)
            return {};
        if (bits)
            *bits = FrameImage::fromPacked(bytes, size_t(size)).bitsPerPixel();
        return topDownBgr(bytes, size);
    }

    TAVISTREAM stream;
    FrameAccess* handle = nullptr;
};

} // namespace fw::test
