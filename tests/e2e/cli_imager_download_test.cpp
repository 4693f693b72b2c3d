// framewright-cli imager download against the imager simulator: the frames saved are the
// simulator's own mosaics, interpolated by the rules, each downloaded once.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonObject>
#include <QTemporaryDir>

#include "cli_runner.h"
#include "clips/bay_record.h"
#include "clips/bayer_reference.h"
#include "clips/descriptor_block.h"
#include "imager_sim_probe.h"

using namespace fw::e2e;

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr qsizetype kMosaic = qsizetype(kWidth) * kHeight;
constexpr qsizetype kFrameBytes = kMosaic + qsizetype(fw::kBayRecordBytes);
constexpr char kAddress[] = "127.0.0.51";

class CliImagerDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(sim_.start({ "--udp", QStringLiteral("%1:4:1").arg(kAddress), "--frames", "12", "--first",
            "-5", "--verbose" }))
            << sim_.errorOutput().constData();
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    RunResult Imager(const QStringList& args)
    {
        QProcessEnvironment environment = cliEnvironment();
        environment.insert(QStringLiteral("FRAMEWRIGHT_IMAGER_PORT"), QString::number(sim_.port()));
        return runProgram(binPath("framewright-cli"), QStringList { "imager" } + args, 120000, environment);
    }

    // Frame `number` as the simulator sends it, fetched with plain datagrams.
    QByteArray SimulatorFrame(int number)
    {
        UdpProbe probe;
        probe.setTimeout(3000);
        if (!probe.transact("#010102", kAddress, sim_.port())
            || !probe.transact("#0153C000", kAddress, sim_.port()))
            return {};
        QByteArray frame;
        QByteArray request = "#01DLF " + QByteArray::number(number) + " U B";
        while (frame.size() < kFrameBytes) {
            const std::optional<Datagram> part = probe.transact(request, kAddress, sim_.port());
            if (!part || part->data.size() <= 25)
                return {};
            frame += part->data;
            request = "#01DLF U";
        }
        return frame;
    }

    // The rules' picture of a frame's mosaic, top-down rows of blue, green, red.
    static QByteArray Interpolated(const QByteArray& frame)
    {
        const std::vector<uint8_t> bgr
            = fw::bayer_reference::ReferenceTopDownBgr(fw::bayer_reference::GridOfCells(
                reinterpret_cast<const uint8_t*>(frame.constData()), kWidth, kHeight));
        return QByteArray(reinterpret_cast<const char*>(bgr.data()), qsizetype(bgr.size()));
    }

    static QString BayName(int number) { return QString::asprintf("F%6.5d.bay", number); }

    QTemporaryDir dir_;
    SimProcess sim_;
};

} // namespace

TEST_F(CliImagerDownloadTest, AWholeRecordingIsTheSimulatorsFramesInterpolatedEachDownloadedOnce)
{
    RunResult run = Imager({ "download", "--ip", kAddress, path("all.avi"), "--type", "avi", "--raw" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(run.err.contains("100%"));
    // The simulator's log: one start of each frame, in order.
    const QString log = QString::fromLatin1(sim_.errorOutput());
    for (int number = -5; number <= 6; ++number)
        EXPECT_EQ(log.count(QStringLiteral("\"#01DLF %1 U B\\r\"").arg(number)), 1) << number;

    QByteArray expected;
    for (int number = -5; number <= 6; ++number) {
        const QByteArray frame = SimulatorFrame(number);
        ASSERT_EQ(frame.size(), kFrameBytes) << number;
        expected += Interpolated(frame);
    }
    EXPECT_TRUE(ffmpegAllBgr(path("all.avi")) == expected);

    const QJsonObject info = parseJson(runCli({ "info", path("all.avi") }).out);
    EXPECT_EQ(info["frames"].toInt(), 12);
    std::string value;
    const std::string block = info["descriptor"].toString().toStdString();
    ASSERT_TRUE(fw::GetDescriptorValue(block, "Camera", "Camera Type", value));
    EXPECT_EQ(value, "HG 2000 Color"); // the imager's kind, which the record does not tell
    ASSERT_TRUE(fw::GetDescriptorValue(block, "Timing", "Frame Rate", value));
    EXPECT_EQ(value, "1000");
}

TEST_F(CliImagerDownloadTest, FirstLastAndStepChooseImagerFramesAndBayFilesKeepTheRecords)
{
    RunResult run = Imager({ "download", "--ip", kAddress, path("bay"), "--type", "bay", "--first", "-5",
        "--last", "6", "--step", "3", "--no-clock" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QStringList names = QDir(path("bay")).entryList(QDir::Files, QDir::Name);
    QStringList expected_names { BayName(-5), BayName(-2), BayName(1), BayName(4) };
    expected_names.sort();
    EXPECT_EQ(names, expected_names);
    EXPECT_TRUE(names.contains("F-00005.bay"));
    EXPECT_TRUE(names.contains("F 00004.bay"));
    for (int number : { -5, -2, 1, 4 }) {
        const QByteArray saved = readFile(path("bay/" + BayName(number)));
        const QByteArray sent = SimulatorFrame(number);
        ASSERT_EQ(saved.size(), kFrameBytes);
        EXPECT_TRUE(saved.left(kMosaic) == sent.left(kMosaic)) << number;
        EXPECT_TRUE(saved.mid(kMosaic, qsizetype(fw::kBayTitlesOffset))
            == sent.mid(kMosaic, qsizetype(fw::kBayTitlesOffset)))
            << number;
    }

    run = Imager({ "download", "--ip", kAddress, path("step.avi"), "--type", "avi", "--first", "-5", "--step",
        "3", "--no-clock" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(ffmpegAllBgr(path("step.avi"))
        == Interpolated(SimulatorFrame(-5)) + Interpolated(SimulatorFrame(-2))
            + Interpolated(SimulatorFrame(1)) + Interpolated(SimulatorFrame(4)));
}

TEST_F(CliImagerDownloadTest, FramesOutsideTheRecordingAndSerialLinksAreRefused)
{
    RunResult run = Imager({ "download", "--ip", kAddress, path("x.avi"), "--type", "avi", "--first", "-9" });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(
        lastLine(run.err), "framewright-cli: Frames -9 to 6 are not in the recording: it has frames -5 to 6");
    EXPECT_FALSE(QFileInfo::exists(path("x.avi")));
    run = Imager({ "download", "--serial", "/dev/null", "--id", "1", "--baud", "9600", path("y.avi"),
        "--type", "avi" });
    EXPECT_EQ(run.exit_code, 2);
    run = Imager(
        { "download", "--ip", kAddress, path("z.avi"), "--type", "avi", "--raw", "--settings", "a.ips" });
    EXPECT_EQ(run.exit_code, 2);
}

// Lost datagrams cost a time-out and a retry in smaller datagrams; stray replies from another
// address are dropped. The frames come out exact all the same.
TEST(CliImagerDownloadReliability, LostAndStrayDatagramsLeaveTheFramesExact)
{
    QTemporaryDir dir;
    const auto download = [&dir](const QStringList& faults, const QString& folder) {
        SimProcess sim;
        EXPECT_TRUE(sim.start(QStringList { "--udp", "127.0.0.52:4:1", "--frames", "3" } + faults))
            << sim.errorOutput().constData();
        QProcessEnvironment environment = cliEnvironment();
        environment.insert(QStringLiteral("FRAMEWRIGHT_IMAGER_PORT"), QString::number(sim.port()));
        return runProgram(binPath("framewright-cli"),
            { "imager", "download", "--ip", "127.0.0.52", dir.filePath(folder), "--type", "bay",
                "--no-clock" },
            300000, environment);
    };
    RunResult run = download({ "--drop-every", "25", "--stray-from", "127.0.0.53" }, "faulty");
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    run = download({}, "clean");
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QStringList names = QDir(dir.filePath("clean")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 3);
    EXPECT_EQ(QDir(dir.filePath("faulty")).entryList(QDir::Files, QDir::Name), names);
    for (const QString& name : names) {
        const QByteArray clean = readFile(dir.filePath("clean/" + name));
        const QByteArray faulty = readFile(dir.filePath("faulty/" + name));
        ASSERT_EQ(faulty.size(), kFrameBytes) << name.toStdString();
        EXPECT_TRUE(faulty.left(kMosaic + qsizetype(fw::kBayTitlesOffset))
            == clean.left(kMosaic + qsizetype(fw::kBayTitlesOffset)))
            << name.toStdString();
    }
}
