// Every compressor the program must read: the frames the clip stream hands out are ffmpeg's
// own decoding of the same file, in the same order, in any access order.

#include <gtest/gtest.h>

#include "avi_test_clips.h"

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
}

const CodecCase kCases[] = {
    { "raw_bgr24", { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 24, 0 },
    { "raw_pal8", { "-c:v", "rawvideo", "-pix_fmt", "pal8" }, 8, 0 },
    { "raw_gray", { "-c:v", "rawvideo", "-pix_fmt", "gray" }, 8, 0 },
    { "mjpeg", { "-c:v", "mjpeg" }, 24, 0 },
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

} // namespace
} // namespace fw::test
