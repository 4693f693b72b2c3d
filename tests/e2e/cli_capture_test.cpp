// framewright-cli capture against the simulated frame grabber: clips that FFmpeg reads and that
// hold exactly the layout and the grabber's frames plus the descriptor block, the trigger, and
// every way a capture fails or is stopped leaving nothing under the target's name.

#include <csignal>
#include <cstring>

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "clips/descriptor_block.h"
#include "e2e/cli_runner.h"
#include "imagers/capture/capture_test_support.h"

namespace fw::e2e {

namespace {

class CliCaptureTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        environment_ = cliEnvironment();
        for (const QString& name : environment_.keys()) {
            if (name.startsWith(QLatin1String("FW_IMAQ_SIM_"))) {
                environment_.remove(name);
            }
        }
        environment_.insert(QStringLiteral("FRAMEWRIGHT_IMAQ_LIBRARY"), QStringLiteral(FW_IMAQ_SIM_LIBRARY));
        // The expected frames are drawn in this process with the same picture.
        Set("FW_IMAQ_SIM_WIDTH", QStringLiteral("64"));
        Set("FW_IMAQ_SIM_HEIGHT", QStringLiteral("48"));
    }

    void Set(const char* name, const QString& value)
    {
        environment_.insert(QString::fromLatin1(name), value);
        qputenv(name, value.toUtf8());
    }
    void TearDown() override
    {
        for (const char* name : { "FW_IMAQ_SIM_WIDTH", "FW_IMAQ_SIM_HEIGHT", "FW_IMAQ_SIM_CHANGES" }) {
            qunsetenv(name);
        }
    }

    RunResult Run(const QStringList& args) const
    {
        return runProgram(binPath("framewright-cli"), args, 120000, environment_);
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QStringList Capture(
        const char* interface_name, const char* target, int frames, QStringList more = {}) const
    {
        return QStringList { "capture", "--interface", interface_name, Path(target), "--frames",
            QString::number(frames) }
        + more;
    }
    // Everything in the folder, hidden files included.
    QStringList Files() const
    {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
    QProcessEnvironment environment_;
};

// The capture file as laid out, then the descriptor chunk inside the same RIFF form.
void ExpectClip(const QByteArray& file, const ExpectedCapture& expected)
{
    const QByteArray layout = expected.FileBytes();
    ASSERT_GT(file.size(), layout.size());
    EXPECT_EQ(file.mid(8, layout.size() - 8), layout.mid(8)) << "the layout or a frame differs";
    EXPECT_EQ(U32At(file, 4), static_cast<uint32_t>(file.size() - 8));
    const QByteArray descriptor_chunk = file.mid(layout.size());
    ASSERT_EQ(descriptor_chunk.size(), 8 + 2048);
    EXPECT_EQ(descriptor_chunk.left(4), "ttls");
    const std::string block
        = DescriptorFromChunk(reinterpret_cast<const uint8_t*>(descriptor_chunk.constData() + 8), 2048);
    std::string value;
    ASSERT_TRUE(GetDescriptorValue(block, "Camera", "Camera Type", value));
    EXPECT_EQ(value, "Capture Card");
    ASSERT_TRUE(GetDescriptorValue(block, "Camera", "Exposure Setting", value));
    EXPECT_EQ(value, "?");
}

int FfmpegReads(const QString& path)
{
    const RunResult run
        = runProgram(QStringLiteral("ffmpeg"), { "-v", "error", "-i", path, "-f", "null", "-" });
    return run.exit_code == 0 && run.err.isEmpty() ? 0 : 1;
}

TEST_F(CliCaptureTest, InterfacesAreTheSimulatorsTwoGrabbers)
{
    const RunResult run = Run({ "capture", "interfaces" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(run.out, "{\"name\":\"img0\"}\n{\"name\":\"img1\"}\n");
}

struct ClipCase {
    const char* interface_name;
    QStringList options;
    bool monochrome;
    uint32_t decimation;
    uint32_t step;
};

TEST_F(CliCaptureTest, ClipsReadInFfmpegAndHoldTheGrabbersFrames)
{
    const std::vector<ClipCase> cases {
        { "img0", {}, false, 0, 1 },
        { "img0", { "--mono", "--half", "--rate", "1", "--buffers", "5" }, true, 2, 2 },
        { "img0", { "--half", "--rate", "2", "--buffers", "600" }, false, 2, 3 },
        { "img1", { "--rate", "1" }, false, 0, 2 },
        { "img1", { "--half", "--rate", "2" }, false, 2, 3 },
    };
    for (const ClipCase& clip : cases) {
        const RunResult run = Run(Capture(clip.interface_name, "clip.avi", 8, clip.options));
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        EXPECT_EQ(lastLine(run.err), "Captured 8 frames into " + Path("clip.avi").toUtf8());
        EXPECT_EQ(FfmpegReads(Path("clip.avi")), 0);
        std::vector<uint32_t> camera_frames;
        for (uint32_t i = 0; i < 8; ++i) {
            camera_frames.push_back(i * clip.step);
        }
        const int32_t divisor = clip.decimation == 2 ? 2 : 1;
        const bool colour = QLatin1String(clip.interface_name) == QLatin1String("img0") && !clip.monochrome;
        ExpectClip(readFile(Path("clip.avi")),
            ExpectedCapture { 64 / divisor, 48 / divisor, colour, 8,
                StoredSimFrames(clip.interface_name, clip.monochrome, clip.decimation, camera_frames) });
        EXPECT_EQ(Files(), QStringList { "clip.avi" }) << clip.options.join(' ').toStdString();
    }
}

TEST_F(CliCaptureTest, TriggerStartsWithTheFrameBeforeAChangeInTheRegion)
{
    Set("FW_IMAQ_SIM_CHANGES", QStringLiteral("20"));
    const RunResult run = Run(
        Capture("img1", "clip.avi", 3, { "--trigger", "500", "--region", "16,16,47,31", "--timeout", "60" }));
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(run.err.contains("Waiting for Trigger"));
    ExpectClip(readFile(Path("clip.avi")),
        ExpectedCapture { 64, 48, false, 3, StoredSimFrames("img1", false, 0, { 19, 20, 21 }) });
}

TEST_F(CliCaptureTest, ATriggerThatNeverFiresTimesOutWithoutAFile)
{
    Set("FW_IMAQ_SIM_CHANGES", QStringLiteral("20"));
    const RunResult run = Run(
        Capture("img1", "clip.avi", 3, { "--trigger", "500", "--region", "48,0,63,47", "--timeout", "1" }));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(lastLine(run.err),
        "framewright-cli: The capture did not finish (the trigger may not have fired) within 1 seconds");
    EXPECT_EQ(Files(), QStringList());
}

TEST_F(CliCaptureTest, EachFailureSaysWhyAndLeavesNoFile)
{
    struct Failure {
        const char* variable;
        const char* value;
        const char* message;
    };
    const std::vector<Failure> failures {
        { "FW_IMAQ_SIM_NO_OPEN", "img1",
            "framewright-cli: Cannot open interface img1: The interface could not be opened: the board does "
            "not "
            "respond." },
        { "FW_IMAQ_SIM_ACQUISITION_ERROR", "0",
            "framewright-cli: Live Mode: Acquisition failed: the camera signal was lost." },
        { "FW_IMAQ_SIM_LOST_FRAMES", "25",
            "framewright-cli: Video Capture Stopped After 25 Frames: Rate too Fast, Capture Stopped." },
    };
    for (const Failure& failure : failures) {
        Set(failure.variable, QString::fromLatin1(failure.value));
        const RunResult run = Run(Capture("img1", "clip.avi", 40));
        EXPECT_EQ(run.exit_code, 1) << failure.variable;
        EXPECT_EQ(lastLine(run.err), failure.message);
        EXPECT_EQ(Files(), QStringList()) << failure.variable;
        environment_.remove(QString::fromLatin1(failure.variable));
    }
}

TEST_F(CliCaptureTest, ALibraryThatCannotServeNamesWhatIsMissing)
{
    environment_.insert(
        QStringLiteral("FRAMEWRIGHT_IMAQ_LIBRARY"), QStringLiteral("/nonexistent/libimaq.so"));
    RunResult run = Run(Capture("img0", "clip.avi", 5));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lastLine(run.err).startsWith(
        "framewright-cli: Cannot open interface img0: Load of /nonexistent/libimaq.so failed"))
        << run.err.constData();
    run = Run({ "capture", "interfaces" });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: Load of /nonexistent/libimaq.so failed"));

    environment_.insert(QStringLiteral("FRAMEWRIGHT_IMAQ_LIBRARY"), QStringLiteral(FW_FAKE_IMAQ_PARTIAL));
    run = Run(Capture("img0", "clip.avi", 5));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(lastLine(run.err),
        "framewright-cli: Cannot open interface img0: Function imgInterfaceReset not found "
        "in " FW_FAKE_IMAQ_PARTIAL);
    EXPECT_EQ(Files(), QStringList());
}

TEST_F(CliCaptureTest, AFailedCaptureLeavesAnOlderClipAsItWas)
{
    ASSERT_TRUE(writeFile(Path("clip.avi"), "an older clip"));
    Set("FW_IMAQ_SIM_LOST_FRAMES", QStringLiteral("3"));
    const RunResult run = Run(Capture("img0", "clip.avi", 10));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(readFile(Path("clip.avi")), "an older clip");
    EXPECT_EQ(Files(), QStringList { "clip.avi" });
}

TEST_F(CliCaptureTest, AnInterruptEndsTheCaptureWithoutAFile)
{
    // The trigger waits for a change that never comes in its region.
    for (const int signal_number : { SIGINT, SIGTERM }) {
        QProcess process;
        process.setProcessEnvironment(environment_);
        process.start(binPath("framewright-cli"),
            Capture(
                "img1", "clip.avi", 5, { "--trigger", "500", "--region", "48,0,63,47", "--timeout", "600" }));
        ASSERT_TRUE(process.waitForStarted());
        QByteArray err;
        while (!err.contains("Waiting for Trigger") && process.state() == QProcess::Running) {
            process.waitForReadyRead(1000);
            err += process.readAllStandardError();
        }
        ASSERT_TRUE(err.contains("Waiting for Trigger")) << err.constData();
        ::kill(static_cast<pid_t>(process.processId()), signal_number);
        ASSERT_TRUE(process.waitForFinished(60000));
        err += process.readAllStandardError();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_EQ(lastLine(err), "framewright-cli: Capture Canceled by User.");
        EXPECT_EQ(Files(), QStringList()) << signal_number;
    }
}

TEST_F(CliCaptureTest, WrongArgumentsAreUsageErrors)
{
    for (const QStringList& args : { QStringList { "capture", "--interface", "img0", Path("a.avi") },
             QStringList { "capture", Path("a.avi"), "--frames", "3" },
             QStringList { "capture", "--interface", "img0", Path("a.avi"), "--frames", "0" },
             QStringList { "capture", "--interface", "img0", Path("a.avi"), "--frames", "3", "--rate", "3" },
             QStringList {
                 "capture", "--interface", "img0", Path("a.avi"), "--frames", "3", "--region", "0,0,9,9" },
             QStringList {
                 "capture", "--interface", "img0", Path("a.avi"), "--frames", "3", "--trigger", "1000" },
             QStringList { "capture", "--interface", "img0", Path("a.avi"), "--frames", "3", "--trigger", "5",
                 "--region", "9,0,1,9" },
             QStringList { "capture", "interfaces", "extra" } }) {
        const RunResult run = Run(args);
        EXPECT_EQ(run.exit_code, 2) << args.join(' ').toStdString();
    }
    const RunResult help = Run({ "capture", "--help" });
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_TRUE(help.out.contains("FRAMEWRIGHT_IMAQ_LIBRARY"));
    EXPECT_TRUE(help.out.contains("--region LEFT,TOP,RIGHT,BOTTOM"));
    EXPECT_EQ(Files(), QStringList());
}

TEST_F(CliCaptureTest, AFolderThatCannotTakeTheClipFailsBeforeCapturing)
{
    const RunResult run = Run(Capture("img0", "missing/clip.avi", 5));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(lastLine(run.err),
        "framewright-cli: Cannot create " + Path("missing/clip.avi").toUtf8()
            + ": No such file or directory");
}

} // namespace

} // namespace fw::e2e
