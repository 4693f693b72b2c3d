#include "clips/riff_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "clips/avi_stream.h"
#include "clips/riff_file.h"
#include "support/fw_error.h"

namespace fw {
namespace {

constexpr uint32_t kAvi = fourcc('A', 'V', 'I', ' ');
constexpr uint32_t kMovi = fourcc('m', 'o', 'v', 'i');
constexpr uint32_t kFrameChunk = fourcc('0', '0', 'd', 'b');

std::string readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

uint32_t le32At(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

struct Layout {
    int32_t width;
    int32_t height;
    int bits;
    int32_t frames;

    int32_t rowBytes() const { return (width * bits / 8 + 3) / 4 * 4; }
    int32_t frameBytes() const { return rowBytes() * height; }
    // Every frame different, every row different: a swapped frame or a flipped picture shows.
    uint8_t pixel(int32_t frame, int32_t row, int32_t byte) const
    {
        return uint8_t(frame * 40 + row * 3 + byte);
    }
};

// The layout a capture writes: header list, stream list, aligned movie list, index.
void buildClip(TRIFFNew& riff, const Layout& clip)
{
    const uint32_t colours = clip.bits == 8 ? 256 : 0;
    riff.BeginList(fourcc('h', 'd', 'r', 'l'));
    const uint32_t avih[14]
        = { 66667, 3u * clip.frameBytes(), 0, 16, uint32_t(clip.frames), 0, 1, uint32_t(clip.frameBytes()),
              uint32_t(clip.width), uint32_t(clip.height), 66667, 1000000, 0, uint32_t(clip.frames) };
    riff.WriteChunk(fourcc('a', 'v', 'i', 'h'), avih, sizeof avih);
    riff.BeginList(fourcc('s', 't', 'r', 'l'));
    const uint32_t strh[16] = { fourcc('v', 'i', 'd', 's'), fourcc('c', 'v', 'i', 'd'), 0, 0, 0, 66667,
        1000000, 0, uint32_t(clip.frames), uint32_t(clip.frameBytes()), 10000, uint32_t(clip.frameBytes()), 0,
        0, uint32_t(clip.width - 1), uint32_t(clip.height - 1) };
    riff.WriteChunk(fourcc('s', 't', 'r', 'h'), strh, sizeof strh);
    riff.BeginChunk(fourcc('s', 't', 'r', 'f'));
    const uint32_t info[10] = { 40, uint32_t(clip.width), uint32_t(clip.height),
        1u | uint32_t(clip.bits) << 16, 0, uint32_t(clip.frameBytes()), 0, 0, colours, colours };
    riff.Write(info, sizeof info);
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t entry[4] = { uint8_t(i), uint8_t(i), uint8_t(i), 0 };
        riff.Write(entry, 4);
    }
    riff.EndChunk();
    riff.WriteChunk(fourcc('s', 't', 'r', 'n'), "Framewright IMAQ Capture", 24);
    riff.EndChunk();
    riff.EndChunk();
    riff.BeginAlignedList(kMovi);
    for (int32_t f = 0; f < clip.frames; ++f) {
        riff.BeginChunk(kFrameChunk, uint32_t(clip.frameBytes()));
        // Frames are filled in place, bottom row first as a DIB stores them.
        uint8_t* view = riff.View(clip.frameBytes());
        for (int32_t row = 0; row < clip.height; ++row) {
            for (int32_t b = 0; b < clip.rowBytes(); ++b)
                view[(clip.height - 1 - row) * clip.rowBytes() + b] = clip.pixel(f, row, b);
        }
        riff.SetPosition(view + clip.frameBytes());
        riff.EndChunk();
    }
    riff.EndChunk();
    riff.Finish();
}

class RiffBuilderTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
};

TEST_F(RiffBuilderTest, CaptureLayoutDecodesToTheWrittenFrames)
{
    for (const Layout clip : { Layout { 16, 8, 8, 5 }, Layout { 10, 6, 24, 3 } }) {
        const QString path = dir_.filePath(QString("clip%1.avi").arg(clip.bits));
        {
            TRIFFNew riff(path, clip.frames, clip.frameBytes(), kAvi);
            buildClip(riff, clip);
            riff.Close();
        }
        // Palette frames come out as RGB so that the palette lookup is exact.
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg",
            { "-v", "error", "-xerror", "-i", path, "-f", "rawvideo", "-pix_fmt",
                clip.bits == 8 ? "rgb24" : "bgr24", "-" });
        ASSERT_TRUE(ffmpeg.waitForFinished(60000));
        EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
        const QByteArray decoded = ffmpeg.readAllStandardOutput();
        const int32_t line = clip.width * 3;
        ASSERT_EQ(decoded.size(), clip.frames * clip.height * line) << clip.bits;
        for (int32_t f = 0; f < clip.frames; ++f) {
            for (int32_t row = 0; row < clip.height; ++row) {
                for (int32_t b = 0; b < line; ++b) {
                    const int32_t source_byte = clip.bits == 8 ? b / 3 : b;
                    ASSERT_EQ(
                        uint8_t(decoded[(f * clip.height + row) * line + b]), clip.pixel(f, row, source_byte))
                        << "frame " << f << " row " << row << " byte " << b;
                }
            }
        }
    }
}

TEST_F(RiffBuilderTest, MovieDataIsAlignedAndIndexedFromTheListType)
{
    const Layout clip { 16, 8, 8, 4 };
    const QString path = dir_.filePath("clip.avi");
    {
        TRIFFNew riff(path, clip.frames, clip.frameBytes(), kAvi);
        buildClip(riff, clip);
    } // the destructor writes the file
    const std::string bytes = readAll(path);
    TRIFF parsed(path, false);
    ASSERT_EQ(parsed.Root()->DataSize(), bytes.size() - 8);
    const auto& top = parsed.Root()->Children();
    ASSERT_EQ(top.size(), 4u);
    EXPECT_EQ(top[1]->Id(), fourcc('J', 'U', 'N', 'K'));
    const TRIFFChunk& movie = *top[2];
    EXPECT_EQ(movie.FormType(), kMovi);
    EXPECT_EQ((movie.DataOffset() + 4) % 512, 0);
    ASSERT_EQ(movie.Children().size(), size_t(clip.frames));

    const std::vector<uint8_t>& index = top[3]->Data();
    ASSERT_EQ(index.size(), 16u * clip.frames);
    for (int32_t f = 0; f < clip.frames; ++f) {
        uint32_t entry[4];
        std::memcpy(entry, index.data() + 16 * f, 16);
        EXPECT_EQ(entry[0], kFrameChunk);
        EXPECT_EQ(entry[1], 16u);
        EXPECT_EQ(int64_t(entry[2]), movie.Children()[size_t(f)]->DataOffset() - 8 - movie.DataOffset());
        EXPECT_EQ(entry[3], uint32_t(clip.frameBytes()));
    }
    EXPECT_EQ(le32At(bytes, size_t(movie.DataOffset()) - 4), movie.DataSize());
}

TEST_F(RiffBuilderTest, AlignedListPadsOnlyWhenNeeded)
{
    // Position + 12 on a boundary: no JUNK. Position + 12 = 508 (mod 512): the pad wraps to 508.
    struct Case {
        int64_t position;
        int64_t list_at;
    };
    for (const Case c : { Case { 500, 500 }, Case { 496, 496 + 8 + 508 }, Case { 12, 12 + 8 + 480 } }) {
        const QString path = dir_.filePath("aligned.riff");
        TRIFFNew riff(path, 1, 16, kAvi);
        riff.Write(std::string(size_t(c.position - 12), 'x').data(), c.position - 12);
        riff.BeginAlignedList(kMovi);
        const TChunk* list = riff.FindChunk(kMovi);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->data_offset - 8, c.list_at) << c.position;
        EXPECT_EQ((list->data_offset + 4) % 512, 0) << c.position;
        riff.EndChunk();
        riff.Close();
        const std::string bytes = readAll(path);
        if (c.list_at != c.position) {
            EXPECT_EQ(bytes.substr(size_t(c.position), 4), "JUNK");
            EXPECT_EQ(le32At(bytes, size_t(c.position) + 4), uint32_t(c.list_at - c.position - 8));
        }
        EXPECT_EQ(bytes.substr(size_t(c.list_at), 4), "LIST");
    }
}

TEST_F(RiffBuilderTest, SizesArePatchedOddChunksPaddedAndOverwritesStayInTheChunk)
{
    const QString path = dir_.filePath("sizes.riff");
    {
        // Reserved room for a single 4-byte frame: everything after grows the area.
        TRIFFNew riff(path, 1, 4, fourcc('T', 'E', 'S', 'T'));
        riff.BeginChunk(fourcc('o', 'd', 'd', ' '));
        riff.Write("abc", 3);
        riff.EndChunk();
        riff.WriteChunk(fourcc('h', 'e', 'a', 'd'), "12345678", 8);
        const std::string big(300000, 'B');
        riff.WriteChunk(fourcc('b', 'i', 'g', ' '), big.data(), int64_t(big.size()));
        const int64_t position = riff.Position();
        EXPECT_TRUE(riff.OverwriteChunk(fourcc('h', 'e', 'a', 'd'), "ABCDEFGHIJKL", 12));
        EXPECT_FALSE(riff.OverwriteChunk(fourcc('n', 'o', 'n', 'e'), "x", 1));
        EXPECT_EQ(riff.Position(), position);
        riff.Finish();
        riff.Close();
    }
    const std::string bytes = readAll(path);
    ASSERT_EQ(bytes.size(), 12u + 12 + 16 + 300008 + 8);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le32At(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(12, 12), std::string("odd ") + '\3' + std::string(3, '\0') + "abc" + '\0');
    EXPECT_EQ(bytes.substr(24, 16), std::string("head") + '\x08' + std::string(3, '\0') + "ABCDEFGH");
    EXPECT_EQ(bytes.substr(40, 4), "big ");
    EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("idx1") + std::string(4, '\0'));
}

TEST_F(RiffBuilderTest, FailedWriteReportsTheErrorAndLeavesNoFile)
{
    const QString path = dir_.filePath("missing-folder/clip.avi");
    TRIFFNew riff(path, 2, 100, kAvi);
    riff.WriteChunk(fourcc('d', 'a', 't', 'a'), "1234", 4);
    try {
        riff.Close();
        FAIL() << "a file in a missing folder cannot be written";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "RIFF File Error 2\r" + path);
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST_F(RiffBuilderTest, ClosingReplacesAnOldFileWithoutLeavingScratchFiles)
{
    const QString path = dir_.filePath("clip.avi");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(std::string(5000, 'o').data(), 5000);
    }
    {
        TRIFFNew riff(path, 0, 0, kAvi);
        riff.WriteChunk(fourcc('d', 'a', 't', 'a'), "1234", 4);
        riff.Finish();
        riff.Close();
        riff.Close(); // a second close writes nothing more
    }
    EXPECT_EQ(readAll(path).size(), 12u + 12 + 8);
    EXPECT_EQ(
        QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList { "clip.avi" });
}

} // namespace
} // namespace fw
