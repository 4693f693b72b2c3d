// The clip stream over clip files: opening, stream information, timing gaps, descriptor
// chunks, the clip type table, and files that are not what they claim to be.

#include <atomic>
#include <cstring>
#include <thread>
#include <utility>

#include <unistd.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "avi_test_clips.h"
#include "support/fw_error.h"

namespace fw::test {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

class AviStream : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QString mjpegClip(int frames = 12)
    {
        const QString file = path("clip.avi");
        EXPECT_TRUE(makeClip(file, { "-c:v", "mjpeg" }, frames));
        return file;
    }

    QString writeBytes(const char* name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray readAll(const QString& file_name)
    {
        QFile file(file_name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
};

TEST_F(AviStream, KfsFileOpensExactlyLikeTheSameAvi)
{
    const QString avi = mjpegClip();
    const QString kfs = path("clip.kfs");
    ASSERT_TRUE(QFile::copy(avi, kfs));
    OpenClip a(avi);
    OpenClip k(kfs);
    ASSERT_TRUE(k.stream.IsOpen());
    EXPECT_EQ(k.stream.FrameCount(), 12);
    TAVIStreamInfo info_a;
    TAVIStreamInfo info_k;
    ASSERT_TRUE(a.stream.GetInfo(info_a));
    ASSERT_TRUE(k.stream.GetInfo(info_k));
    EXPECT_EQ(std::memcmp(&info_a, &info_k, sizeof(info_a)), 0);
    for (int i : { 0, 5, 11, 3 })
        EXPECT_EQ(a.frame(i), k.frame(i)) << "frame " << i;
    EXPECT_EQ(k.stream.GetShortName(), QStringLiteral("clip.kfs"));
}

TEST_F(AviStream, StreamInformationComesFromTheStreamHeader)
{
    OpenClip clip(mjpegClip());
    TAVIStreamInfo info;
    ASSERT_TRUE(clip.stream.GetInfo(info));
    EXPECT_EQ(info.fccType, fourcc('v', 'i', 'd', 's'));
    EXPECT_EQ(fourccText(info.fccHandler), QStringLiteral("MJPG"));
    EXPECT_EQ(double(info.dwRate) / info.dwScale, 25.0);
    EXPECT_EQ(info.dwLength, 12u);
    EXPECT_EQ(info.rcFrame[0], 0);
    EXPECT_EQ(info.rcFrame[2], kWidth);
    EXPECT_EQ(info.rcFrame[3], kHeight);
    EXPECT_GT(info.dwSuggestedBufferSize, 0u);

    const QString raw = path("raw.avi");
    ASSERT_TRUE(makeClip(raw, { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 3));
    TAVISTREAM stream("AVI");
    stream.Open(raw);
    ASSERT_TRUE(stream.GetInfo(info));
    EXPECT_TRUE(info.fccHandler == 0 || info.fccHandler == fourcc('D', 'I', 'B', ' '));
}

TEST_F(AviStream, DroppedFramesRepeatThePictureBefore)
{
    // Every fifth frame is missing: the AVI holds empty chunks there. An empty chunk means
    // "no new picture", so the slot shows the picture before it (ffmpeg's own constant-rate
    // output shows the next one early instead, which would put it at the wrong time).
    for (const QStringList& codec : { QStringList { "mjpeg" }, QStringList { "msmpeg4" } }) {
        const QString file = path("gaps.avi");
        const QStringList make { "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v", "20", "-vf",
            "select='not(eq(mod(n\\,5)\\,2))'", "-vsync", "passthrough", "-c:v" };
        ASSERT_TRUE(runFfmpeg(make + codec + QStringList { file }));
        const auto reference = referenceFrames(file, kWidth, kHeight);
        ASSERT_EQ(reference.size(), 25u);
        auto expected = [&](int i) { return reference[size_t(i % 5 == 2 ? i - 1 : i)]; };
        OpenClip clip(file);
        ASSERT_EQ(clip.stream.FrameCount(), 25);
        const std::string name = codec.join(" ").toStdString();
        // JPEG colours are converted by our own code, a level or two off ffmpeg's.
        const int tolerance = name == "mjpeg" ? 2 : 0;
        for (int i : { 2, 0, 7, 24, 6, 12, 11, 13, 1 })
            EXPECT_LE(maxDifference(clip.frame(i), expected(i)), tolerance) << name << " frame " << i;
        for (int i = 0; i < 25; ++i)
            EXPECT_LE(maxDifference(clip.frame(i), expected(i)), tolerance) << name << " frame " << i;
    }
}

// Rows of odd widths are padded in the file and in the frames; a clip stored bottom-up (as
// other writers do) reads as the same pictures as one stored top-down.
TEST_F(AviStream, UncompressedRowsInEitherOrderAndPadded)
{
    for (const char* format : { "bgr24", "pal8" }) {
        const QString file = path("odd.avi");
        ASSERT_TRUE(makeClip(file, { "-c:v", "rawvideo", "-pix_fmt", format }, 5, "30x20"));
        const auto reference = referenceFrames(file, 30, 20);
        ASSERT_EQ(reference.size(), 5u);
        QByteArray bytes = readAll(file);
        const qsizetype strf = bytes.indexOf("strf");
        ASSERT_GT(strf, 0);
        int32_t height;
        std::memcpy(&height, bytes.constData() + strf + 16, 4);
        ASSERT_EQ(height, -20) << format; // ffmpeg writes top-down rows
        height = 20;
        std::memcpy(bytes.data() + strf + 16, &height, 4);
        const QString flipped = writeBytes("flipped.avi", bytes);

        OpenClip top_down(file);
        OpenClip bottom_up(flipped);
        ASSERT_EQ(bottom_up.stream.FrameCount(), 5);
        for (int i : { 4, 1, 0, 3, 2 }) {
            EXPECT_EQ(top_down.frame(i), reference[size_t(i)]) << format << " frame " << i;
            std::vector<uint8_t> mirrored;
            for (int y = 19; y >= 0; --y)
                mirrored.insert(mirrored.end(), reference[size_t(i)].begin() + y * 90,
                    reference[size_t(i)].begin() + (y + 1) * 90);
            EXPECT_EQ(bottom_up.frame(i), mirrored) << format << " frame " << i;
        }
    }
}

TEST_F(AviStream, UncompressedClipWithDamagedChunksFailsThoseFramesOnly)
{
    const QString file = path("raw.avi");
    ASSERT_TRUE(makeClip(file, { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 6));
    QByteArray bytes = readAll(file);
    // Spoil the size field of the third frame chunk; the index still points at it.
    const qsizetype movi = bytes.indexOf("movi");
    ASSERT_GT(movi, 0);
    const qsizetype chunk = movi + 4 + 2 * (8 + kWidth * 3 * kHeight);
    ASSERT_EQ(bytes.mid(chunk, 4), QByteArray("00dc"));
    std::memcpy(bytes.data() + chunk + 4, "\x01\x00\x00\x00", 4);
    const auto reference = referenceFrames(file, kWidth, kHeight);
    OpenClip clip(writeBytes("spoilt.avi", bytes));
    ASSERT_EQ(clip.stream.FrameCount(), 6);
    EXPECT_TRUE(clip.frame(2).empty());
    for (int i : { 3, 1, 5, 0 })
        EXPECT_EQ(clip.frame(i), reference[size_t(i)]) << "frame " << i;

    // A header claiming a picture of gigabytes is not believed.
    const qsizetype strf = bytes.indexOf("strf");
    std::memcpy(bytes.data() + strf + 12, "\xff\xff\x00\x00\x01\x00\xff\xff", 8);
    OpenClip huge(writeBytes("huge.avi", bytes));
    EXPECT_TRUE(huge.frame(0).empty());
    EXPECT_TRUE(huge.frame(4).empty());
}

TEST_F(AviStream, DamagedFirstFrameKeepsTheNumberingOfTheOthers)
{
    const QString file = mjpegClip(6);
    const auto reference = referenceFrames(file, kWidth, kHeight);
    QByteArray bytes = readAll(file);
    const qsizetype first = bytes.indexOf("00dc", bytes.indexOf("movi"));
    ASSERT_GT(first, 0);
    uint32_t size;
    std::memcpy(&size, bytes.constData() + first + 4, 4);
    bytes.replace(first + 8, qsizetype(size), QByteArray(qsizetype(size), '\x55')); // no JPEG left
    OpenClip clip(writeBytes("bad_start.avi", bytes));
    ASSERT_NE(clip.handle, nullptr);
    ASSERT_EQ(clip.stream.FrameCount(), 6);
    for (int i : { 1, 4, 2, 5, 3 })
        EXPECT_LE(maxDifference(clip.frame(i), reference[size_t(i)]), 2) << "frame " << i;
    EXPECT_TRUE(clip.frame(0).empty());
}

TEST_F(AviStream, ClipOfAnUnknownCompressorOpensAndNamesIt)
{
    QByteArray bytes = readAll(mjpegClip(3));
    bytes.replace("MJPG", "QQ9Z");
    OpenClip clip(writeBytes("unknown.avi", bytes));
    ASSERT_TRUE(clip.stream.IsOpen());
    EXPECT_EQ(clip.stream.FrameCount(), 3);
    TAVIStreamInfo info;
    ASSERT_TRUE(clip.stream.GetInfo(info));
    EXPECT_EQ(fourccText(info.fccHandler), QStringLiteral("QQ9Z"));
    EXPECT_EQ(clip.handle, nullptr); // no decoder: frame access is refused
}

TEST_F(AviStream, NamesThatLookLikeUrlsAreFiles)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    ASSERT_TRUE(QFile::rename(mjpegClip(3), QStringLiteral("data:clip.avi")));
    TAVISTREAM stream("AVI");
    EXPECT_NO_THROW(stream.Open(QStringLiteral("data:clip.avi")));
    EXPECT_EQ(stream.FrameCount(), 3);
    EXPECT_THROW(stream.Open(QStringLiteral("pipe:0")), Error);
    QDir::setCurrent(previous);
}

TEST_F(AviStream, FileWithoutVideoOpensButHasNoFrames)
{
    const QString file = path("audio.avi");
    ASSERT_TRUE(runFfmpeg({ "-f", "lavfi", "-i", "sine", "-c:a", "pcm_s16le", "-t", "0.2", file }));
    TAVISTREAM stream("AVI");
    EXPECT_NO_THROW(stream.Open(file));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.FrameCount(), 0);
    TAVIStreamInfo info;
    EXPECT_FALSE(stream.GetInfo(info));
    FrameAccess* handle = reinterpret_cast<FrameAccess*>(1);
    EXPECT_FALSE(stream.BeginFrameAccess(handle));
    EXPECT_EQ(handle, nullptr);
    int32_t size = 0;
    const uint8_t* frame = nullptr;
    EXPECT_FALSE(stream.GetFrame(nullptr, 0, size, frame));
}

// Each refusal keeps "Stream Open Failed" as its first line and says on the second what is wrong.
TEST_F(AviStream, FilesThatAreNotClipsFailToOpenWithTheirCause)
{
    const QString mjpeg = mjpegClip();
    const QByteArray good = readAll(mjpeg);
    QDir(dir_.path()).mkdir("folder.avi");
    QByteArray no_headers = good.left(12);
    std::memcpy(no_headers.data() + 4, "\x04\0\0\0", 4);
    const std::pair<QString, QString> cases[] = {
        { path("missing.avi"), "Cannot read the file: No such file or directory" },
        { writeBytes("empty.avi", {}), "The file is empty" },
        { path("folder.avi"), "It is a folder, not a clip file" },
        { writeBytes("text.avi", "This is not a clip at all, just some words in a file.\n"),
            "It is not a RIFF file" },
        { writeBytes("header.avi", good.left(8)), "It is not a RIFF file" },
        { writeBytes("wave.avi", QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(32, '\0')),
            "It is a RIFF file of type \"WAVE\", not an AVI clip" },
        { writeBytes("bare.avi", no_headers), "The clip's headers cannot be read: " },
        { QString(), "No file name was given" },
        { "/dev/null", "It is not a regular file" },
    };
    for (const auto& [file, cause] : cases) {
        TAVISTREAM stream("AVI");
        try {
            stream.Open(file);
            ADD_FAILURE() << file.toStdString() << " opened";
        } catch (const Error& e) {
            const QStringList lines = e.message().split('\r');
            ASSERT_EQ(lines.size(), 2) << e.what();
            EXPECT_EQ(lines[0], QStringLiteral("Stream Open Failed"));
            EXPECT_TRUE(lines[1].startsWith(cause)) << file.toStdString() << ": " << lines[1].toStdString();
        }
        EXPECT_FALSE(stream.IsOpen());
        EXPECT_EQ(stream.FrameCount(), 0);
    }
}

// The permission bits do not stop the superuser, who runs the tests in some builds.
TEST_F(AviStream, AClipTheSystemRefusesGivesTheSystemsReason)
{
    struct Refused {
        QString file;
        QString reason;
    };
    std::vector<Refused> cases;
    cases.push_back({ dir_.filePath(QString(300, QLatin1Char('n')) + QStringLiteral(".avi")),
        QStringLiteral("File name too long") });
    // The superuser reads every file, so a locked file only refuses other users.
    if (::geteuid() != 0) {
        const QString locked = writeBytes("locked.avi", readAll(mjpegClip()));
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        cases.push_back({ locked, QStringLiteral("Permission denied") });
    }
    for (const Refused& refused : cases) {
        TAVISTREAM stream("AVI");
        try {
            stream.Open(refused.file);
            ADD_FAILURE() << "opened " << refused.reason.toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Stream Open Failed\rCannot read the file: ") + refused.reason);
        }
    }
}

// Cuts, overwrites and garbage: opening either fails with the open message or gives a clip
// whose every claimed frame can be asked for without crashing or hanging.
TEST_F(AviStream, DamagedClipsNeverCrash)
{
    const QByteArray good = readAll(mjpegClip(20));
    std::vector<QByteArray> damaged;
    const qsizetype n = good.size();
    for (qsizetype cut :
        { qsizetype(12), qsizetype(64), qsizetype(200), qsizetype(1000), n / 3, n / 2, n - 200, n - 20 })
        damaged.push_back(good.left(cut));
    uint32_t seed = 12345;
    for (int round = 0; round < 12; ++round) {
        QByteArray bytes = good;
        for (int n = 0; n < 20; ++n) {
            seed = seed * 1103515245u + 12345u;
            bytes[int((seed >> 8) % uint32_t(bytes.size()))] = char(seed >> 24);
        }
        damaged.push_back(bytes);
    }
    QByteArray huge_sizes = good;
    for (int pos = 4; pos + 4 <= 400; pos += 36)
        std::memcpy(huge_sizes.data() + pos, "\xff\xff\xff\x7f", 4);
    damaged.push_back(huge_sizes);

    for (size_t n = 0; n < damaged.size(); ++n) {
        const QString file = writeBytes("damaged.avi", damaged[n]);
        TAVISTREAM stream("AVI");
        try {
            stream.Open(file);
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Stream Open Failed\r"))) << e.what();
            continue;
        }
        FrameAccess* handle = nullptr;
        if (!stream.IsOpen() || !stream.BeginFrameAccess(handle))
            continue;
        const int32_t count = stream.FrameCount();
        EXPECT_LE(count, 40) << "case " << n;
        for (int32_t i : { count - 1, 0, count / 2, count + 1, 1 }) {
            int32_t size = 0;
            const uint8_t* frame = nullptr;
            if (stream.GetFrame(handle, i, size, frame)) {
                EXPECT_EQ(validPackedSize(frame, size_t(size)), size_t(size)) << "case " << n;
            }
        }
        stream.EndFrameAccess(handle);
    }
}

TEST_F(AviStream, TruncatedClipDeliversEveryFrameItClaims)
{
    const QByteArray good = readAll(mjpegClip(20));
    const QString file = writeBytes("cut.avi", good.left(good.size() / 2));
    OpenClip clip(file);
    ASSERT_TRUE(clip.stream.IsOpen());
    const int32_t count = clip.stream.FrameCount();
    EXPECT_GT(count, 3);
    EXPECT_LT(count, 20);
    for (int32_t i = count - 1; i >= 0; --i)
        EXPECT_FALSE(clip.frame(i).empty()) << "frame " << i;
    EXPECT_TRUE(clip.frame(count).empty());
}

TEST_F(AviStream, DescriptorIsRewrittenInPlaceOrAdded)
{
    const QString file = mjpegClip(4);
    TAVISTREAM stream("AVI");
    stream.Open(file);
    const std::vector<uint8_t> original_frame = OpenClip(file).frame(3);

    uint8_t buffer[kDescriptorChunkSize];
    int32_t size = sizeof(buffer);
    EXPECT_FALSE(stream.ReadData(kDescriptorChunkId, buffer, size));

    std::vector<uint8_t> block(kDescriptorChunkSize, 0);
    const char first[] = "[Timing]\rFrame Rate=25\r";
    std::memcpy(block.data(), first, sizeof(first) - 1);
    ASSERT_TRUE(stream.WriteData(kDescriptorChunkId, block.data(), kDescriptorChunkSize));
    const qint64 length_after_add = QFileInfo(file).size();
    size = sizeof(buffer);
    ASSERT_TRUE(stream.ReadData(kDescriptorChunkId, buffer, size));
    EXPECT_EQ(size, kDescriptorChunkSize);
    EXPECT_EQ(std::memcmp(buffer, block.data(), kDescriptorChunkSize), 0);

    const char second[] = "[Timing]\rFrame Rate=1000\r[Titles]\rTitle=Crash 7\r";
    std::fill(block.begin(), block.end(), 0);
    std::memcpy(block.data(), second, sizeof(second) - 1);
    ASSERT_TRUE(stream.WriteData(kDescriptorChunkId, block.data(), kDescriptorChunkSize));
    EXPECT_EQ(QFileInfo(file).size(), length_after_add);
    size = sizeof(buffer);
    ASSERT_TRUE(stream.ReadData(kDescriptorChunkId, buffer, size));
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), second);

    // The clip still reads as before.
    OpenClip reopened(file);
    EXPECT_EQ(reopened.stream.FrameCount(), 4);
    EXPECT_EQ(reopened.frame(3), original_frame);
}

TEST_F(AviStream, StreamDescriptorsRoundTripAsText)
{
    const QString file = mjpegClip(3);
    TAVISTREAM stream("AVI");
    stream.Open(file);
    EXPECT_EQ(ReadStreamDescriptors(stream), "");

    const std::string block = "[Timing]\rFrame Rate=500\r[Titles]\rTitle=Sled 2\r";
    ASSERT_TRUE(WriteStreamDescriptors(stream, block));
    EXPECT_EQ(ReadStreamDescriptors(stream), block);
    // A shorter block replaces the longer one whole: nothing of the old text is left behind.
    ASSERT_TRUE(WriteStreamDescriptors(stream, "[Timing]\rFrame Rate=25\r"));
    EXPECT_EQ(ReadStreamDescriptors(stream), "[Timing]\rFrame Rate=25\r");
}

TEST_F(AviStream, DescriptorWriteToANonRiffFileFailsAndLeavesItAlone)
{
    const QByteArray text("not a riff file at all");
    const QString file = writeBytes("plain.avi", text);
    TAVISTREAM stream("AVI");
    EXPECT_THROW(stream.Open(file), Error);
    std::vector<uint8_t> block(kDescriptorChunkSize, 'x');
    EXPECT_FALSE(stream.WriteData(kDescriptorChunkId, block.data(), kDescriptorChunkSize));
    EXPECT_EQ(readAll(file), text);
    int32_t size = kDescriptorChunkSize;
    EXPECT_FALSE(stream.ReadData(kDescriptorChunkId, block.data(), size));
}

TEST_F(AviStream, FrameAccessOutlivesCloseAndHandlesAreIndependent)
{
    TAVISTREAM stream("AVI");
    stream.Open(mjpegClip());
    FrameAccess* first = nullptr;
    FrameAccess* second = nullptr;
    ASSERT_TRUE(stream.BeginFrameAccess(first));
    ASSERT_TRUE(stream.BeginFrameAccess(second));
    int32_t size_a = 0;
    int32_t size_b = 0;
    const uint8_t* a = nullptr;
    const uint8_t* b = nullptr;
    ASSERT_TRUE(stream.GetFrame(first, 9, size_a, a));
    ASSERT_TRUE(stream.GetFrame(second, 9, size_b, b));
    EXPECT_NE(a, b);
    ASSERT_EQ(size_a, size_b);
    EXPECT_EQ(std::memcmp(a, b, size_t(size_a)), 0);
    EXPECT_EQ(size_t(size_a), sizeof(BitmapInfoHeader) + size_t(dibRowBytes(kWidth, 24)) * kHeight);

    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.FrameCount(), 0);
    EXPECT_TRUE(stream.GetFrame(first, 2, size_a, a)); // a save may still be reading
    stream.EndFrameAccess(first);
    stream.EndFrameAccess(second);
    FrameAccess* handle = nullptr;
    EXPECT_FALSE(stream.BeginFrameAccess(handle));
}

TEST_F(AviStream, HandlesDecodeOnDifferentThreadsAtOnce)
{
    const QString file = path("threads.avi");
    ASSERT_TRUE(makeClip(file, { "-c:v", "mpeg4", "-bf", "2", "-g", "10" }, 40));
    const auto reference = referenceFrames(file, kWidth, kHeight);
    ASSERT_EQ(reference.size(), 40u);
    OpenClip window(file); // the save thread takes a second handle on the same stream
    FrameAccess* save_handle = nullptr;
    ASSERT_TRUE(window.stream.BeginFrameAccess(save_handle));
    std::atomic<int> mismatches = 0;
    std::thread save_thread([&] {
        for (int i = 0; i < 40; ++i) {
            int32_t size = 0;
            const uint8_t* bytes = nullptr;
            const bool got = window.stream.GetFrame(save_handle, i, size, bytes);
            mismatches += !got || topDownBgr(bytes, size) != reference[size_t(i)];
        }
    });
    for (int i = 39; i >= 0; i -= 3)
        mismatches += window.frame(i) != reference[size_t(i)];
    save_thread.join();
    window.stream.EndFrameAccess(save_handle);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(AviStream, ClipTypeTable)
{
    TAVISTREAM stream("AVI");
    EXPECT_EQ(stream.TypeCount(), 6);
    EXPECT_EQ(stream.FirstFrameIndex(), 0);
    EXPECT_TRUE(stream.CanSave());
    const char* captions[] = { "Video Clip File", "KFS Clip File", "Bitmap Files Directory",
        "GIF Files Directory", "JPEG Files Directory", "TIF Files Directory" };
    const char* filters[] = { "AVI - Video Clip|*.avi", "KFS - Kinetic Frame Sequence|*.kfs",
        "BMP - Image Files Directory|*.~~~", "GIF - Image Files Directory|*.~~~",
        "JPEG - Image Files Directory|*.~~~", "TIFF - Image Files Directory|*.~~~" };
    const char* extensions[] = { "avi", "kfs", "", "", "", "" };
    const char* formats[] = { "", "", "F%.7d.bmp", "F%.7d.gif", "F%.7d.jpg", "F%.7d.tif" };
    for (int type = 1; type <= 6; ++type) {
        EXPECT_EQ(stream.TypeCaption(type), QString::fromLatin1(captions[type - 1]));
        EXPECT_EQ(stream.TypeFilter(type), QString::fromLatin1(filters[type - 1]));
        EXPECT_EQ(stream.DefaultExtension(type), QString::fromLatin1(extensions[type - 1]));
        EXPECT_EQ(stream.FrameFileFormat(type), QString::fromLatin1(formats[type - 1]));
        EXPECT_EQ(stream.IsClipType(type), type < 3);
    }
    for (int type : { 0, 7, -1 }) {
        EXPECT_TRUE(stream.TypeCaption(type).isEmpty());
        EXPECT_FALSE(stream.IsClipType(type));
    }
    EXPECT_EQ(fourccText(fourcc('c', 'v', 'i', 'd')), QStringLiteral("cvid"));
    EXPECT_EQ(fourccText(0), QStringLiteral("    "));
    EXPECT_EQ(fourccText(fourcc('D', 'I', 'B', '\n')), QStringLiteral("DIB "));
}

} // namespace
} // namespace fw::test
