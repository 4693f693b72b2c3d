// framewright-cli's imager commands against the project's imager simulator over loopback.
#include <gtest/gtest.h>

#include <QDate>
#include <QJsonObject>

#include "cli_runner.h"
#include "imager_sim_probe.h"

using namespace fw::e2e;

namespace {

class CliImagerTest : public ::testing::Test {
protected:
    void Start(const QStringList& args) { ASSERT_TRUE(sim_.start(args)) << sim_.errorOutput().constData(); }

    RunResult Imager(const QStringList& args)
    {
        QProcessEnvironment environment = cliEnvironment();
        environment.insert(QStringLiteral("FRAMEWRIGHT_IMAGER_PORT"), QString::number(sim_.port()));
        return runProgram(binPath("framewright-cli"), QStringList { "imager" } + args, 60000, environment);
    }

    // The JSON objects of a find, one per line, in the order of their ids.
    static QList<QJsonObject> Objects(const QByteArray& out)
    {
        QList<QJsonObject> objects;
        for (const QByteArray& line : out.split('\n'))
            if (!line.trimmed().isEmpty())
                objects << parseJson(line);
        std::sort(objects.begin(), objects.end(),
            [](const QJsonObject& a, const QJsonObject& b) { return a["id"].toInt() < b["id"].toInt(); });
        return objects;
    }

    SimProcess sim_;
};

} // namespace

TEST_F(CliImagerTest, FindListsEveryImagerOnceEachTime)
{
    Start({ "--udp", "127.0.0.21:4:1", "--udp", "127.0.0.22:2:7" });
    for (int round = 0; round < 2; ++round) {
        const RunResult run = Imager({ "find", "--udp", "127.255.255.255" });
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        const QList<QJsonObject> found = Objects(run.out);
        ASSERT_EQ(found.size(), 2) << run.out.constData();
        EXPECT_EQ(found[0]["name"].toString(), "Kodak HG 2000 #1");
        EXPECT_EQ(found[0]["kind"].toString(), "Kodak HG 2000");
        EXPECT_EQ(found[0]["ip"].toString(), "127.0.0.21");
        EXPECT_EQ(found[0]["baud"].toInt(), 9600);
        EXPECT_EQ(found[1]["name"].toString(), "Kodak RO #7");
        EXPECT_EQ(found[1]["id"].toInt(), 7);
        EXPECT_EQ(found[1]["ip"].toString(), "127.0.0.22");
    }
}

TEST_F(CliImagerTest, FindingNothingSaysSoAndSucceeds)
{
    Start({ "--udp", "127.0.0.23:4:1", "--silent" });
    const RunResult run = Imager({ "find", "--udp", "127.255.255.255" });
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_TRUE(run.out.trimmed().isEmpty());
    EXPECT_TRUE(run.err.contains("No Imagers Found on Ethernet")) << run.err.constData();
}

TEST_F(CliImagerTest, StatusReportsTheRecordingAndSetsTheClockUnlessTold)
{
    Start({ "--udp", "127.0.0.24:4:2", "--frames", "12", "--first", "-5", "--session", "3", "--temp", "31",
        "--rate", "500" });
    RunResult run = Imager({ "status", "--ip", "127.0.0.24", "--id", "2", "--no-clock" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QJsonObject status = parseJson(run.out);
    EXPECT_EQ(status["type"].toString(), "HG 2000");
    EXPECT_EQ(status["kind"].toString(), "Kodak HG 2000");
    EXPECT_EQ(status["state"].toString(), "Recording Done");
    EXPECT_EQ(status["temperature"].toInt(), 31);
    EXPECT_EQ(status["first_frame"].toInt(), -5);
    EXPECT_EQ(status["frame_count"].toInt(), 12);
    EXPECT_EQ(status["frame_rate"].toInt(), 500);
    EXPECT_EQ(status["session_id"].toInt(), 3);
    EXPECT_EQ(status["split_frames"].toBool(), false);

    // The date register as the simulator started, then as the attach set it.
    run = Imager({ "command", "--ip", "127.0.0.24", "--id", "2", "--no-clock", "09" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QByteArray untouched = run.out.trimmed();
    EXPECT_TRUE(untouched.startsWith("#020109")) << untouched.constData();
    ASSERT_EQ(Imager({ "status", "--ip", "127.0.0.24", "--id", "2" }).exit_code, 0);
    run = Imager({ "command", "--ip", "127.0.0.24", "--id", "2", "--no-clock", "09" });
    const QDate today = QDate::currentDate();
    const QByteArray bcd = QStringLiteral("%1%2%3")
                               .arg(today.month(), 2, 10, QLatin1Char('0'))
                               .arg(today.day(), 2, 10, QLatin1Char('0'))
                               .arg(today.year() % 100, 2, 10, QLatin1Char('0'))
                               .toLatin1();
    EXPECT_EQ(run.out.trimmed(), "#020109" + bcd);
    EXPECT_NE(untouched, run.out.trimmed());
}

TEST_F(CliImagerTest, AStrayDatagramBeforeTheReplyIsIgnored)
{
    Start({ "--udp", "127.0.0.25:6:1", "--stray-from", "127.0.0.99" });
    const RunResult run = Imager({ "status", "--ip", "127.0.0.25", "--no-clock" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(parseJson(run.out)["type"].toString(), "HG 2000-TX");
}

TEST_F(CliImagerTest, AnImagerThatNeverAnswersFailsWithTheReason)
{
    Start({ "--udp", "127.0.0.26:4:1", "--silent" });
    RunResult run = Imager({ "status", "--ip", "127.0.0.26" });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(lastLine(run.err),
        "framewright-cli: Imager 127.0.0.26 could not be attached (Ethernet at IP 127.0.0.26); Imager Not "
        "Responding");
    run = Imager({ "command", "--ip", "127.0.0.26", "40" });
    EXPECT_EQ(run.exit_code, 1);
}

TEST_F(CliImagerTest, AGarbledReplyGivesTheProtocolsErrorText)
{
    Start({ "--udp", "127.0.0.27:4:1", "--garbage" });
    const RunResult run = Imager({ "status", "--ip", "127.0.0.27" });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lastLine(run.err).endsWith("; Unexpected Response")) << run.err.constData();
}

TEST_F(CliImagerTest, RawCommandsPrintTheReplyAsItCame)
{
    Start({ "--udp", "127.0.0.28:4:1", "--temp", "42" });
    const RunResult run = Imager({ "command", "--ip", "127.0.0.28", "50" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(run.out, "#0101502A\n");
}

TEST_F(CliImagerTest, WrongLinkChoicesAreUsageErrors)
{
    Start({ "--udp", "127.0.0.29:4:1" });
    EXPECT_EQ(Imager({ "status" }).exit_code, 2);
    EXPECT_EQ(
        Imager({ "status", "--ip", "127.0.0.29", "--serial", "/dev/null", "--baud", "9600" }).exit_code, 2);
    EXPECT_EQ(Imager({ "find", "--serial", "/dev/null" }).exit_code, 2);
    EXPECT_EQ(Imager({ "status", "--ip", "127.0.0.29", "--id", "300" }).exit_code, 2);
    EXPECT_EQ(Imager({ "nonsense" }).exit_code, 2);
}

TEST_F(CliImagerTest, ASerialLineWithTwoImagersIsFoundAndReached)
{
    Start({ "--serial", "4:1", "--serial", "6:2" });
    const QString line = sim_.lineAfter(QStringLiteral("serial "));
    ASSERT_FALSE(line.isEmpty());
    RunResult run = Imager({ "find", "--serial", line, "--baud", "9600" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QList<QJsonObject> found = Objects(run.out);
    ASSERT_EQ(found.size(), 2) << run.out.constData();
    EXPECT_EQ(found[0]["name"].toString(), "Kodak HG 2000 #1");
    EXPECT_EQ(found[1]["name"].toString(), "Roper HG 2000-TX #2");
    EXPECT_EQ(found[1]["ip"].toString(), "0.0.0.0");

    run = Imager({ "status", "--serial", line, "--id", "2", "--baud", "9600", "--no-clock" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(parseJson(run.out)["type"].toString(), "HG 2000-TX");
    run = Imager({ "status", "--serial", line, "--id", "5", "--baud", "9600" });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lastLine(run.err).contains(
        QStringLiteral("Imager %1 #5 could not be attached (Direct to ").arg(line).toUtf8()))
        << run.err.constData();
}
