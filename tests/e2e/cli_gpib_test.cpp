// framewright-cli gpib against the simulated GPIB library: the status of both processors, the
// messages of each way a connection fails, and downloads whose clips hold exactly the frames
// the processors recorded.

#include <cstring>

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "clips/descriptor_block.h"
#include "e2e/cli_runner.h"

namespace fw::e2e {

namespace {

constexpr int kEmWidth = 239;
constexpr int kEmHeight = 192;
constexpr int kHsSide = 256;

// The simulator's frames: background 40 + (x + 2y) mod 128, a bar of 240 twelve columns wide
// starting at column 3 x frame of a sensor `sensor_width` wide.
int PatternPixel(int sensor_width, int x, int y, int frame)
{
    const int bar_left = ((frame * 3) % sensor_width + sensor_width) % sensor_width;
    const int from_bar = ((x - bar_left) % sensor_width + sensor_width) % sensor_width;
    return from_bar < 12 ? 240 : 40 + (x + 2 * y) % 128;
}

// The "00dc"/"00db" chunks of an AVI's movi list, in order.
std::vector<QByteArray> AviFrames(const QByteArray& file)
{
    std::vector<QByteArray> frames;
    qsizetype at = file.indexOf("movi");
    if (at < 0)
        return frames;
    at += 4;
    while (at + 8 <= file.size()) {
        const QByteArray id = file.mid(at, 4);
        quint32 size = 0;
        std::memcpy(&size, file.constData() + at + 4, 4);
        if (id == "idx1" || at + 8 + qsizetype(size) > file.size())
            break;
        if (id == "00dc" || id == "00db")
            frames.push_back(file.mid(at + 8, qsizetype(size)));
        at += 8 + qsizetype(size) + (size & 1);
    }
    return frames;
}

struct Flips {
    bool invert = false;
    bool mirror = false;
};

// Mismatching pixels of a raw frame against processor frame `number`.
int Mismatches(const QByteArray& frame, int width, int height, int sensor_width, int number, Flips flips)
{
    const int row_bytes = (width + 3) & ~3;
    if (frame.size() != qsizetype(row_bytes) * height)
        return width * height;
    int bad = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uchar*>(frame.constData()) + (height - 1 - y) * row_bytes;
        for (int x = 0; x < width; ++x) {
            const int sx = flips.mirror ? width - 1 - x : x;
            const int sy = flips.invert ? height - 1 - y : y;
            bad += row[x] != PatternPixel(sensor_width, sx, sy, number);
        }
    }
    return bad;
}

class CliGpibTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        // No pacing: every wait of the bus protocol is zero.
        ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("config/Tarnwell")));
        ASSERT_TRUE(writeFile(dir_.filePath(QStringLiteral("config/Tarnwell/Framewright.ini")),
            "[EM 1012]\nInTimePad=0\nOutTimePad=0\nCharPad=0\n[HS "
            "4540]\nInTimePad=0\nOutTimePad=0\nCharPad=0\n"));
        environment_ = cliEnvironment();
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        environment_.insert(QStringLiteral("FRAMEWRIGHT_GPIB_LIBRARY"), QStringLiteral(FW_GPIB_SIM_LIBRARY));
        for (const QString& name : environment_.keys())
            if (name.startsWith(QLatin1String("FW_GPIB_SIM_")))
                environment_.remove(name);
    }

    void Set(const char* name, const QString& value)
    {
        environment_.insert(QString::fromLatin1(name), value);
    }

    RunResult Run(const QStringList& args) const
    {
        return runProgram(binPath("framewright-cli"), args, 120000, environment_);
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    static QStringList Status(const char* kind, const char* address)
    {
        return { "gpib", "status", "--kind", kind, "--address", address };
    }
    QStringList Download(const char* kind, const char* address, const char* target, QStringList more) const
    {
        return QStringList { "gpib", "download", "--kind", kind, "--address", address, Path(target), "--type",
            "avi" }
        + more;
    }

    // The clip's frames compared with processor frames first, first + step, ...
    void ExpectFrames(const char* target, int width, int height, int sensor_width,
        const std::vector<int>& numbers, Flips flips = {}) const
    {
        const std::vector<QByteArray> frames = AviFrames(readFile(Path(target)));
        ASSERT_EQ(frames.size(), numbers.size()) << target;
        for (size_t k = 0; k < frames.size(); ++k)
            EXPECT_EQ(Mismatches(frames[k], width, height, sensor_width, numbers[k], flips), 0)
                << target << " frame " << numbers[k];
    }

    QTemporaryDir dir_;
    QProcessEnvironment environment_;
};

TEST_F(CliGpibTest, StatusOfBothProcessorsEqualsTheirRecordings)
{
    Set("FW_GPIB_SIM_EM_FIRST", QStringLiteral("-4"));
    Set("FW_GPIB_SIM_EM_LAST", QStringLiteral("5"));
    Set("FW_GPIB_SIM_EM_SESSION", QStringLiteral("2"));
    Set("FW_GPIB_SIM_EM_RATE", QStringLiteral("500"));
    Set("FW_GPIB_SIM_EM_EXPOSURE", QStringLiteral("2000"));
    const RunResult em = Run(Status("em1012", "GPIB0:DEV7"));
    ASSERT_EQ(em.exit_code, 0) << em.err.constData();
    const QJsonObject em_status = parseJson(em.out);
    EXPECT_EQ(em_status.value("kind").toString(), "Kodak EM 1012");
    EXPECT_EQ(em_status.value("state").toString(), "Stopped");
    EXPECT_EQ(em_status.value("first_frame").toInt(), -4);
    EXPECT_EQ(em_status.value("last_frame").toInt(), 5);
    EXPECT_EQ(em_status.value("frame_rate").toInt(), 500);
    EXPECT_EQ(em_status.value("exposure").toString(), "2000");
    EXPECT_EQ(em_status.value("session_id").toInt(), 2);
    EXPECT_EQ(em_status.value("width").toInt(), kEmWidth);
    EXPECT_EQ(em_status.value("height").toInt(), kEmHeight);

    const RunResult hs = Run(Status("hs4540", "GPIB0:DEV8"));
    ASSERT_EQ(hs.exit_code, 0) << hs.err.constData();
    const QJsonObject hs_status = parseJson(hs.out);
    EXPECT_EQ(hs_status.value("kind").toString(), "Kodak 4540");
    EXPECT_EQ(hs_status.value("first_frame").toInt(), 1);
    EXPECT_EQ(hs_status.value("last_frame").toInt(), 1024);
    EXPECT_EQ(hs_status.value("frame_rate").toInt(), 4500);
    EXPECT_EQ(hs_status.value("session_id").toInt(), 7);
    EXPECT_EQ(hs_status.value("width").toInt(), kHsSide);
    EXPECT_EQ(hs_status.value("height").toInt(), kHsSide);
}

TEST_F(CliGpibTest, EachConnectionFailureSaysWhy)
{
    Set("FW_GPIB_SIM_KEYPAD_LOCK", QStringLiteral("EM"));
    RunResult run = Run(Status("em1012", "GPIB0:DEV7"));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(lastLine(run.err), "framewright-cli: Imager Not Opened: User Locked Keypad");
    environment_.remove(QStringLiteral("FW_GPIB_SIM_KEYPAD_LOCK"));

    Set("FW_GPIB_SIM_NO_LISTENER", QStringLiteral("HS"));
    run = Run(Status("hs4540", "GPIB0:DEV8"));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(
        lastLine(run.err), "framewright-cli: Imager Not Opened: Write function detected no Listeners (ENOL)");

    Set("FRAMEWRIGHT_GPIB_LIBRARY", Path("missing.so"));
    run = Run(Status("em1012", "GPIB0:DEV7"));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lastLine(run.err).startsWith(
        "framewright-cli: GPIB Error: dlopen(" + Path("missing.so").toUtf8() + ") failed (EDLL): "))
        << run.err.constData();

    Set("FRAMEWRIGHT_GPIB_LIBRARY", QStringLiteral(FW_FAKE_GPIB_DRIVER_PARTIAL));
    run = Run(Status("em1012", "GPIB0:DEV7"));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(lastLine(run.err), "framewright-cli: Imager Not Opened: dlsym(ibrsp) failed (EGPR)");

    Set("FRAMEWRIGHT_GPIB_LIBRARY", QStringLiteral(FW_GPIB_SIM_LIBRARY));
    run = Run(Status("em1012", "GPIB7:DEV7"));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(
        lastLine(run.err), "framewright-cli: Imager Not Opened: GPIB Host Adapter Not Found: \"GPIB7\"");
}

TEST_F(CliGpibTest, RawDownloadOfAWholeRecordingHoldsTheProcessorsFrames)
{
    Set("FW_GPIB_SIM_EM_FIRST", QStringLiteral("-3"));
    Set("FW_GPIB_SIM_EM_LAST", QStringLiteral("6"));
    const RunResult run = Run(Download("em1012", "GPIB0:DEV7", "em.avi", { "--raw" }));
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    ExpectFrames("em.avi", kEmWidth, kEmHeight, kEmWidth, { -3, -2, -1, 0, 1, 2, 3, 4, 5, 6 });

    const QJsonObject info = parseJson(runCli({ "info", Path("em.avi") }).out);
    EXPECT_EQ(info.value("width").toInt(), kEmWidth);
    EXPECT_EQ(info.value("bits_per_pixel").toInt(), 8);
    const std::string descriptor = info.value("descriptor").toString().toStdString();
    std::string value;
    ASSERT_TRUE(GetDescriptorValue(descriptor, "Camera", "Recording Rate", value));
    EXPECT_EQ(value, "1000");
    ASSERT_TRUE(GetDescriptorValue(descriptor, "Camera", "Camera Type", value));
    EXPECT_EQ(value, "EM 1012");
    EXPECT_DOUBLE_EQ(info.value("frame_period_ms").toDouble(), 1.0);
}

TEST_F(CliGpibTest, RangesWithAnIntervalChooseTheRightFrames)
{
    RunResult run = Run(Download("em1012", "GPIB0:DEV7", "em.avi",
        { "--raw", "--first", "-5", "--last", "9", "--step", "4", "--invert", "--mirror" }));
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    ExpectFrames("em.avi", kEmWidth, kEmHeight, kEmWidth, { -5, -1, 3, 7 }, Flips { true, true });
    const QJsonObject info = parseJson(runCli({ "info", Path("em.avi") }).out);
    EXPECT_DOUBLE_EQ(info.value("frame_period_ms").toDouble(), 4.0);

    // The HS 4540 has no frame 0: around the trigger the numbers step over it.
    Set("FW_GPIB_SIM_HS_FIRST", QStringLiteral("-10"));
    Set("FW_GPIB_SIM_HS_LAST", QStringLiteral("10"));
    run = Run(Download(
        "hs4540", "GPIB0:DEV8", "hs.avi", { "--raw", "--first", "-9", "--last", "1", "--step", "3" }));
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    ExpectFrames("hs.avi", kHsSide, kHsSide, kHsSide, { -9, -6, -3, 1 });

    run = Run(Download("hs4540", "GPIB0:DEV8", "hs0.avi", { "--first", "0", "--last", "1" }));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(lastLine(run.err), "framewright-cli: The HS 4540 has no frame 0");
}

TEST_F(CliGpibTest, DefaultImageSettingsGiveTheToneTableAndRoundedWidth)
{
    const RunResult run = Run(Download("em1012", "GPIB0:DEV7", "em.avi", { "--first", "2", "--last", "2" }));
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QJsonObject info = parseJson(runCli({ "info", Path("em.avi") }).out);
    EXPECT_EQ(info.value("width").toInt(), 240);
    const std::vector<QByteArray> frames = AviFrames(readFile(Path("em.avi")));
    ASSERT_EQ(frames.size(), 1U);
    // Top-left sample 40: v = 20, 127 (20 / 127) ^ (1 / 1.8) = 45.48 -> 45.
    const auto* top_row = reinterpret_cast<const uchar*>(frames[0].constData()) + (kEmHeight - 1) * 240;
    EXPECT_EQ(top_row[0], 45);
    // The padding column repeats the line's last value.
    EXPECT_EQ(top_row[239], top_row[238]);
}

TEST_F(CliGpibTest, AFrameThatKeepsFailingEndsTheDownloadWithNothingLeft)
{
    Set("FW_GPIB_SIM_UPLOAD_TIMEOUT", QStringLiteral("EM"));
    const RunResult run = Run(Download("em1012", "GPIB0:DEV7", "em.avi", { "--first", "0", "--last", "3" }));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: Error Uploading Frame 0: "))
        << run.err.constData();
    EXPECT_EQ(
        QDir(dir_.path()).entryList({ QStringLiteral("*em.avi*") }, QDir::Files | QDir::Hidden).size(), 0);
}

} // namespace

} // namespace fw::e2e
