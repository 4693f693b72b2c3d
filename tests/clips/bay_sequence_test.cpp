#include "clips/bay_sequence.h"

#include <cstring>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "clips/bay_frame_writer.h"
#include "clips/bay_record.h"
#include "support/fw_error.h"

namespace fw {
namespace {

constexpr int64_t kTallRecord = 197632;
constexpr int64_t kShortRecord = 74752;

// A frame file of `bytes` bytes: mosaic value `fill`, camera record with `signature` where it fits.
std::vector<uint8_t> FrameBytes(
    int64_t bytes, int64_t mosaic_bytes, uint8_t fill = 9, const char* signature = "EK BAY 2")
{
    std::vector<uint8_t> data(size_t(bytes), 0);
    if (!data.empty())
        std::memset(data.data(), fill, size_t(std::min(bytes, mosaic_bytes)));
    if (bytes >= mosaic_bytes + 8)
        std::memcpy(data.data() + mosaic_bytes, signature, 8);
    return data;
}

class BaySequenceTest : public ::testing::Test {
protected:
    QString Write(const QString& name, int64_t bytes, int64_t mosaic_bytes = 512 * 384,
        const char* signature = "EK BAY 2")
    {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        const std::vector<uint8_t> data = FrameBytes(bytes, mosaic_bytes, 9, signature);
        file.write(reinterpret_cast<const char*>(data.data()), qint64(data.size()));
        return path;
    }
    QStringList Names() const
    {
        QStringList names;
        for (int32_t i = 0; i < sequence_.Count(); ++i)
            names << sequence_.Name(i);
        return names;
    }

    QTemporaryDir dir_;
    BaySequence sequence_;
    std::vector<uint8_t> record_;
};

TEST_F(BaySequenceTest, SortsByTheNumberInTheNameAndFindsTheZeroFrame)
{
    for (const char* name : { "F00010.bay", "F00002.bay", "F-0001.bay", "F00000.bay", "F00011.BAY" })
        Write(name, kTallRecord);
    Write("notes.txt", 10);
    Write("F00001.raw", kTallRecord); // another extension
    EXPECT_FALSE(sequence_.Open(dir_.filePath("F00002.bay")));
    EXPECT_EQ(Names(), QStringList({ "F-0001", "F00000", "F00002", "F00010", "F00011" }));
    EXPECT_EQ(sequence_.ZeroFramePosition(), 2);
    EXPECT_EQ(sequence_.Path(3), QDir(dir_.path()).absolutePath() + "/F00010.bay");
    EXPECT_EQ(sequence_.Path(4), QDir(dir_.path()).absolutePath() + "/F00011.BAY")
        << "copied from a card in capitals";
    EXPECT_EQ(sequence_.FrameSize().width, 512);
    EXPECT_EQ(sequence_.FrameSize().height, 384);
}

TEST_F(BaySequenceTest, AsksAboutNamesWithoutANumber)
{
    Write("F00003.bay", kShortRecord, 512 * 144);
    Write("F00002.bay", kShortRecord, 512 * 144);
    Write("take.bay", kShortRecord, 512 * 144);
    QStringList asked;
    const auto ignore = [&asked](const QString& question) {
        asked << question;
        return PromptButton::Ignore;
    };
    EXPECT_FALSE(sequence_.Open(dir_.filePath("F00002.bay"), ignore));
    EXPECT_EQ(asked, QStringList { "File name \"take\" cannot be numerically sorted." });
    EXPECT_EQ(Names(), QStringList({ "take", "F00002", "F00003" }));
    EXPECT_EQ(sequence_.ZeroFramePosition(), 0);

    // The default answers Ignore without asking anyone.
    EXPECT_FALSE(sequence_.Open(dir_.filePath("F00002.bay")));
    EXPECT_EQ(sequence_.Count(), 3);

    const auto cancel = [](const QString&) { return PromptButton::Cancel; };
    try {
        sequence_.Open(dir_.filePath("F00002.bay"), cancel);
        FAIL() << "no exception";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Preview Canceled");
    }
    EXPECT_EQ(sequence_.Count(), 0);
}

TEST_F(BaySequenceTest, TheFileSizeChoosesTheFrameSize)
{
    struct Case {
        int64_t bytes;
        int32_t height;
    };
    for (const Case c : { Case { 73728, 144 }, { 74752, 144 }, { 196608, 384 }, { 197632, 384 }, { 73727, 0 },
             { 74753, 0 }, { 196607, 0 }, { 197633, 0 }, { 0, 0 } }) {
        const QString path = Write(QStringLiteral("F%1.bay").arg(c.bytes), c.bytes);
        const std::optional<QString> failure = sequence_.Open(path);
        if (c.height) {
            EXPECT_FALSE(failure) << c.bytes;
            EXPECT_EQ(sequence_.FrameSize().height, c.height) << c.bytes;
        } else {
            EXPECT_EQ(failure, "File \"" + path + "\" size is invalid for a BAY file.") << c.bytes;
            EXPECT_EQ(sequence_.Count(), 0);
        }
        QFile::remove(path);
    }
    const QString missing = dir_.filePath("F1.bay");
    EXPECT_EQ(sequence_.Open(missing), "File " + missing + " not found.");
    EXPECT_EQ(sequence_.Count(), 0);
}

TEST_F(BaySequenceTest, ReadingAFrameChecksEveryFile)
{
    const QString first = Write("F00001.bay", kTallRecord);
    const QString cut = Write("F00002.bay", 197000); // within 1024 bytes of the record: read
    const QString big = Write("F00003.bay", 197633);
    const QString other = Write("F00004.bay", kTallRecord, 512 * 384, "XX BAY 2");
    const QString gone = Write("F00005.bay", kTallRecord);
    const QString shrunk = Write("F00006.bay", kTallRecord);
    ASSERT_FALSE(sequence_.Open(first));
    ASSERT_EQ(sequence_.Count(), 6);
    QFile::remove(gone);
    QFile::resize(shrunk, 1000);

    EXPECT_FALSE(sequence_.ReadFrame(0, record_));
    ASSERT_EQ(record_.size(), size_t(kTallRecord));
    EXPECT_EQ(record_[0], 9);
    EXPECT_EQ(std::memcmp(record_.data() + 512 * 384, "EK BAY 2", 8), 0);

    // A cut file is read; what it lacks reads as zeros, not as the previous frame.
    std::fill(record_.begin(), record_.end(), uint8_t(0x55));
    EXPECT_FALSE(sequence_.ReadFrame(1, record_));
    EXPECT_EQ(record_[197000 - 1], 0);
    EXPECT_EQ(record_[197000], 0);
    EXPECT_EQ(record_.back(), 0);

    const auto message = [this](int32_t frame) {
        const std::optional<BayReadFailure> failure = sequence_.ReadFrame(frame, record_);
        return failure ? failure->message : QString();
    };
    EXPECT_EQ(message(2), big + " size differs from previous file(s)");
    EXPECT_EQ(message(3), other + " is not a Bayer Frame.");
    EXPECT_EQ(message(4), "File " + gone + " not found.");
    EXPECT_EQ(message(5), shrunk + " size differs from previous file(s)");
    EXPECT_FALSE(message(6).isEmpty());
    EXPECT_FALSE(message(-1).isEmpty());
    EXPECT_EQ(record_.size(), size_t(kTallRecord));
}

TEST_F(BaySequenceTest, FrameSelectionPicksEveryStepthEntry)
{
    for (int i = 0; i < 5; ++i)
        Write(QStringLiteral("F%1.bay").arg(i), kTallRecord);
    ASSERT_FALSE(sequence_.Open(dir_.filePath("F0.bay")));
    sequence_.SetFrameSelection(1, 2);
    EXPECT_EQ(sequence_.EntryOfFrame(0), 1);
    EXPECT_EQ(sequence_.EntryOfFrame(1), 3);
    EXPECT_EQ(sequence_.EntryOfFrame(2), -1);
    EXPECT_EQ(sequence_.EntryOfFrame(-1), -1);
    EXPECT_EQ(sequence_.SelectedCount(), 2);

    // A range cut short of the end: entries 0, 2 only, though entry 4 exists.
    sequence_.SetFrameSelection(0, 2, 2);
    EXPECT_EQ(sequence_.SelectedCount(), 2);
    EXPECT_EQ(sequence_.EntryOfFrame(1), 2);
    EXPECT_EQ(sequence_.EntryOfFrame(2), -1);
    // A limit beyond the files is no promise of frames that are not there.
    sequence_.SetFrameSelection(3, 1, 10);
    EXPECT_EQ(sequence_.SelectedCount(), 2);
    sequence_.SetFrameSelection(7, 1);
    EXPECT_EQ(sequence_.SelectedCount(), 0);
}

TEST_F(BaySequenceTest, WrittenFramesCarryTheWordsTitlesAndRunningTime)
{
    const QString source = Write("F00007.bay", kTallRecord);
    ASSERT_FALSE(sequence_.Open(source));
    ASSERT_FALSE(sequence_.ReadFrame(0, record_));
    record_[512 * 384 + 200] = 0x77; // an unlisted byte travels along

    BayFrameWriter writer;
    writer.SetDestination(dir_.filePath("out/deeper"));
    writer.SetWord(size_t(BayWord::Magic), kBayProcessingMagic);
    writer.SetWord(size_t(BayWord::Gamma), 1800);
    writer.SetTitles("Run=1");
    writer.SetFrameTime(1999.5);
    writer.SetFrameRate(3);
    ASSERT_TRUE(writer.Write(record_, 512 * 384, sequence_.FileName(0)));

    const QString written = dir_.filePath("out/deeper/F00007.bay");
    BaySequence copy;
    ASSERT_FALSE(copy.Open(written));
    std::vector<uint8_t> back;
    ASSERT_FALSE(copy.ReadFrame(0, back));
    EXPECT_EQ(back, record_);
    const std::optional<BayRecord> camera = ParseBayRecord(back.data() + 512 * 384, 1024);
    ASSERT_TRUE(camera);
    EXPECT_TRUE(camera->ProcessingBlockValid());
    EXPECT_EQ(camera->Word(BayWord::Gamma), 1800);
    EXPECT_EQ(camera->Titles(), "Run=1");
    EXPECT_EQ(camera->bytes[200], 0x77);
    EXPECT_EQ(camera->Word(BayWord::TimeSeconds), 1);
    EXPECT_EQ(camera->Word(BayWord::TimeMilliseconds), 999);
    EXPECT_EQ(camera->Word(BayWord::TimeMicroseconds), 500);

    // 1/3 s a frame: counters grow by 0 s, 333 ms, 333 us, without carry.
    EXPECT_EQ(writer.TimeCounters(), (std::array<int32_t, 3> { 1, 1332, 833 }));
    EXPECT_DOUBLE_EQ(writer.FrameTimeMs(), 1999.5 + 333.333);
}

TEST(BayFrameWriter, CarriesOnlyWhenACounterWouldOverflowItsWord)
{
    QTemporaryDir dir;
    std::vector<uint8_t> record = FrameBytes(kShortRecord, 512 * 144);
    BayFrameWriter writer;
    writer.SetDestination(dir.path());
    writer.SetFrameRate(3);
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(writer.Write(record, 512 * 144, "F1.bay"));
    for (const int32_t counter : writer.TimeCounters())
        EXPECT_LE(counter, 32767);
    EXPECT_NEAR(writer.FrameTimeMs(), 200 * 333.333, 1e-6);

    BayFrameWriter blocked;
    QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
    blocked.SetDestination(dir.filePath("file/sub"));
    EXPECT_FALSE(blocked.Write(record, 512 * 144, "F1.bay"));
    EXPECT_DOUBLE_EQ(blocked.FrameTimeMs(), 0.0);
}

} // namespace
} // namespace fw
