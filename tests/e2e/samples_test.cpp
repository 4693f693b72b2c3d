// End-to-end tests of the bundled sample clips: made by fw-make-samples, read by
// framewright-cli and by the ffmpeg command.

#include <cmath>

#include <gtest/gtest.h>

#include <QDir>
#include <QPointF>
#include <QTemporaryDir>

#include "cli_runner.h"
#include "samples_fixture.h"

namespace fw::e2e {
namespace {

struct Sample {
    const char* file;
    int frames;
    int width;
    int height;
    int bits;
    double frame_period_ms; // from the descriptor block
    double first_frame_time_ms;
};

const Sample kSamples[] = {
    { "Falling Ball.avi", 300, 512, 384, 24, 1.0, -202.0 },
    { "Pendulum.avi", 250, 256, 192, 8, 2.0, 0.0 },
    { "Spinning Disc.kfs", 400, 320, 240, 24, 0.5, -100.0 },
    { "Thrown Ball.avi", 300, 512, 384, 24, 1.0, 0.0 },
    { "Tracking Marker.avi", 120, 320, 240, 8, 1.0, 0.0 },
};

TEST_F(SamplesTest, OpenWithTheirFormatAndTiming)
{
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.file);
        const RunResult run = runCli({ "info", samplePath(sample.file) });
        ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
        const QJsonObject info = parseJson(run.out);
        EXPECT_EQ(info["frames"].toInt(), sample.frames);
        EXPECT_EQ(info["width"].toInt(), sample.width);
        EXPECT_EQ(info["height"].toInt(), sample.height);
        EXPECT_EQ(info["bits_per_pixel"].toInt(), sample.bits);
        EXPECT_EQ(info["frame_period_ms"].toDouble(), sample.frame_period_ms);
        EXPECT_EQ(info["first_frame_time_ms"].toDouble(), sample.first_frame_time_ms);
        const QString block = info["descriptor"].toString();
        for (const char* entry :
            { "[Camera]\rCamera Type=", "\rCamera ID=", "\rSession ID=", "\rRecording Rate=",
                "\rExposure Setting=", "\rDate and Time=", "[Titles]\rTitle=", "\rImager Name=" })
            EXPECT_TRUE(block.contains(QString::fromLatin1(entry))) << entry;
    }
}

// Like the clips the program writes from downloaded or imported frames, the samples carry 15
// frames per second in their AVI headers; their true rate is in the descriptor block.
TEST_F(SamplesTest, DecodeWithFfmpegAndCarryTheSavedClipsHeaderRate)
{
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.file);
        const QString file = samplePath(sample.file);
        const RunResult decode
            = runProgram(QStringLiteral("ffmpeg"), { "-v", "error", "-i", file, "-f", "null", "-" });
        EXPECT_EQ(decode.exit_code, 0);
        EXPECT_EQ(decode.err, QByteArray());
        const RunResult probe = runProgram(QStringLiteral("ffprobe"),
            { "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                "stream=r_frame_rate,nb_read_frames", "-of", "csv=p=0", file });
        EXPECT_EQ(probe.out.trimmed(), "15/1," + QByteArray::number(sample.frames));
    }
}

TEST_F(SamplesTest, GenerationIsReproducibleAndLeavesOnlyTheSamples)
{
    const QDir made(dir_->path());
    const QDir::Filters everything = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    EXPECT_EQ(made.entryList(everything),
        QStringList({ "Bouncing Ball BAY", "Falling Ball Force.txt", "Falling Ball.avi", "Pendulum TIFF",
            "Pendulum.avi", "Pressure.txt", "Spinning Disc.kfs", "Thrown Ball.avi", "Tracking Marker.avi",
            "Tracking Marker.csv" }));
    // Made again into a folder holding an older sample folder: the folder is replaced whole.
    QTemporaryDir again;
    ASSERT_TRUE(QDir(again.path()).mkpath(QStringLiteral("Pendulum TIFF/stale.tif")));
    ASSERT_EQ(runProgram(binPath("fw-make-samples"), { again.path() }).exit_code, 0);
    for (const Sample& sample : kSamples)
        EXPECT_EQ(readFile(again.filePath(QString::fromUtf8(sample.file))), readFile(samplePath(sample.file)))
            << sample.file;
    for (const char* folder : { "Bouncing Ball BAY", "Pendulum TIFF" }) {
        const QDir first(samplePath(folder));
        const QDir second(again.filePath(QString::fromUtf8(folder)));
        const QStringList files = first.entryList(everything);
        EXPECT_EQ(second.entryList(everything), files) << folder;
        for (const QString& file : files)
            EXPECT_EQ(readFile(second.filePath(file)), readFile(first.filePath(file))) << file.toStdString();
    }
}

// Centre of the red ball in a top-down blue-green-red picture, in pixels; y < 0 when not found.
QPointF ballCentre(const QByteArray& bgr, int width, int height)
{
    double sum_x = 0, sum_y = 0, count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const uint8_t*>(bgr.constData()) + 3 * (y * width + x);
            if (p[2] > 150 && p[2] - p[1] > 80 && p[2] - p[0] > 80) {
                sum_x += x;
                sum_y += y;
                ++count;
            }
        }
    return count > 50 ? QPointF(sum_x / count, sum_y / count) : QPointF(-1, -1);
}

// The ball falls freely until the marked impact frame: fitting its height over time gives g.
TEST_F(SamplesTest, FallingBallFallsWithEarthGravityAndHitsAtTheMark)
{
    constexpr double kPixelsPerMetre = 1500.0; // the ruler: 1.5 pixels per millimetre
    constexpr int kWidth = 512, kHeight = 384, kImpact = 202, kStep = 20;
    const QString file = samplePath("Falling Ball.avi");
    const RunResult run = runProgram(QStringLiteral("ffmpeg"),
        { "-v", "error", "-i", file, "-vf", QStringLiteral("select=not(mod(n\\,%1))").arg(kStep), "-fps_mode",
            "passthrough", "-f", "rawvideo", "-pix_fmt", "bgr24", "-" });
    ASSERT_EQ(run.exit_code, 0);
    const int frame_bytes = kWidth * kHeight * 3;
    ASSERT_EQ(run.out.size(), frame_bytes * (300 / kStep));

    // Least squares of y = a + b t + c t² over the frames before impact.
    double s[5] = {}, r[3] = {};
    double rebound_y = -1;
    for (int i = 0; i * kStep < 300; ++i) {
        const QPointF centre
            = ballCentre(run.out.mid(qsizetype(i) * frame_bytes, frame_bytes), kWidth, kHeight);
        ASSERT_GE(centre.y(), 0) << "no ball in frame " << i * kStep;
        if (i * kStep == 280)
            rebound_y = centre.y();
        if (i * kStep >= kImpact)
            continue;
        const double t = i * kStep / 1000.0, y = centre.y() / kPixelsPerMetre;
        for (int k = 0; k < 5; ++k)
            s[k] += std::pow(t, k);
        for (int k = 0; k < 3; ++k)
            r[k] += y * std::pow(t, k);
    }
    // Solve the 3x3 normal equations by Cramer's rule.
    const auto det
        = [](double a, double b, double c, double d, double e, double f, double g, double h, double i) {
              return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
          };
    const double d = det(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    const double c = det(s[0], s[1], r[0], s[1], s[2], r[1], s[2], s[3], r[2]) / d;
    EXPECT_NEAR(2.0 * c, 9.81, 0.1);

    // At the marked frame the ball rests on the floor (row 340, radius 15 pixels).
    const QByteArray impact = ffmpegFrameBgr(file, kImpact);
    EXPECT_NEAR(ballCentre(impact, kWidth, kHeight).y(), 340 - 15, 1.0);
    // 78 ms after impact the ball has risen again with three quarters of its impact speed.
    const double t_impact = std::sqrt(2 * 0.2 / 9.81), dt = 0.280 - t_impact, speed = 0.75 * 9.81 * t_impact;
    EXPECT_NEAR(rebound_y, 340 - 15 - (speed * dt - 4.905 * dt * dt) * kPixelsPerMetre, 1.0);
}

} // namespace
} // namespace fw::e2e
