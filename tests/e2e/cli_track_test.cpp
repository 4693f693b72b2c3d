// framewright-cli track on the tracking marker sample: the lines it prints against the true
// positions in the CSV beside the clip, the stop at the card, backward tracking, and the usage
// errors and failures.

#include <cmath>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <QJsonObject>

#include "cli_runner.h"
#include "samples_fixture.h"

namespace fw::e2e {
namespace {

constexpr int kFrames = 120;
constexpr int kCardFirst = 90;
constexpr int kCardLast = 95;

struct Truth {
    double x = 0.0;
    double y = 0.0;
    bool occluded = false;
};

class CliTrackTest : public SamplesTest {
protected:
    static QString Clip() { return samplePath("Tracking Marker.avi"); }

    // The true positions, by frame.
    static std::vector<Truth> ReadTruth()
    {
        const QList<QByteArray> lines = readFile(samplePath("Tracking Marker.csv")).trimmed().split('\n');
        std::vector<Truth> truth;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> cells = lines[i].split(',');
            if (cells.size() == 5)
                truth.push_back({ cells[2].toDouble(), cells[3].toDouble(), cells[4] == "1" });
        }
        return truth;
    }

    static QString PointOf(const Truth& at)
    {
        return QStringLiteral("%1,%2").arg(at.x, 0, 'f', 6).arg(at.y, 0, 'f', 6);
    }

    static RunResult Track(const Truth& start, int first, int last, const QStringList& more = {})
    {
        return runCli(QStringList { "track", Clip(), "--point", PointOf(start), "--first",
                          QString::number(first), "--last", QString::number(last) }
            + more);
    }

    static QList<QByteArray> Lines(const QByteArray& out) { return out.trimmed().split('\n'); }

    // Root mean square distance of the printed points from the truth.
    static double Rms(const QList<QByteArray>& lines, const std::vector<Truth>& truth)
    {
        double sum = 0.0;
        for (const QByteArray& line : lines) {
            const QJsonObject frame = parseJson(line);
            const Truth& at = truth[size_t(frame["frame"].toInt())];
            sum += std::pow(frame["x"].toDouble() - at.x, 2) + std::pow(frame["y"].toDouble() - at.y, 2);
        }
        return std::sqrt(sum / double(lines.size()));
    }
};

TEST_F(CliTrackTest, TheTrueCsvListsEveryFrameAndTheCoveredOnes)
{
    const QByteArray csv = readFile(samplePath("Tracking Marker.csv"));
    EXPECT_TRUE(csv.startsWith("frame,time_ms,x,y,occluded\n"));
    const std::vector<Truth> truth = ReadTruth();
    ASSERT_EQ(truth.size(), size_t(kFrames));
    for (int frame = 0; frame < kFrames; ++frame)
        EXPECT_EQ(truth[size_t(frame)].occluded, frame >= kCardFirst && frame <= kCardLast) << frame;
    // Sub-pixel positions: the fractions of a pixel fall into every tenth.
    std::set<int> tenths_x;
    std::set<int> tenths_y;
    for (const Truth& at : truth) {
        tenths_x.insert(int((at.x - std::floor(at.x)) * 10.0));
        tenths_y.insert(int((at.y - std::floor(at.y)) * 10.0));
    }
    EXPECT_EQ(tenths_x.size(), 10u);
    EXPECT_EQ(tenths_y.size(), 10u);
}

TEST_F(CliTrackTest, FollowsTheMarkerWithinATenthOfAPixelAndStopsAtTheCard)
{
    const std::vector<Truth> truth = ReadTruth();
    ASSERT_EQ(truth.size(), size_t(kFrames));
    const RunResult run = Track(truth[0], 0, kFrames - 1);
    EXPECT_EQ(run.exit_code, 1);
    const QByteArray why = lastLine(run.err);
    EXPECT_TRUE(why.startsWith("framewright-cli: Tracking stopped at frame 90: confidence "))
        << why.toStdString();
    EXPECT_TRUE(why.endsWith(" is below the minimum 0.8")) << why.toStdString();

    const QList<QByteArray> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), kCardFirst) << "frames 0 to 89, printed before the failure";
    // One compact object a line, keys in the promised order; the start frame as given.
    EXPECT_TRUE(lines[0].startsWith("{\"frame\": 0, \"time_ms\": 0, \"x\": ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(", \"y\": ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(", \"confidence\": 1}")) << lines[0].toStdString();
    EXPECT_NEAR(parseJson(lines[0])["x"].toDouble(), truth[0].x, 5e-5);
    EXPECT_NEAR(parseJson(lines[0])["y"].toDouble(), truth[0].y, 5e-5);
    for (int frame = 0; frame < kCardFirst; ++frame) {
        const QJsonObject object = parseJson(lines[frame]);
        EXPECT_EQ(object.keys(), QStringList({ "confidence", "frame", "time_ms", "x", "y" }));
        EXPECT_EQ(object["frame"].toInt(), frame);
        EXPECT_EQ(object["time_ms"].toDouble(), double(frame)) << "1000 frames per second from 0";
        EXPECT_GE(object["confidence"].toDouble(), 0.8);
        EXPECT_LE(object["confidence"].toDouble(), 1.0);
    }
    EXPECT_LE(Rms(lines, truth), 0.1);
}

TEST_F(CliTrackTest, TracksBackwardAndAcceptsItsOwnSettings)
{
    const std::vector<Truth> truth = ReadTruth();
    ASSERT_EQ(truth.size(), size_t(kFrames));
    const RunResult back = Track(truth[kFrames - 1], kFrames - 1, kCardLast + 1);
    ASSERT_EQ(back.exit_code, 0) << back.err.toStdString();
    const QList<QByteArray> lines = Lines(back.out);
    ASSERT_EQ(lines.size(), kFrames - kCardLast - 1);
    EXPECT_EQ(parseJson(lines.front())["frame"].toInt(), kFrames - 1);
    EXPECT_EQ(parseJson(lines.back())["frame"].toInt(), kCardLast + 1);
    EXPECT_LE(Rms(lines, truth), 0.1);

    const RunResult tuned
        = Track(truth[10], 10, 30, { "--template", "15", "--search", "40", "--min-confidence", "0.9" });
    ASSERT_EQ(tuned.exit_code, 0) << tuned.err.toStdString();
    EXPECT_EQ(Lines(tuned.out).size(), 21);
    EXPECT_LE(Rms(Lines(tuned.out), truth), 0.1);

    // Demanding more than the card allows stops at once, with nothing after the start frame.
    const RunResult strict
        = Track(truth[kCardFirst - 1], kCardFirst - 1, kFrames - 1, { "--min-confidence", "1" });
    EXPECT_EQ(strict.exit_code, 1);
    EXPECT_EQ(Lines(strict.out).size(), 1);
}

TEST_F(CliTrackTest, WrongArgumentsExitTwoAndFailuresOne)
{
    const QString clip = Clip();
    const QStringList base { "track", clip, "--point", "70,125", "--first", "0", "--last", "5" };
    struct Usage {
        QStringList args;
        const char* message;
    };
    const Usage usages[] = {
        { { "track", clip, "--first", "0", "--last", "5" }, "--point is needed" },
        { { "track", clip, "--point", "70", "--first", "0", "--last", "5" },
            "--point must be X,Y, not \"70\"" },
        { { "track", clip, "--point", "70,y", "--first", "0", "--last", "5" }, "Y must be a number" },
        { { "track", clip, "--point", "70,125", "--last", "5" }, "--first is needed" },
        { { "track", clip, "--point", "70,125", "--first", "-1", "--last", "5" },
            "--first must be a whole number" },
        { base + QStringList { "--template", "2" }, "The template must be 3 to 255 pixels wide" },
        { base + QStringList { "--search", "22" }, "The search area must be 23 to 1024 pixels wide" },
        { base + QStringList { "--min-confidence", "1.5" },
            "The minimum confidence must lie between 0 and 1" },
        { { "track", "--point", "70,125", "--first", "0", "--last", "5" }, "track takes one CLIP" },
    };
    for (const Usage& usage : usages) {
        SCOPED_TRACE(usage.args.join(' ').toStdString());
        const RunResult run = runCli(usage.args);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_TRUE(lastLine(run.err).contains(usage.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }

    const RunResult beyond = runCli({ "track", clip, "--point", "70,125", "--first", "0", "--last", "120" });
    EXPECT_EQ(beyond.exit_code, 1);
    EXPECT_EQ(lastLine(beyond.err),
        "framewright-cli: Frame index 120 is out of range: the clip has 120 frames (0 to 119)");
    const RunResult outside = runCli({ "track", clip, "--point", "400,10", "--first", "0", "--last", "5" });
    EXPECT_EQ(outside.exit_code, 1);
    EXPECT_EQ(lastLine(outside.err),
        "framewright-cli: Tracking cannot start at frame 0: the point lies outside the picture");
    EXPECT_TRUE(outside.out.isEmpty());
    const RunResult missing
        = runCli({ "track", samplePath("none.avi"), "--point", "1,1", "--first", "0", "--last", "1" });
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_TRUE(lastLine(missing.err).endsWith("none.avi: No such file"));
}

} // namespace
} // namespace fw::e2e
