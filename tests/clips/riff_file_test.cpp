#include "clips/riff_file.h"

#include <gtest/gtest.h>

#include <string>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "clips/avi_stream.h"

namespace fw {
namespace {

constexpr uint32_t kTtls = fourcc('t', 't', 'l', 's');
constexpr uint32_t kJunk = fourcc('J', 'U', 'N', 'K');
constexpr uint32_t kList = fourcc('L', 'I', 'S', 'T');
constexpr uint32_t kIdx1 = fourcc('i', 'd', 'x', '1');

std::string le32(uint32_t v)
{
    return { char(v), char(v >> 8), char(v >> 16), char(v >> 24) };
}

// A chunk whose header may claim another size than the data it holds.
std::string chunkClaiming(const std::string& id, uint32_t size, const std::string& data)
{
    std::string c = id + le32(size) + data;
    if (data.size() & 1)
        c += '\0';
    return c;
}

std::string chunk(const std::string& id, const std::string& data)
{
    return chunkClaiming(id, uint32_t(data.size()), data);
}

std::string list(const std::string& kind, const std::string& type, const std::string& body)
{
    return chunk(kind, type + body);
}

std::string riff(const std::string& type, const std::string& body)
{
    return list("RIFF", type, body);
}

std::string hdrl()
{
    return list("LIST", "hdrl",
        chunk("avih", std::string(56, '\1'))
            + list("LIST", "strl", chunk("strh", std::string(56, '\2')) + chunk("strn", "cam 1")));
}

std::string movi()
{
    return list(
        "LIST", "movi", chunk("00db", std::string(12, '\x7f')) + chunk("00db", std::string(12, '\x7e')));
}

std::string ttls(size_t size)
{
    return chunk("ttls", std::string(size, 'd'));
}

std::vector<uint8_t> text(const std::string& s, size_t size)
{
    std::vector<uint8_t> v(s.begin(), s.end());
    v.resize(size, 0);
    return v;
}

class RiffFileTest : public ::testing::Test {
protected:
    QString put(const std::string& bytes, const QString& name = "clip.avi")
    {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), qint64(bytes.size()));
        return path;
    }
    static std::string get(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll().toStdString();
    }

    QTemporaryDir dir_;
};

TEST_F(RiffFileTest, ParsesTheChunkTreeAndLoadsOnlyHeaderChunks)
{
    const std::string file = riff("AVI ",
        hdrl() + chunk("JUNK", std::string(20, '\0')) + movi() + chunk("idx1", std::string(32, '\3'))
            + ttls(2048));
    TRIFF riff_file(put(file));
    ASSERT_TRUE(riff_file.IsOpen());
    const TRIFFChunk* root = riff_file.Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Id(), fourcc('R', 'I', 'F', 'F'));
    EXPECT_EQ(root->FormType(), fourcc('A', 'V', 'I', ' '));
    EXPECT_EQ(root->DataSize(), file.size() - 8);
    ASSERT_EQ(root->Children().size(), 5u);

    const TRIFFChunk& header_list = *root->Children()[0];
    EXPECT_EQ(header_list.Id(), kList);
    EXPECT_EQ(header_list.FormType(), fourcc('h', 'd', 'r', 'l'));
    ASSERT_EQ(header_list.Children().size(), 2u);
    EXPECT_EQ(header_list.Children()[0]->Data(), std::vector<uint8_t>(56, 1));
    const TRIFFChunk& stream_list = *header_list.Children()[1];
    ASSERT_EQ(stream_list.Children().size(), 2u);
    EXPECT_EQ(stream_list.Children()[1]->Parent(), &stream_list);
    // "cam 1" has an odd size: the pad byte must not shift anything behind it.
    EXPECT_EQ(stream_list.Children()[1]->Data(), text("cam 1", 5));

    const TRIFFChunk& movie = *root->Children()[2];
    ASSERT_EQ(movie.Children().size(), 2u);
    EXPECT_TRUE(movie.Children()[0]->Data().empty());
    EXPECT_EQ(riff_file.FindChild(kIdx1)->Data().size(), 32u);

    const TRIFFChunk* descriptor = riff_file.FindChild(kTtls);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_TRUE(descriptor->Data().empty());
    EXPECT_EQ(descriptor->DataSize(), 2048u);
    EXPECT_EQ(descriptor->DataOffset(), int64_t(file.size()) - 2048);
    // Only direct children of the form are found.
    EXPECT_EQ(riff_file.FindChild(fourcc('a', 'v', 'i', 'h')), nullptr);
}

TEST_F(RiffFileTest, RewritesADescriptorInPlaceAndReadsItBack)
{
    const std::string file = riff("AVI ", hdrl() + ttls(2048) + movi());
    const QString path = put(file);
    {
        TRIFF riff_file(path);
        const auto block = text("[Timing]\rFrame Rate=1000\r", 2048);
        ASSERT_TRUE(riff_file.WriteChunkData(kTtls, block.data(), 2048));
        std::vector<uint8_t> back(4096);
        int32_t size = 4096;
        ASSERT_TRUE(riff_file.ReadChunkData(kTtls, back.data(), size));
        EXPECT_EQ(size, 2048);
        back.resize(2048);
        EXPECT_EQ(back, block);
        size = 10;
        ASSERT_TRUE(riff_file.ReadChunkData(kTtls, back.data(), size));
        EXPECT_EQ(size, 10);
    }
    const std::string after = get(path);
    ASSERT_EQ(after.size(), file.size());
    const size_t at = file.find("ttls") + 8;
    EXPECT_EQ(after.substr(0, at), file.substr(0, at));
    EXPECT_EQ(after.substr(at + 2048), file.substr(at + 2048));
    EXPECT_EQ(after.substr(at, 25), "[Timing]\rFrame Rate=1000\r");
}

TEST_F(RiffFileTest, DescriptorChunksOfOtherSizesStayWithinBufferAndChunk)
{
    // A short stored chunk takes the start of the block; a long one gets the block and zeros,
    // and neither touches a byte outside its data.
    for (const size_t stored : { size_t(100), size_t(4096) }) {
        const std::string file = riff("AVI ", hdrl() + ttls(stored) + movi());
        const QString path = put(file);
        const auto block = text(std::string(2048, 'b'), 2048);
        {
            TRIFF riff_file(path);
            EXPECT_TRUE(riff_file.WriteChunkData(kTtls, block.data(), int32_t(block.size())));
        }
        const std::string after = get(path);
        ASSERT_EQ(after.size(), file.size()) << stored;
        const size_t at = file.find("ttls") + 8;
        const size_t written = std::min<size_t>(stored, 2048);
        EXPECT_EQ(after.substr(at, written), std::string(written, 'b'));
        EXPECT_EQ(after.substr(at + written, stored - written), std::string(stored - written, '\0'));
        EXPECT_EQ(after.substr(0, at), file.substr(0, at));
        EXPECT_EQ(after.substr(at + stored), file.substr(at + stored));
    }
}

TEST_F(RiffFileTest, AddsIntoJunkWhenItFitsAndSplitsOffTheRest)
{
    const auto block = text("[Titles]\rTitle=Sled\r", 2048);
    struct Case {
        size_t junk;
        bool rest_is_junk;
    };
    for (const Case c : { Case { 2048, false }, Case { 2048 + 8, true }, Case { 4000, true } }) {
        const std::string file = riff("AVI ", hdrl() + chunk("JUNK", std::string(c.junk, '\0')) + movi());
        const QString path = put(file);
        {
            TRIFF riff_file(path);
            ASSERT_TRUE(riff_file.AddChunk(kTtls, block.data(), 2048)) << c.junk;
            ASSERT_NE(riff_file.FindChild(kTtls), nullptr);
            EXPECT_FALSE(riff_file.AddChunk(kTtls, block.data(), 2048)) << "only one chunk of an id";
        }
        EXPECT_EQ(get(path).size(), file.size());
        TRIFF reread(path, false);
        ASSERT_EQ(reread.Root()->Children().size(), c.rest_is_junk ? 4u : 3u);
        EXPECT_EQ(reread.Root()->Children()[1]->Id(), kTtls);
        EXPECT_EQ(reread.Root()->Children()[c.rest_is_junk ? 3 : 2]->FormType(), fourcc('m', 'o', 'v', 'i'));
        std::vector<uint8_t> back(2048);
        int32_t size = 2048;
        ASSERT_TRUE(reread.ReadChunkData(kTtls, back.data(), size));
        EXPECT_EQ(back, block);
    }
}

TEST_F(RiffFileTest, AppendsAtTheFormEndWithPatchedSizeAndPadByte)
{
    // Too little JUNK room to leave a whole chunk behind: the data goes to the end.
    const std::string file = riff("AVI ", hdrl() + chunk("JUNK", std::string(10, '\0')) + movi());
    const QString path = put(file);
    {
        TRIFF riff_file(path);
        ASSERT_TRUE(
            riff_file.AddChunk(fourcc('n', 'o', 't', 'e'), reinterpret_cast<const uint8_t*>("odd"), 3));
        ASSERT_TRUE(riff_file.AddChunk(kTtls, text("x", 8).data(), 8));
    }
    const std::string after = get(path);
    EXPECT_EQ(after,
        riff("AVI ",
            hdrl() + chunk("JUNK", std::string(10, '\0')) + movi() + chunk("note", "odd")
                + chunk("ttls", std::string("x") + std::string(7, '\0'))));
}

TEST_F(RiffFileTest, RefusesToAddWhereTheFileWouldBreakAndLeavesItAlone)
{
    const std::string avi = riff("AVI ", hdrl() + movi());
    const std::vector<std::string> files = {
        // OpenDML: further forms follow the first one and there is no JUNK room.
        avi + riff("AVIX", movi()),
        // Bytes after the form that are not ours to move.
        avi + "trailing",
        // The last chunk claims more than the form holds.
        riff("AVI ", hdrl() + chunkClaiming("JUNK", 400, std::string(8, '\0'))),
        "RIFX" + avi.substr(4),
        std::string(),
    };
    const auto block = text("", 2048);
    for (size_t i = 0; i < files.size(); ++i) {
        const QString path = put(files[i]);
        {
            TRIFF riff_file(path);
            EXPECT_FALSE(riff_file.AddChunk(kTtls, block.data(), 2048)) << i;
            EXPECT_FALSE(riff_file.WriteChunkData(kTtls, block.data(), 2048)) << i;
        }
        EXPECT_EQ(get(path), files[i]) << i;
    }
}

TEST_F(RiffFileTest, ReadOnlyAndMissingFilesAreNeverTouched)
{
    const std::string file = riff("AVI ", hdrl() + ttls(2048) + chunk("JUNK", std::string(3000, '\0')));
    const QString path = put(file);
    {
        TRIFF riff_file(path, false);
        ASSERT_TRUE(riff_file.IsOpen());
        const auto block = text("x", 2048);
        EXPECT_FALSE(riff_file.WriteChunkData(kTtls, block.data(), 2048));
        EXPECT_FALSE(riff_file.AddChunk(fourcc('a', 'b', 'c', 'd'), block.data(), 2048));
        int32_t size = 2048;
        std::vector<uint8_t> back(2048);
        EXPECT_TRUE(riff_file.ReadChunkData(kTtls, back.data(), size));
    }
    EXPECT_EQ(get(path), file);

    const QString missing = dir_.filePath("missing.avi");
    TRIFF absent(missing);
    EXPECT_FALSE(absent.IsOpen());
    EXPECT_EQ(absent.FindChild(kTtls), nullptr);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(TRIFF(dir_.path()).IsOpen());
}

TEST_F(RiffFileTest, HostileFilesGiveFalseResultsAndStayUnchanged)
{
    const std::string good = riff("AVI ", hdrl() + ttls(2048) + movi());
    std::string huge_root = good;
    huge_root.replace(4, 4, le32(0xFFFFFFFF));
    std::string deep = chunk("ttls", std::string(16, 'q'));
    for (int i = 0; i < 2000; ++i)
        deep = list("LIST", "deep", deep);
    const std::vector<std::string> files = {
        std::string(),
        "RIFF",
        "RIFF" + le32(4),
        std::string(4096, '\xff'),
        good.substr(0, good.size() / 2), // the descriptor claims bytes past the end
        riff("AVI ", chunkClaiming("ttls", 0xFFFFFFFF, std::string(40, 't'))),
        riff("AVI ", chunkClaiming("LIST", 2, "") + ttls(16)),
        riff("AVI ", chunkClaiming("LIST", 0xFFFFFFF0, "hdrl" + chunkClaiming("avih", 0x7FFFFFFF, "abc"))),
        riff("AVI ", deep),
        "LIST" + good.substr(4),
    };
    for (size_t i = 0; i < files.size(); ++i) {
        const QString path = put(files[i]);
        {
            TRIFF riff_file(path);
            ASSERT_TRUE(riff_file.IsOpen()) << i;
            ASSERT_NE(riff_file.Root(), nullptr) << i;
            std::vector<uint8_t> buffer(2048, 'z');
            int32_t size = 2048;
            if (riff_file.ReadChunkData(kTtls, buffer.data(), size))
                EXPECT_LE(size_t(size), files[i].size()) << i;
            else
                EXPECT_EQ(size, 0) << i;
            EXPECT_FALSE(riff_file.WriteChunkData(kTtls, buffer.data(), 2048)) << i;
        }
        EXPECT_EQ(get(path), files[i]) << i;
    }

    TRIFF huge(put(huge_root));
    std::vector<uint8_t> buffer(2048);
    int32_t size = 2048;
    EXPECT_TRUE(huge.ReadChunkData(kTtls, buffer.data(), size)) << "sizes are clamped to the file";
    EXPECT_EQ(huge.FindChild(kList)->Children()[0]->Data().size(), 56u);

    TRIFF not_riff(put("LIST" + good.substr(4)));
    EXPECT_EQ(not_riff.Root()->Id(), fourcc(' ', ' ', ' ', ' '));
}

TEST_F(RiffFileTest, ClipsWithManyFramesKeepTheirDescriptorAndEndlessFormsAddNothing)
{
    std::string frames;
    for (int i = 0; i < 150000; ++i)
        frames += chunk("00db", "");
    TRIFF clip(put(riff("AVI ", hdrl() + list("LIST", "movi", frames) + ttls(2048))));
    ASSERT_NE(clip.FindChild(kTtls), nullptr);
    EXPECT_EQ(clip.FindChild(kList)->Children().size(), 2u);

    // Past the walk's limit a chunk may exist unseen; adding could then make a second one.
    std::string chunks;
    for (int i = 0; i < 100000; ++i)
        chunks += chunk("pad ", "");
    const std::string file = riff("AVI ", chunks + ttls(16) + chunk("JUNK", std::string(64, '\0')));
    const QString path = put(file, "endless.avi");
    {
        TRIFF endless(path);
        EXPECT_EQ(endless.FindChild(kTtls), nullptr);
        const auto block = text("", 16);
        EXPECT_FALSE(endless.AddChunk(kTtls, block.data(), 16));
    }
    EXPECT_EQ(get(path), file);
}

// Clips written by FFmpeg must still decode, frame for frame, once a descriptor is in them.
class RiffFileFfmpegTest : public RiffFileTest {
protected:
    static int run(const QStringList& arguments, QByteArray* output = nullptr)
    {
        QProcess process;
        process.start("ffmpeg", arguments);
        if (!process.waitForFinished(60000))
            return -1;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    // One checksum line per decoded frame, or empty when decoding reported any error.
    static QByteArray frameSums(const QString& path)
    {
        QByteArray sums;
        if (run({ "-v", "error", "-xerror", "-i", path, "-f", "framemd5", "-" }, &sums) != 0)
            return {};
        QByteArray lines;
        for (const QByteArray& line : sums.split('\n')) {
            if (!line.isEmpty() && !line.startsWith('#'))
                lines += line + '\n';
        }
        return lines;
    }
};

TEST_F(RiffFileFfmpegTest, ClipStaysDecodableAfterAddingAndRewritingTheDescriptor)
{
    const QString path = dir_.filePath("ff.avi");
    ASSERT_EQ(run({ "-v", "error", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v", "12",
                  "-c:v", "mjpeg", path }),
        0);
    const QByteArray before = frameSums(path);
    ASSERT_EQ(before.count('\n'), 12);
    const auto first = text("[Timing]\rFrame Rate=25\r", 2048);
    {
        TRIFF riff_file(path);
        ASSERT_TRUE(riff_file.AddChunk(kTtls, first.data(), 2048));
    }
    EXPECT_EQ(frameSums(path), before);
    const qint64 length = QFileInfo(path).size();
    const auto second = text("[Timing]\rFrame Rate=50\r", 2048);
    {
        TRIFF riff_file(path);
        EXPECT_TRUE(riff_file.WriteChunkData(kTtls, second.data(), 2048));
    }
    EXPECT_EQ(QFileInfo(path).size(), length);
    EXPECT_EQ(frameSums(path), before);
    TRIFF reread(path, false);
    std::vector<uint8_t> back(2048);
    int32_t size = 2048;
    ASSERT_TRUE(reread.ReadChunkData(kTtls, back.data(), size));
    EXPECT_EQ(back, second);
}

// FFmpeg only writes OpenDML beyond a gigabyte; the same layout is put together here from the
// chunks of a small clip: the first half of the frames in the "AVI " form, the rest in "AVIX".
std::string openDmlFrom(const std::string& clip, const QString& path, size_t junk)
{
    TRIFF source(path, false);
    const TRIFFChunk* header = nullptr;
    const TRIFFChunk* movie = nullptr;
    for (const auto& child : source.Root()->Children()) {
        if (child->FormType() == fourcc('h', 'd', 'r', 'l'))
            header = child.get();
        if (child->FormType() == fourcc('m', 'o', 'v', 'i'))
            movie = child.get();
    }
    if (!header || !movie)
        return {};
    const auto whole = [&](const TRIFFChunk& c) {
        return clip.substr(size_t(c.DataOffset() - 8), size_t(8 + c.DataSize() + (c.DataSize() & 1)));
    };
    std::string first, second, index;
    uint32_t offset = 4;
    const auto& frames = movie->Children();
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::string bytes = whole(*frames[i]);
        if (i < frames.size() / 2) {
            index += bytes.substr(0, 4) + le32(16) + le32(offset) + le32(frames[i]->DataSize());
            offset += uint32_t(bytes.size());
            first += bytes;
        } else {
            second += bytes;
        }
    }
    const std::string room = junk ? chunk("JUNK", std::string(junk, '\0')) : std::string();
    return riff("AVI ", whole(*header) + room + list("LIST", "movi", first) + chunk("idx1", index))
        + riff("AVIX", list("LIST", "movi", second));
}

TEST_F(RiffFileFfmpegTest, OpenDmlClipTakesTheDescriptorOnlyWhereThereIsRoom)
{
    const QString source = dir_.filePath("source.avi");
    ASSERT_EQ(run({ "-v", "error", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v", "12",
                  "-c:v", "mjpeg", source }),
        0);
    const QByteArray frames = frameSums(source);
    ASSERT_EQ(frames.count('\n'), 12);
    const auto block = text("[Timing]\rFrame Rate=25\r", 2048);

    const std::string roomy = openDmlFrom(get(source), source, 3000);
    const QString roomy_path = put(roomy, "roomy.avi");
    ASSERT_EQ(frameSums(roomy_path), frames) << "the hand-made OpenDML clip itself must decode";
    {
        TRIFF riff_file(roomy_path);
        EXPECT_TRUE(riff_file.AddChunk(kTtls, block.data(), 2048));
    }
    EXPECT_EQ(get(roomy_path).size(), roomy.size());
    EXPECT_EQ(frameSums(roomy_path), frames);

    const std::string tight = openDmlFrom(get(source), source, 0);
    const QString tight_path = put(tight, "tight.avi");
    {
        TRIFF riff_file(tight_path);
        EXPECT_FALSE(riff_file.AddChunk(kTtls, block.data(), 2048));
    }
    EXPECT_EQ(get(tight_path), tight);
}

} // namespace
} // namespace fw
