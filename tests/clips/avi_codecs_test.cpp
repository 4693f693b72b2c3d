// Every compressor the program must read: the frames the clip stream hands out are ffmpeg's
// own decoding of the same file, in the same order, in any access order. Full-range JPEG
// pictures go through our own colour conversion, which may differ from ffmpeg's by a level or
// two; everything else must match exactly.

#include <cstring>

#include <QFile>

#include <gtest/gtest.h>

#include "avi_test_clips.h"
#include "clips/riff_builder.h"

namespace fw::test {
namespace {

struct CodecCase {
    const char* name;
    QStringList arguments;
    int bits; // bits per pixel of the frames handed out
    int tolerance;
};

void PrintTo(const CodecCase& c, std::ostream* os)
{
    *os << c.name;
}

class AviCodecs : public ::testing::TestWithParam<CodecCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("clip.avi"));
        if (!makeClip(path_, GetParam().arguments, kFrames))
            GTEST_SKIP() << "ffmpeg cannot write this form";
        reference_ = referenceFrames(path_, kWidth, kHeight);
        ASSERT_EQ(reference_.size(), size_t(kFrames));
    }

    static constexpr int kFrames = 30;
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;
    QTemporaryDir dir_;
    QString path_;
    std::vector<std::vector<uint8_t>> reference_;
};

TEST_P(AviCodecs, CountSizeAndFramesMatchFfmpeg)
{
    OpenClip clip(path_);
    ASSERT_TRUE(clip.stream.IsOpen());
    ASSERT_NE(clip.handle, nullptr);
    EXPECT_EQ(clip.stream.FrameCount(), kFrames);
    TAVIStreamInfo info;
    ASSERT_TRUE(clip.stream.GetInfo(info));
    EXPECT_EQ(info.dwLength, uint32_t(kFrames));
    EXPECT_EQ(info.rcFrame[2] - info.rcFrame[0], kWidth);
    EXPECT_EQ(info.rcFrame[3] - info.rcFrame[1], kHeight);
    for (int i = 0; i < kFrames; ++i) {
        int bits = 0;
        const std::vector<uint8_t> frame = clip.frame(i, &bits);
        ASSERT_EQ(frame.size(), reference_[size_t(i)].size()) << "frame " << i;
        EXPECT_EQ(bits, GetParam().bits);
        EXPECT_LE(maxDifference(frame, reference_[size_t(i)]), GetParam().tolerance) << "frame " << i;
    }
    EXPECT_TRUE(clip.frame(kFrames).empty());
    EXPECT_TRUE(clip.frame(-1).empty());
}

TEST_P(AviCodecs, RandomAndBackwardAccessGiveTheSequentialFrames)
{
    OpenClip clip(path_);
    ASSERT_NE(clip.handle, nullptr);
    const int order[] = { 7, 2, 9, 0, 29, 13, 12, 11, 10, 25, 1, 28, 27, 14, 3 };
    for (int i : order)
        EXPECT_LE(maxDifference(clip.frame(i), reference_[size_t(i)]), GetParam().tolerance) << "frame " << i;
    for (int i = kFrames - 1; i >= 0; --i)
        EXPECT_LE(maxDifference(clip.frame(i), reference_[size_t(i)]), GetParam().tolerance) << "frame " << i;
    // Playing keeps fewer frames at hand; stepping back after it must still find the right ones.
    for (int i = 0; i < kFrames; ++i)
        EXPECT_LE(maxDifference(clip.frame(i), reference_[size_t(i)]), GetParam().tolerance) << "frame " << i;
    for (int i : { 28, 27, 20, 29, 5 })
        EXPECT_LE(maxDifference(clip.frame(i), reference_[size_t(i)]), GetParam().tolerance) << "frame " << i;
}

const CodecCase kCases[] = {
    { "raw_bgr24", { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 24, 0 },
    { "raw_pal8", { "-c:v", "rawvideo", "-pix_fmt", "pal8" }, 8, 0 },
    { "raw_gray", { "-c:v", "rawvideo", "-pix_fmt", "gray" }, 8, 0 },
    { "mjpeg", { "-c:v", "mjpeg" }, 24, 2 },
    { "mjpeg_422", { "-c:v", "mjpeg", "-pix_fmt", "yuvj422p" }, 24, 2 },
    { "mjpeg_444", { "-c:v", "mjpeg", "-pix_fmt", "yuvj444p" }, 24, 2 },
    { "cinepak", { "-c:v", "cinepak" }, 24, 0 },
    { "msvideo1", { "-c:v", "msvideo1" }, 24, 0 },
    { "huffyuv", { "-c:v", "huffyuv" }, 24, 0 },
    { "utvideo", { "-c:v", "utvideo" }, 24, 0 },
    { "ffv1", { "-c:v", "ffv1" }, 24, 0 },
    { "mpeg4_bframes", { "-c:v", "mpeg4", "-bf", "2", "-g", "12" }, 24, 0 },
    { "msmpeg4v3", { "-c:v", "msmpeg4" }, 24, 0 },
    { "msmpeg4v2", { "-c:v", "msmpeg4v2" }, 24, 0 },
};

INSTANTIATE_TEST_SUITE_P(Compressors, AviCodecs, ::testing::ValuesIn(kCases),
    [](const ::testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.name); });

// The scaler writes whole groups of pixels past the end of a row; for widths that are not a
// multiple of its group those must not land in the neighbouring row or past the frame.
TEST(AviScaledOddWidth, FramesMatchFfmpegExactly)
{
    for (const char* size : { "70x46", "75x45", "9x4" }) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("odd.avi"));
        ASSERT_TRUE(makeClip(path, { "-c:v", "ffv1", "-pix_fmt", "yuv420p" }, 3, QString::fromLatin1(size)));
        const QStringList sides = QString::fromLatin1(size).split('x');
        const auto reference = referenceFrames(path, sides[0].toInt(), sides[1].toInt());
        ASSERT_EQ(reference.size(), 3u) << size;
        OpenClip clip(path);
        ASSERT_EQ(clip.stream.FrameCount(), 3) << size;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(clip.frame(i), reference[size_t(i)]) << size << " frame " << i;
    }
}

// Odd sizes leave a last column and row with chroma of their own; their colours must still
// come out within two levels of ffmpeg's (odd heights of subsampled pictures stay with ffmpeg's
// own scaler, which interpolates chroma there).
TEST(AviMjpegOddSize, FramesMatchFfmpegInEverySampling)
{
    for (const char* size : { "131x38", "130x37", "131x37" }) {
        const QStringList sides = QString::fromLatin1(size).split('x');
        for (const char* format : { "yuvj420p", "yuvj422p", "yuvj444p" }) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("odd.avi"));
            ASSERT_TRUE(
                makeClip(path, { "-c:v", "mjpeg", "-pix_fmt", format }, 3, QString::fromLatin1(size)));
            const auto reference = referenceFrames(path, sides[0].toInt(), sides[1].toInt());
            ASSERT_EQ(reference.size(), 3u) << size << " " << format;
            OpenClip clip(path);
            ASSERT_EQ(clip.stream.FrameCount(), 3) << size << " " << format;
            int worst = 0;
            for (int i = 0; i < 3; ++i)
                worst = std::max(worst, maxDifference(clip.frame(i), reference[size_t(i)]));
            EXPECT_LE(worst, 2) << size << " " << format;
            RecordProperty(std::string("max_difference_") + size + "_" + format, worst);
        }
    }
}

} // namespace
} // namespace fw::test

namespace fw::test {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// A run-length coded 8-bit clip with its own colour table, the form older capture drivers wrote
// and ffmpeg cannot write; built chunk by chunk with the program's own RIFF builder.
void writeRle8Clip(const QString& file_name, int width, int height, int frames)
{
    const auto pixel = [](int x, int y, int f) { return uint8_t((x / 3) * 16 + y + f * 5); };
    TRIFFNew riff(file_name, frames, width * height * 2, fourcc('A', 'V', 'I', ' '));
    riff.BeginList(fourcc('h', 'd', 'r', 'l'));
    std::vector<uint8_t> avih;
    for (uint32_t v : { 40000u, 0u, 0u, 0x10u, uint32_t(frames), 0u, 1u, 0u, uint32_t(width),
             uint32_t(height), 0u, 0u, 0u, 0u })
        put32(avih, v);
    riff.WriteChunk(fourcc('a', 'v', 'i', 'h'), avih.data(), int64_t(avih.size()));
    riff.BeginList(fourcc('s', 't', 'r', 'l'));
    std::vector<uint8_t> strh;
    for (uint32_t v : { fourcc('v', 'i', 'd', 's'), fourcc('m', 'r', 'l', 'e'), 0u, 0u, 0u, 1u, 25u, 0u,
             uint32_t(frames), 0u, 0xffffffffu, 0u })
        put32(strh, v);
    put32(strh, 0);
    put32(strh, uint32_t(width) | uint32_t(height) << 16);
    riff.WriteChunk(fourcc('s', 't', 'r', 'h'), strh.data(), int64_t(strh.size()));
    std::vector<uint8_t> strf;
    for (uint32_t v :
        { 40u, uint32_t(width), uint32_t(height), 1u | 8u << 16, 1u /* RLE8 */, 0u, 0u, 0u, 256u, 0u })
        put32(strf, v);
    for (int i = 0; i < 256; ++i)
        put32(strf, uint32_t(i) | uint32_t(255 - i) << 8 | uint32_t((i * 3) & 0xff) << 16);
    riff.WriteChunk(fourcc('s', 't', 'r', 'f'), strf.data(), int64_t(strf.size()));
    riff.EndChunk();
    riff.EndChunk();
    riff.BeginList(fourcc('m', 'o', 'v', 'i'));
    for (int f = 0; f < frames; ++f) {
        std::vector<uint8_t> rle;
        for (int y = height - 1; y >= 0; --y) { // coded rows run bottom-up
            for (int x = 0; x < width;) {
                int run = 1;
                while (x + run < width && run < 255 && pixel(x + run, y, f) == pixel(x, y, f))
                    ++run;
                rle.push_back(uint8_t(run));
                rle.push_back(pixel(x, y, f));
                x += run;
            }
            rle.push_back(0);
            rle.push_back(y == 0 ? 1 : 0); // end of line, end of picture
        }
        riff.WriteChunk(fourcc('0', '0', 'd', 'c'), rle.data(), int64_t(rle.size()));
    }
    riff.Finish();
    riff.Close();
}

TEST(AviRunLengthClip, PalettizedFramesKeepTheirColourTable)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rle.avi"));
    writeRle8Clip(file, 21, 10, 6);
    const auto reference = referenceFrames(file, 21, 10);
    ASSERT_EQ(reference.size(), 6u);
    OpenClip clip(file);
    ASSERT_TRUE(clip.stream.IsOpen());
    ASSERT_EQ(clip.stream.FrameCount(), 6);
    TAVIStreamInfo info;
    ASSERT_TRUE(clip.stream.GetInfo(info));
    EXPECT_EQ(fourccText(info.fccHandler), QStringLiteral("mrle"));
    for (int i : { 5, 0, 3, 1, 2, 4 }) {
        int bits = 0;
        EXPECT_EQ(clip.frame(i, &bits), reference[size_t(i)]) << "frame " << i;
        EXPECT_EQ(bits, 8);
    }
    int32_t size = 0;
    const uint8_t* bytes = nullptr;
    ASSERT_TRUE(clip.stream.GetFrame(clip.handle, 2, size, bytes));
    const FrameImage frame = FrameImage::fromPacked(bytes, size_t(size));
    EXPECT_EQ(frame.colourTable()[200].green, 55);
    EXPECT_EQ(frame.rowBytes(), 24);
    EXPECT_EQ(frame.topDownRow(0)[0], 2 * 5); // colour index, not colour
}

// VOP coding type of an MPEG-4 packet: 0 I, 1 P, 2 B; -1 without a VOP.
int vopType(const QByteArray& packet)
{
    const qsizetype vop = packet.indexOf(QByteArray("\x00\x00\x01\xb6", 4));
    return vop < 0 || vop + 5 >= packet.size() ? -1 : uint8_t(packet[vop + 4]) >> 6;
}

// Rewrites an MPEG-4 clip with one B-frame between references into the packed form older
// encoders wrote: each B-frame rides in the packet of the reference before it, and the next
// packet holds a "not coded" placeholder, so every packet still stands for one frame.
bool packBFrames(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    const qsizetype movi = bytes.indexOf("movi");
    if (movi < 8)
        return false;
    std::vector<QByteArray> packets;
    for (qsizetype pos = movi + 4; pos + 8 <= bytes.size() && bytes.mid(pos, 4) == "00dc";) {
        uint32_t size;
        std::memcpy(&size, bytes.constData() + pos + 4, 4);
        packets.push_back(bytes.mid(pos + 8, qsizetype(size)));
        pos += 8 + qsizetype(size) + (size & 1);
    }
    // The encoder's signature in the user data tells decoders the stream is packed.
    QByteArray first = packets.at(0);
    first.insert(first.indexOf(QByteArray("\x00\x00\x01\xb6", 4)),
        QByteArray("\x00\x00\x01\xb2", 4) + "DivX503b1393p");
    std::vector<QByteArray> packed { first };
    for (size_t k = 1; k < packets.size();) {
        if (k + 1 < packets.size() && vopType(packets[k]) == 1 && vopType(packets[k + 1]) == 2) {
            // The placeholder keeps the reference's time code (ten bits after the start code:
            // type, time base, marker, five time bits at 25 frames/s, marker) and says
            // "not coded", then stuffs to the byte boundary.
            const QByteArray& p = packets[k];
            const qsizetype vop = p.indexOf(QByteArray("\x00\x00\x01\xb6", 4));
            const uint16_t bits
                = uint16_t((uint8_t(p[vop + 4]) << 8 | uint8_t(p[vop + 5])) & 0xffc0) | 0x000f;
            packed.push_back(p + packets[k + 1]);
            packed.push_back(QByteArray("\x00\x00\x01\xb6", 4) + char(bits >> 8) + char(bits & 0xff));
            k += 2;
        } else {
            packed.push_back(packets[k++]);
        }
    }
    {
        TRIFFNew riff(target, int32_t(packed.size()), 4096, fourcc('A', 'V', 'I', ' '));
        riff.Write(bytes.constData() + 12, movi - 8 - 12); // header lists as they were
        riff.BeginList(fourcc('m', 'o', 'v', 'i'));
        for (const QByteArray& p : packed)
            riff.WriteChunk(fourcc('0', '0', 'd', 'c'), p.constData(), p.size());
        riff.Finish();
        riff.Close();
    }
    // Only the first frame is a key frame.
    QFile out(target);
    if (!out.open(QIODevice::ReadWrite))
        return false;
    QByteArray file = out.readAll();
    const qsizetype idx1 = file.lastIndexOf("idx1");
    for (qsizetype entry = idx1 + 8 + 16; entry + 16 <= file.size(); entry += 16)
        std::memset(file.data() + entry + 4, 0, 4);
    return out.seek(0) && out.write(file) == file.size();
}

TEST(AviPackedBFrames, FramesMatchTheUnpackedClip)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.avi"));
    const QString packed = dir.filePath(QStringLiteral("packed.avi"));
    ASSERT_TRUE(makeClip(plain, { "-c:v", "mpeg4", "-bf", "1", "-g", "100" }, 12));
    ASSERT_TRUE(packBFrames(plain, packed));
    const auto reference = referenceFrames(plain, 64, 48);
    ASSERT_EQ(reference.size(), 12u);
    ASSERT_EQ(referenceFrames(packed, 64, 48), reference); // ffmpeg reads the packed form alike
    OpenClip clip(packed);
    ASSERT_EQ(clip.stream.FrameCount(), 12);
    for (int i : { 7, 2, 9, 0, 11, 1, 10, 6, 5, 4, 3, 8 })
        EXPECT_EQ(clip.frame(i), reference[size_t(i)]) << "frame " << i;
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(clip.frame(i), reference[size_t(i)]) << "frame " << i;
}

} // namespace
} // namespace fw::test
