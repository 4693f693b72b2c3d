// framewright-cli kinematics: the rows it prints, the thrown ball's gravity through noise with the
// automatic cut-off, and the refusals and usage errors.

#include <algorithm>
#include <cmath>
#include <vector>

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "../../samples/thrown_ball.h"
#include "e2e/cli_runner.h"
#include "measure/filter_test_signals.h"

namespace fw::e2e {

namespace {

namespace ball = samples::thrown_ball;

class CliKinematicsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString Write(const char* name, const QByteArray& text) const
    {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(writeFile(path, text));
        return path;
    }

    static QList<QByteArray> Lines(const QByteArray& text) { return text.trimmed().split('\n'); }

    QTemporaryDir dir_;
};

// Half a pixel of noise on each clicked centre of the thrown ball, in millimetres.
QByteArray NoisyFlight()
{
    fw::testing::SeededNoise noise(2024, 0.5 / ball::kPixelsPerMm);
    QByteArray csv = "time_ms,x_mm,y_mm\n";
    for (int frame = 0; frame < ball::kFrameCount; ++frame) {
        const double t_s = double(frame) / ball::kFramesPerSecond;
        const double x = ball::CentreXMm(t_s) + noise();
        const double y = ball::CentreYMm(t_s) + noise();
        csv += QByteArray::number(t_s * 1000.0, 'g', 17) + ',' + QByteArray::number(x, 'g', 17) + ','
            + QByteArray::number(y, 'g', 17) + '\n';
    }
    return csv;
}

// Median of "ay" over the middle half of the flight, in m/s².
double MedianAy(const QByteArray& out)
{
    const QList<QByteArray> lines = out.trimmed().split('\n');
    std::vector<double> ay;
    for (int i = ball::kFrameCount / 4; i < 3 * ball::kFrameCount / 4 && i < lines.size(); ++i)
        ay.push_back(parseJson(lines[i]).value("ay").toDouble() / 1000.0);
    if (ay.empty())
        return 0.0;
    std::sort(ay.begin(), ay.end());
    return ay[ay.size() / 2];
}

TEST_F(CliKinematicsTest, PrintsEverySampleWithItsDifferencesInOrder)
{
    const QString csv = Write("p.csv", "time_ms,x,y\n0,0,0\n2,1,0.5\n4,2,2\n6,3,4.5\n");
    const RunResult run = runCli({ "kinematics", csv });
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const QList<QByteArray> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], R"({"time_ms": 0, "x": 0, "y": 0, "vx": null, "vy": null, "ax": null, "ay": null})");
    EXPECT_EQ(lines[1], R"({"time_ms": 2, "x": 1, "y": 0.5, "vx": 500, "vy": 250, "ax": 0, "ay": 250000})");
    EXPECT_EQ(lines[3], R"({"time_ms": 6, "x": 3, "y": 4.5, "vx": 500, "vy": 1250, "ax": null, "ay": null})");
}

TEST_F(CliKinematicsTest, TheAutomaticCutOffFindsGravityThatDifferencesLose)
{
    const QString csv = Write("flight.csv", NoisyFlight());
    const RunResult plain = runCli({ "kinematics", csv, "--filter", "none" });
    ASSERT_EQ(plain.exit_code, 0) << plain.err.toStdString();
    EXPECT_EQ(Lines(plain.out).size(), ball::kFrameCount);
    EXPECT_GT(std::fabs(MedianAy(plain.out) + ball::kGravity), 0.5 * ball::kGravity);

    const RunResult smooth = runCli({ "kinematics", csv, "--filter", "auto" });
    ASSERT_EQ(smooth.exit_code, 0) << smooth.err.toStdString();
    EXPECT_NEAR(MedianAy(smooth.out), -ball::kGravity, 0.02 * ball::kGravity);
    const QJsonObject chosen = parseJson(smooth.err.trimmed());
    ASSERT_TRUE(chosen.contains("cutoff_hz")) << smooth.err.toStdString();
    const double cutoff_hz = chosen.value("cutoff_hz").toDouble();
    EXPECT_GT(cutoff_hz, 0.0);
    EXPECT_LE(cutoff_hz, 30.0);

    // The cut-off it printed is the one it used.
    const RunResult again
        = runCli({ "kinematics", csv, "--filter", "butterworth:" + QString::number(cutoff_hz) });
    ASSERT_EQ(again.exit_code, 0) << again.err.toStdString();
    EXPECT_EQ(again.out, smooth.out);
    EXPECT_TRUE(again.err.isEmpty());
}

TEST_F(CliKinematicsTest, ChannelFrequencyClassesAtTheirRates)
{
    // A 10 kHz record and a 2 kHz one.
    QByteArray fast = "time_ms,x,y\n";
    QByteArray slow = "time_ms,x,y\n";
    for (int i = 0; i < 200; ++i) {
        const QByteArray xy = ',' + QByteArray::number(i % 2) + ",1\n";
        fast += QByteArray::number(i * 0.1, 'g', 12) + xy;
        slow += QByteArray::number(i * 0.5, 'g', 12) + xy;
    }
    const RunResult quiet = runCli({ "kinematics", Write("fast.csv", fast), "--filter", "cfc180" });
    ASSERT_EQ(quiet.exit_code, 0) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
    EXPECT_NEAR(parseJson(Lines(quiet.out)[100]).value("x").toDouble(), 0.5, 0.01)
        << "the 5 kHz zig-zag goes";

    const RunResult warned = runCli({ "kinematics", Write("slow.csv", slow), "--filter", "cfc180" });
    ASSERT_EQ(warned.exit_code, 0) << warned.err.toStdString();
    EXPECT_TRUE(warned.err.startsWith("warning: A sample rate of 2000 Hz is below 3000 Hz"))
        << warned.err.toStdString();

    const RunResult refused = runCli({ "kinematics", Write("slow.csv", slow), "--filter", "cfc600" });
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_EQ(lastLine(refused.err),
        "framewright-cli: A sample rate of 2000 Hz is too low for CFC 600: it must be above 2493 Hz (4.155 x "
        "600).");
    EXPECT_TRUE(refused.out.isEmpty());
}

TEST_F(CliKinematicsTest, UnequalSpacingAndBadFilesFailWithTheReason)
{
    const RunResult gap = runCli({ "kinematics", Write("gap.csv", "t,x,y\n0,0,0\n1,1,1\n3,3,3\n4,4,4\n") });
    EXPECT_EQ(gap.exit_code, 1);
    EXPECT_TRUE(
        lastLine(gap.err).startsWith("framewright-cli: The samples are not equally spaced: 2 ms lie between "
                                     "1 ms and 3 ms"))
        << gap.err.toStdString();
    EXPECT_TRUE(gap.out.isEmpty());

    const RunResult headless = runCli({ "kinematics", Write("headless.csv", "0,0,0\n1,1,1\n") });
    EXPECT_EQ(headless.exit_code, 1);
    EXPECT_EQ(lastLine(headless.err),
        "framewright-cli: Line 1 holds numbers: the first line is the header (time_ms,x,y).");

    const RunResult empty = runCli({ "kinematics", Write("empty.csv", "time_ms,x,y\n") });
    EXPECT_EQ(empty.exit_code, 1);
    EXPECT_TRUE(lastLine(empty.err).endsWith("holds no samples after its header line."))
        << empty.err.toStdString();

    const RunResult missing = runCli({ "kinematics", dir_.filePath("nowhere.csv") });
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_TRUE(lastLine(missing.err).startsWith("framewright-cli: Could not open "))
        << missing.err.toStdString();
}

TEST_F(CliKinematicsTest, WrongArgumentsAreUsageErrors)
{
    const QString csv = Write("p.csv", "time_ms,x,y\n0,0,0\n1,1,1\n");
    for (const QStringList& args : { QStringList { "kinematics" }, QStringList { "kinematics", csv, csv },
             QStringList { "kinematics", csv, "--filter", "cfc100" },
             QStringList { "kinematics", csv, "--filter", "butterworth:0" },
             QStringList { "kinematics", csv, "--filter", "butterworth:fast" },
             QStringList { "kinematics", csv, "--filter" }, QStringList { "kinematics", csv, "--smooth" } }) {
        const RunResult run = runCli(args);
        EXPECT_EQ(run.exit_code, 2) << args.join(' ').toStdString() << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    const RunResult help = runCli({ "--help" });
    EXPECT_TRUE(
        help.out.contains("kinematics CSV [--filter none|cfc60|cfc180|cfc600|cfc1000|butterworth:HZ|auto]"));
}

} // namespace

} // namespace fw::e2e
