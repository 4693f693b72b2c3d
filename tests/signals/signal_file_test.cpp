#include "signals/signal_file.h"

#include <cmath>
#include <optional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/fw_error.h"

namespace fw {
namespace {

class SignalFileTest : public ::testing::Test {
protected:
    void TearDown() override { SetSigInfoAsker({}); }

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Opens with an asker that records the proposal and, unless told otherwise, accepts it
    // (with a frequency of 1 kHz where none was proposed).
    std::unique_ptr<TASCIIColumn> Open(const QString& path, std::optional<SigInfo> answer = std::nullopt)
    {
        return std::make_unique<TASCIIColumn>(path, [&](SigInfo& info) {
            asked_ = info;
            if (answer)
                info = *answer;
            else if (info.frequency_hz <= 0)
                info.frequency_hz = 1000;
            return true;
        });
    }

    static QString ErrorText(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const Error& error) {
            return error.message();
        }
        return QStringLiteral("(no error)");
    }

    QTemporaryDir dir_;
    SigInfo asked_;
};

TEST_F(SignalFileTest, TimeInFirstColumnInSecondsTakesSecondHeaderWordAsLabel)
{
    const QString path = Write("Drop 7.force.txt", "Time Force\ns N\n0.000 1.5\n0.001 1.7\n0.002 1.6\n");
    const auto signal = Open(path);
    EXPECT_EQ(signal->TimeMode(), TimeColumn::First);
    EXPECT_EQ(signal->UnitFactor(), 1000.0);
    EXPECT_EQ(asked_.time_column, TimeColumn::First);
    EXPECT_DOUBLE_EQ(asked_.frequency_hz, 1000.0);
    EXPECT_DOUBLE_EQ(asked_.first_sample_ms, 0.0);
    EXPECT_EQ(asked_.axis_label, "Force");
    EXPECT_EQ(asked_.signal_name, "Drop 7");

    EXPECT_EQ(signal->SampleCount(), 3);
    EXPECT_DOUBLE_EQ(signal->SamplePeriodMs(), 1.0);
    EXPECT_EQ(signal->ReadAllSamples(), (std::vector<double> { 1.5, 1.7, 1.6 }));
    EXPECT_TRUE(signal->EndOfData());
    EXPECT_TRUE(std::isnan(signal->ReadSample()));
    EXPECT_EQ(signal->FullName(), "ASCII.Drop 7");
    EXPECT_EQ(signal->XAxisLabel(), "Time (mS)");
    EXPECT_EQ(signal->YAxisLabel(), "Force");
    EXPECT_TRUE(signal->SourceName().isEmpty());
}

TEST_F(SignalFileTest, TimeInSecondColumnInMilliseconds)
{
    const auto signal = Open(Write("p.csv", "12.5, 0\n13.1, 2\n12.9, 4\n"));
    EXPECT_EQ(signal->TimeMode(), TimeColumn::Second);
    EXPECT_EQ(signal->UnitFactor(), 1.0);
    EXPECT_DOUBLE_EQ(asked_.frequency_hz, 500.0);
    EXPECT_DOUBLE_EQ(asked_.first_sample_ms, 0.0);
    EXPECT_EQ(asked_.axis_label, "12.5"); // the first word of the file, whatever it is
    EXPECT_EQ(signal->ReadAllSamples(), (std::vector<double> { 12.5, 13.1, 12.9 }));
}

TEST_F(SignalFileTest, ProposalsFollowTheTimeColumnStepAndStart)
{
    // Milliseconds from 10 ms at 0.5 ms steps.
    Open(Write("a.txt", "t v\n10 3\n10.5 4\n11 8\n"));
    EXPECT_EQ(asked_.time_column, TimeColumn::First);
    EXPECT_DOUBLE_EQ(asked_.frequency_hz, 2000.0);
    EXPECT_DOUBLE_EQ(asked_.first_sample_ms, 10.0);
    // Seconds from -0.25 s at 100 µs steps.
    const auto signal = Open(Write("b.txt", "-0.25 1\n-0.2499 2\n-0.2498 4\n"));
    EXPECT_NEAR(asked_.frequency_hz, 10000.0, 1e-6);
    EXPECT_DOUBLE_EQ(asked_.first_sample_ms, -250.0);
    EXPECT_NEAR(signal->SampleTimeMs(2), -249.8, 1e-9);
}

TEST_F(SignalFileTest, NoTimeColumnGivesModeZero)
{
    // One column: the first column's spacing is still proposed.
    auto signal = Open(Write("one.txt", "1.5\n1.7\n1.6\n"));
    EXPECT_EQ(signal->TimeMode(), TimeColumn::None);
    EXPECT_NEAR(asked_.frequency_hz, 5000.0, 1e-6);
    EXPECT_EQ(signal->ReadAllSamples(), (std::vector<double> { 1.5, 1.7, 1.6 }));
    // Two uneven columns: the value is the first column.
    signal = Open(Write("two.txt", "1 5\n4 6\n5 9\n"));
    EXPECT_EQ(signal->TimeMode(), TimeColumn::None);
    EXPECT_EQ(signal->ReadAllSamples(), (std::vector<double> { 1, 4, 5 }));
    // Fewer than three lines.
    signal = Open(Write("short.txt", "0 1\n1 2\n"));
    EXPECT_EQ(signal->TimeMode(), TimeColumn::None);
    EXPECT_EQ(signal->SampleCount(), 2);
    // A constant or falling first column proposes no frequency: the user must enter one.
    Open(Write("flat.txt", "3\n3\n3\n"));
    EXPECT_EQ(asked_.frequency_hz, 0.0);
    Open(Write("fall.txt", "3\n2\n1\n"));
    EXPECT_EQ(asked_.frequency_hz, 0.0);
}

TEST_F(SignalFileTest, DialogAnswerSetsTimingAndNames)
{
    SigInfo answer;
    answer.frequency_hz = 250;
    answer.first_sample_ms = -12;
    answer.signal_name = "Load";
    answer.axis_label = "kN";
    const auto signal = Open(Write("x.txt", "0 1\n0.001 2\n0.002 3\n"), answer);
    EXPECT_DOUBLE_EQ(signal->SamplePeriodMs(), 4.0);
    EXPECT_DOUBLE_EQ(signal->FirstSampleMs(), -12.0);
    EXPECT_DOUBLE_EQ(signal->SampleTimeMs(3), 0.0);
    EXPECT_EQ(signal->FullName(), "ASCII.Load");
    EXPECT_EQ(signal->YAxisLabel(), "kN");
}

TEST_F(SignalFileTest, CancelAndUnusableAnswersRaiseAddCanceled)
{
    const QString path = Write("x.txt", "1\n2\n3\n");
    EXPECT_EQ(ErrorText([&] { TASCIIColumn(path, [](SigInfo&) { return false; }); }), "Add Canceled");
    EXPECT_EQ(ErrorText([&] {
        TASCIIColumn(path, [](SigInfo& info) {
            info.frequency_hz = 0;
            return true;
        });
    }),
        "Add Canceled");

    // Without an installed dialog a usable proposal is taken, an unusable one cancels.
    SetSigInfoAsker({});
    EXPECT_EQ(TASCIIColumn(path).SamplePeriodMs(), 1.0);
    EXPECT_EQ(TASCIIColumn(path, SigInfoAsker {}).SamplePeriodMs(), 1.0);
    EXPECT_EQ(ErrorText([&] { TASCIIColumn(Write("flat.txt", "1\n1\n1\n")); }), "Add Canceled");
    // An installed asker is used.
    int asked = 0;
    SetSigInfoAsker([&](SigInfo&) { return ++asked, true; });
    TASCIIColumn signal(path);
    EXPECT_EQ(asked, 1);
    SetSigInfoAsker({});
}

TEST_F(SignalFileTest, FilesWithoutNumbersOrUnreadableAreRefused)
{
    for (const QByteArray& text :
        { QByteArray(), QByteArray("\n\r\n  \n"), QByteArray("Time Force\nno data here\n"),
            QByteArray("inf nan\n+ - .\n1e999 0x10\n"), QByteArray(5000, 'x') }) {
        const QString path = Write("t.txt", text);
        EXPECT_EQ(ErrorText([&] { Open(path); }), "Not an ASCII Signal File") << text.left(40).data();
    }
    const QString missing = dir_.filePath("missing.txt");
    EXPECT_TRUE(ErrorText([&] { Open(missing); }).contains("missing.txt"));
    EXPECT_TRUE(ErrorText([&] { Open(dir_.path()); }).startsWith("Cannot open file"));
    // Devices and pipes could be read for ever.
    EXPECT_EQ(ErrorText([&] { Open("/dev/zero"); }), "Cannot open file \"/dev/zero\". Not a regular file");
}

TEST_F(SignalFileTest, BlankLinesSeparatorsAndLineEndsDoNotChangeTheSamples)
{
    const std::vector<double> expected { 1.5, -2, 30 };
    const QByteArray files[] = {
        "t v\r\n0 1.5\r\n1 -2\r\n2 3e1\r\n",
        "t v\n\n0 1.5\n  \t \n\n1 -2\n,,\n2 +30\n\n\n   ",
        "t,v\r0,1.5\r1,-2\r2,30",
        "\xEF\xBB\xBFt\tv\n0\t1.5\n1\t\t-2\n2\t30 extra fields, 7\n",
    };
    for (const QByteArray& text : files) {
        const auto signal = Open(Write("s.txt", text));
        EXPECT_EQ(signal->TimeMode(), TimeColumn::First) << text.data();
        EXPECT_EQ(signal->SampleCount(), 3) << text.data();
        EXPECT_EQ(signal->ReadAllSamples(), expected) << text.data();
        EXPECT_TRUE(signal->EndOfData());
    }
}

TEST_F(SignalFileTest, LongTokensAreCutAndNeverTakenForTheNextField)
{
    // 90 characters: the value keeps its first 80, the second column is still the time.
    const QByteArray long_one = "1." + QByteArray(88, '0');
    const QByteArray digits = QByteArray("12345678901234567890").repeated(5);
    const auto signal = Open(Write("l.txt", long_one + " 0\n" + digits + " 2\n7 4\n"));
    EXPECT_EQ(signal->TimeMode(), TimeColumn::Second);
    const std::vector<double> values = signal->ReadAllSamples();
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], 1.0);
    EXPECT_DOUBLE_EQ(values[1], digits.left(80).toDouble());
    EXPECT_EQ(values[2], 7.0);

    const QByteArray long_word = QByteArray(100, 'F');
    Open(Write("w.txt", long_word + " Newton\n0 1\n1 2\n2 3\n"));
    EXPECT_EQ(asked_.axis_label, QString(80, 'F'));
}

TEST_F(SignalFileTest, UnreadableSampleLinesGiveGapsAndKeepTheCount)
{
    // A footer, a line without a value, a NUL byte: each still one sample, read as NaN.
    static const char text[] = "0 1\n0.001 2\n0.002 4\n0.003\n0.004 x\n0.005 \0\n0.006 7\nEND\n";
    const auto signal = Open(Write("g.txt", QByteArray(text, sizeof(text) - 1)));
    EXPECT_EQ(signal->SampleCount(), 8);
    const std::vector<double> values = signal->ReadAllSamples();
    ASSERT_EQ(values.size(), 8u);
    EXPECT_EQ(values[2], 4.0);
    EXPECT_TRUE(std::isnan(values[3]));
    EXPECT_TRUE(std::isnan(values[4]));
    EXPECT_TRUE(std::isnan(values[5]));
    EXPECT_EQ(values[6], 7.0);
    EXPECT_TRUE(std::isnan(values[7]));
}

TEST_F(SignalFileTest, StreamsAcrossBufferBoundariesAndRewinds)
{
    // Line lengths vary so tokens and line ends straddle every position of the 2048-byte blocks.
    QByteArray text = "time value\n";
    std::vector<double> expected;
    for (int i = 0; i < 20000; ++i) {
        const double value = (i % 97) * 0.125 - (i % 13) + (i % 2) * 0.5;
        text += QByteArray::number(i * 0.5) + (i % 3 ? "\t" : " ,  ") + QByteArray::number(value)
            + (i % 5 ? "\n" : "\r\n\r\n");
        expected.push_back(value);
    }
    const auto signal = Open(Write("big.txt", text));
    EXPECT_EQ(signal->SampleCount(), 20000);
    EXPECT_DOUBLE_EQ(asked_.frequency_hz, 2000.0);
    EXPECT_EQ(signal->ReadAllSamples(), expected);
    // Reading part of the way and rewinding starts again at sample 0.
    signal->Rewind();
    signal->ReadSample();
    signal->Rewind();
    EXPECT_EQ(signal->ReadSample(), expected[0]);

    // A file of exactly two blocks ends cleanly.
    QByteArray exact = QByteArray("1\n2\n3\n").leftJustified(2 * kSigBufferSize - 2, ' ') + "4\n";
    ASSERT_EQ(exact.size(), 2 * kSigBufferSize);
    const auto blocks = Open(Write("exact.txt", exact));
    EXPECT_EQ(blocks->ReadAllSamples(), (std::vector<double> { 1, 2, 3, 4 }));
    EXPECT_TRUE(blocks->EndOfData());
}

TEST_F(SignalFileTest, FileDeletedOrCutShortWhileOpen)
{
    const QString path = Write("d.txt", "0 1\n1 2\n2 4\n3 8\n");
    auto signal = Open(path);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(signal->ReadAllSamples(), (std::vector<double> { 1, 2, 4, 8 }));

    const QString cut = Write("c.txt", "0 1\n1 2\n2 4\n3 8\n");
    signal = Open(cut);
    ASSERT_TRUE(QFile::resize(cut, 8));
    const std::vector<double> values = signal->ReadAllSamples();
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[1], 2.0);
    EXPECT_TRUE(std::isnan(values[2]) && std::isnan(values[3]));
}

TEST_F(SignalFileTest, DataPastTwoGigabytesIsFoundAndRead)
{
    // A sparse file: a header line, a hole of NUL bytes reaching past 2^31, then the data.
    const QString path = dir_.filePath("huge.txt");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("time force\n");
        const qint64 data_at = (qint64(1) << 31) + 1000;
        ASSERT_TRUE(file.seek(data_at - 1));
        file.write("\n0 5\n0.001 6\n0.002 8\n");
    }
    const auto signal = Open(path);
    EXPECT_GT(signal->FirstDataOffset(), qint64(1) << 31);
    EXPECT_EQ(signal->TimeMode(), TimeColumn::First);
    EXPECT_EQ(signal->SampleCount(), 3);
    EXPECT_EQ(signal->ReadAllSamples(), (std::vector<double> { 5, 6, 8 }));
}

TEST(SignalNameTest, FileNameWithoutFolderAndExtensions)
{
    EXPECT_EQ(SignalNameOf("/data/run 3/Drop.force.txt"), "Drop");
    EXPECT_EQ(SignalNameOf("Pressure"), "Pressure");
    EXPECT_EQ(SignalNameOf("/data/.hidden.txt"), "");
}

} // namespace
} // namespace fw
