#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "clips/avi_clip_writer.h"
#include "clips/avi_encoders.h"
#include "clips/avi_test_clips.h"
#include "clips/compression_options.h"
#include "clips/frame_image.h"

namespace fw {
namespace {

using test::OpenClip;
using test::topDownBgr;

// A smooth moving picture that every encoder can carry, different in each frame.
FrameImage patternFrame(int32_t width, int32_t height, int bits, int index)
{
    FrameImage frame(width, height, bits);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = frame.topDownRow(y);
        for (int32_t x = 0; x < width; ++x) {
            const int base = (x * 3 + y * 2 + index * 7) & 0xff;
            if (bits == 8) {
                row[x] = uint8_t(base);
            } else {
                row[3 * x] = uint8_t(base);
                row[3 * x + 1] = uint8_t((y * 4 + index * 5) & 0xff);
                row[3 * x + 2] = uint8_t(255 - ((x * 2 + index * 3) & 0xff));
            }
        }
    }
    return frame;
}

double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
        return 256;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

CompressionOptions optionsFor(uint32_t code)
{
    CompressionOptions options;
    options.fccHandler = code;
    options.options_ok = true;
    return options;
}

class AviClipWriterTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // Writes `count` pattern frames and returns them as written.
    std::vector<FrameImage> writeClip(
        const QString& file, uint32_t code, int bits, int count = 5, int32_t width = 64, int32_t height = 48)
    {
        std::vector<FrameImage> frames;
        AviClipWriter writer(file, optionsFor(code), 25, 1);
        for (int i = 0; i < count; ++i) {
            frames.push_back(patternFrame(width, height, bits, i));
            writer.WriteFrame(frames.back().packed(), frames.back().packedSize());
        }
        writer.Finish();
        return frames;
    }

    QTemporaryDir dir_;
};

TEST_F(AviClipWriterTest, EveryEncoderRoundTripsThroughTheClipStream)
{
    for (const AviEncoder& encoder : AviEncoders()) {
        SCOPED_TRACE(encoder.display_name.toStdString());
        const QString file = path("round.avi");
        const auto frames = writeClip(file, encoder.code, 24);

        OpenClip clip(file);
        ASSERT_TRUE(clip.stream.IsOpen());
        EXPECT_EQ(clip.stream.FrameCount(), 5);
        TAVIStreamInfo info;
        ASSERT_TRUE(clip.stream.GetInfo(info));
        EXPECT_EQ(info.fccHandler == 0 ? 0u : info.fccHandler, encoder.tag);
        EXPECT_DOUBLE_EQ(double(info.dwRate) / info.dwScale, 25.0);
        for (int i = 0; i < 5; ++i) {
            const auto expected
                = topDownBgr(frames[size_t(i)].packed(), int32_t(frames[size_t(i)].packedSize()));
            const auto actual = clip.frame(i);
            if (encoder.lossless) {
                EXPECT_EQ(test::maxDifference(actual, expected), 0) << "frame " << i;
            } else {
                EXPECT_LT(meanDifference(actual, expected), 12.0) << "frame " << i;
            }
        }
        QFile::remove(file);
    }
}

TEST_F(AviClipWriterTest, UncompressedClipsHoldTheRowsAsStoredWithTheirPalette)
{
    const QString file = path("raw8.avi");
    auto frames = std::vector<FrameImage> {};
    {
        AviClipWriter writer(file, optionsFor(kUncompressedCode), 30, 1);
        for (int i = 0; i < 3; ++i) {
            FrameImage frame = patternFrame(33, 17, 8, i); // odd width: rows carry padding
            std::vector<RgbQuad> table(256);
            for (int c = 0; c < 256; ++c)
                table[size_t(c)] = RgbQuad { uint8_t(c), uint8_t(255 - c), uint8_t(c / 2), 0 };
            frame.setColourTable(table);
            writer.WriteFrame(frame.packed(), frame.packedSize());
            frames.push_back(std::move(frame));
        }
        writer.Finish();
    }
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    for (const FrameImage& frame : frames) {
        const QByteArray rows(reinterpret_cast<const char*>(frame.pixels()), qsizetype(frame.pixelBytes()));
        EXPECT_TRUE(bytes.contains(rows));
    }

    OpenClip clip(file);
    ASSERT_EQ(clip.stream.FrameCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const FrameImage& frame = frames[size_t(i)];
        EXPECT_EQ(clip.frame(i), topDownBgr(frame.packed(), int32_t(frame.packedSize()))) << "frame " << i;
    }
}

TEST_F(AviClipWriterTest, GreyFramesSurviveLosslessEncoders)
{
    for (uint32_t code : { kUncompressedCode, fourcc('F', 'F', 'V', '1'), fourcc('U', 'L', 'R', 'G'),
             fourcc('H', 'F', 'Y', 'U') }) {
        if (!HasAviEncoder(code))
            continue;
        SCOPED_TRACE(HandlerText(code).toStdString());
        const QString file = path("grey.avi");
        const auto frames = writeClip(file, code, 8, 3);
        OpenClip clip(file);
        ASSERT_EQ(clip.stream.FrameCount(), 3);
        for (int i = 0; i < 3; ++i) {
            const FrameImage& frame = frames[size_t(i)];
            EXPECT_EQ(
                test::maxDifference(clip.frame(i), topDownBgr(frame.packed(), int32_t(frame.packedSize()))),
                0);
        }
        QFile::remove(file);
    }
}

TEST_F(AviClipWriterTest, HostileFramesAreRefusedWithACodeAndLeaveNoFile)
{
    const FrameImage good = patternFrame(64, 48, 24, 0);
    const FrameImage other_size = patternFrame(32, 48, 24, 1);
    const FrameImage other_depth = patternFrame(64, 48, 8, 1);
    for (const FrameImage* wrong : { &other_size, &other_depth }) {
        const QString file = path("mixed.avi");
        {
            AviClipWriter writer(file, optionsFor(kUncompressedCode), 25, 1);
            writer.WriteFrame(good.packed(), good.packedSize());
            try {
                writer.WriteFrame(wrong->packed(), wrong->packedSize());
                ADD_FAILURE() << "a frame of another shape was accepted";
            } catch (const AviSaveError& e) {
                EXPECT_EQ(e.code(), avierr::kBadFormat);
            }
            EXPECT_THROW(writer.Finish(), AviSaveError);
        }
        EXPECT_FALSE(QFileInfo::exists(file));
    }

    // Truncated, garbage and empty input.
    const std::vector<uint8_t> truncated(good.packed(), good.packed() + good.packedSize() - 1);
    const std::vector<uint8_t> garbage(5000, 0xa5);
    for (const auto* bytes : { &truncated, &garbage }) {
        const QString file = path("bad.avi");
        AviClipWriter writer(file, optionsFor(fourcc('M', 'J', 'P', 'G')), 25, 1);
        try {
            writer.WriteFrame(bytes->data(), bytes->size());
            ADD_FAILURE() << "bad bytes were accepted";
        } catch (const AviSaveError& e) {
            EXPECT_EQ(e.code(), avierr::kBadFormat);
        }
    }
    EXPECT_THROW(AviClipWriter(path("n.avi"), {}, 25, 1).WriteFrame(nullptr, 0), AviSaveError);
    EXPECT_FALSE(QFileInfo::exists(path("bad.avi")));

    // A clip needs a frame; nothing is left behind.
    try {
        AviClipWriter(path("empty.avi"), optionsFor(kUncompressedCode), 25, 1).Finish();
        ADD_FAILURE() << "an empty clip was written";
    } catch (const AviSaveError& e) {
        EXPECT_EQ(e.code(), avierr::kBadParameter);
    }
    EXPECT_FALSE(QFileInfo::exists(path("empty.avi")));
}

TEST_F(AviClipWriterTest, FailuresBeforeTheFileWasCreatedLeaveExistingFilesAlone)
{
    const QString file = path("keep.avi");
    {
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("precious");
    }
    {
        AviClipWriter writer(file, optionsFor(kUncompressedCode), 25, 1);
        const std::vector<uint8_t> garbage(100, 1);
        EXPECT_THROW(writer.WriteFrame(garbage.data(), garbage.size()), AviSaveError);
    }
    EXPECT_EQ(QFileInfo(file).size(), 8);

    const FrameImage good = patternFrame(16, 16, 24, 0);
    try {
        AviClipWriter writer(path("no/such/dir/x.avi"), optionsFor(kUncompressedCode), 25, 1);
        writer.WriteFrame(good.packed(), good.packedSize());
        ADD_FAILURE() << "a clip was written into a missing directory";
    } catch (const AviSaveError& e) {
        EXPECT_EQ(e.code(), avierr::kFileOpen);
    }
}

TEST_F(AviClipWriterTest, KeyFramesFollowTheOptions)
{
    for (const AviEncoder& encoder : AviEncoders()) {
        if (!encoder.has_key_frames)
            continue;
        SCOPED_TRACE(encoder.display_name.toStdString());
        CompressionOptions options = optionsFor(encoder.code);
        options.dwKeyFrameEvery = 4;
        options.dwFlags = kCompressKeyFrames | kCompressValid;
        const QString file = path("gop.avi");
        {
            AviClipWriter writer(file, options, 25, 1);
            for (int i = 0; i < 12; ++i) {
                // A still picture with a small moving mark: worth coding from the frame before.
                FrameImage frame = patternFrame(64, 48, 24, 0);
                std::memset(frame.topDownRow(8 + i) + 3 * (4 + 2 * i), 255, 12);
                writer.WriteFrame(frame.packed(), frame.packedSize());
            }
            writer.Finish();
        }
        QProcess probe;
        probe.start("ffprobe",
            { "-v", "error", "-select_streams", "v", "-show_entries", "packet=flags", "-of", "csv=p=0",
                file });
        ASSERT_TRUE(probe.waitForFinished(60000));
        const QList<QByteArray> flags = probe.readAllStandardOutput().trimmed().split('\n');
        ASSERT_EQ(flags.size(), 12);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(flags[i].startsWith('K'), i % 4 == 0) << "packet " << i;
        QFile::remove(file);
    }
}

// Beyond 1 GB the muxer continues in OpenDML "AVIX" parts; the clip stays one clip.
TEST_F(AviClipWriterTest, ClipsBeyondOneGigabyteBecomeOpenDml)
{
    const QString file = path("big.avi");
    const int count = 360; // 3 MB frames: 1.08 GB
    FrameImage frame = patternFrame(1024, 1024, 24, 0);
    {
        AviClipWriter writer(file, optionsFor(kUncompressedCode), 25, 1);
        for (int i = 0; i < count; ++i) {
            frame.pixels()[0] = uint8_t(i);
            writer.WriteFrame(frame.packed(), frame.packedSize());
        }
        writer.Finish();
    }
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_GT(raw.size(), qint64(1) << 30);
    char head[12];
    ASSERT_EQ(raw.read(head, 12), 12);
    uint32_t first_size = 0;
    std::memcpy(&first_size, head + 4, 4);
    ASSERT_TRUE(raw.seek(qint64(8) + first_size + (first_size & 1)));
    ASSERT_EQ(raw.read(head, 12), 12);
    EXPECT_EQ(QByteArray(head, 4), "RIFF");
    EXPECT_EQ(QByteArray(head + 8, 4), "AVIX");
    raw.close();

    OpenClip clip(file);
    ASSERT_EQ(clip.stream.FrameCount(), count);
    int32_t size = 0;
    const uint8_t* last = nullptr;
    ASSERT_TRUE(clip.stream.GetFrame(clip.handle, count - 1, size, last));
    EXPECT_EQ(FrameImage::fromPacked(last, size_t(size)).pixels()[0], uint8_t(count - 1));
    raw.remove();
}

} // namespace
} // namespace fw
