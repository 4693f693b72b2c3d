#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/cli_runner.h"
#include "e2e/imager_sim_probe.h"

namespace fw::e2e {
namespace {

constexpr char kImager[] = "127.0.0.31";
constexpr int kNoReplyWait_ms = 400;
constexpr int kAttachReplyBytes = 34;

class ImagerSimFaultTest : public ::testing::Test {
protected:
    void Start(const QStringList& faults)
    {
        ASSERT_TRUE(sim_.start(QStringList { "--udp", "127.0.0.31:4:1" } + faults))
            << sim_.errorOutput().constData();
    }

    std::optional<Datagram> Ask(const QByteArray& text)
    {
        return probe_.transact(text, kImager, sim_.port());
    }

    SimProcess sim_;
    UdpProbe probe_;
};

TEST_F(ImagerSimFaultTest, SilentImagerAnswersNothing)
{
    Start({ "--silent" });
    probe_.setTimeout(kNoReplyWait_ms);
    EXPECT_FALSE(Ask("#010102"));
    ASSERT_TRUE(probe_.send("54", "127.255.255.255", sim_.port()));
    EXPECT_FALSE(probe_.receive());
}

TEST_F(ImagerSimFaultTest, WrongIdRepliesCarryAnotherIdentifier)
{
    Start({ "--wrong-id" });
    const std::optional<Datagram> reply = Ask("#010102");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->data.left(7), "#020101");
    EXPECT_EQ(reply->data.size(), kAttachReplyBytes);
}

TEST_F(ImagerSimFaultTest, DropEveryThirdLosesExactlyTheThirdAndSixthReply)
{
    Start({ "--drop-every", "3" });
    probe_.setTimeout(kNoReplyWait_ms);
    QList<bool> answered;
    answered << Ask("#010102").has_value();
    for (int i = 0; i < 5; ++i)
        answered << Ask("#0140").has_value();
    EXPECT_EQ(answered, QList<bool>({ true, true, false, true, true, false }));
}

TEST_F(ImagerSimFaultTest, DropEveryAppliesToDownloadData)
{
    Start({ "--drop-every", "4" });
    probe_.setTimeout(kNoReplyWait_ms);
    ASSERT_TRUE(Ask("#010102"));
    ASSERT_TRUE(Ask("#0153C000"));
    EXPECT_EQ(Ask("#01DLF 0 U B")->data.size(), 49152);
    EXPECT_FALSE(Ask("#01DLF U")) << "the fourth datagram sent is lost";
    EXPECT_EQ(Ask("#01DLF U")->data.size(), 49152) << "the download goes on with the next one";
}

TEST_F(ImagerSimFaultTest, GarbageRepliesKeepTheirLengthButNoHeader)
{
    Start({ "--garbage" });
    const std::optional<Datagram> reply = Ask("#010102");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->data.size(), kAttachReplyBytes);
    EXPECT_FALSE(reply->data.contains('#'));
    EXPECT_TRUE(reply->data.endsWith('\r'));
}

TEST_F(ImagerSimFaultTest, StrayReplyFromAnotherAddressComesFirst)
{
    Start({ "--stray-from", "127.0.0.99" });
    ASSERT_TRUE(probe_.send("#010102", kImager, sim_.port()));
    const std::optional<Datagram> stray = probe_.receive();
    const std::optional<Datagram> real = probe_.receive();
    ASSERT_TRUE(stray && real);
    EXPECT_TRUE(stray->from.startsWith(QLatin1String("127.0.0.99:")));
    EXPECT_EQ(stray->data, "#013001\r");
    EXPECT_EQ(real->from, QStringLiteral("127.0.0.31:%1").arg(sim_.port()));
    EXPECT_EQ(real->data.left(7), "#010101");
}

TEST(ImagerSimSerialTest, EachIdentifierOnTheSharedLineAnswersOnlyItsOwnFrames)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({ "--serial", "4:1", "--serial", "2:2:mono" })) << sim.errorOutput().constData();
    LineProbe line(sim.lineAfter(QStringLiteral("serial ")));
    ASSERT_TRUE(line.isOpen());

    ASSERT_TRUE(line.sendLine("#010102"));
    EXPECT_EQ(line.readLine()->left(9), "#01010104");
    ASSERT_TRUE(line.sendLine("#020102"));
    EXPECT_EQ(line.readLine()->left(9), "#02010102");
    ASSERT_TRUE(line.sendLine("#0340"));
    ASSERT_TRUE(line.sendLine("#0240"));
    EXPECT_EQ(line.readLine(), "#02014005\r") << "nobody answers identifier 03";

    ASSERT_TRUE(line.sendLine("54"));
    QList<QByteArray> identified { line.readLine().value_or(""), line.readLine().value_or("") };
    std::sort(identified.begin(), identified.end());
    EXPECT_EQ(identified[0].left(9), "#01015404");
    EXPECT_EQ(identified[1].left(9), "#02015402");

    // Line feeds between frames are dropped; downloads are refused on the serial line.
    ASSERT_TRUE(line.sendLine("\n#01DLF 0 U B"));
    EXPECT_EQ(line.readLine(), "#01116D\r");

    // The listing comes one line per reply and ends with the free-space line.
    ASSERT_TRUE(line.sendLine("#0156/X"));
    QList<QByteArray> listing;
    while (const std::optional<QByteArray> reply = line.readLine()) {
        listing << *reply;
        if (reply->contains(" free"))
            break;
    }
    ASSERT_FALSE(listing.isEmpty());
    EXPECT_EQ(listing.first(), "{START}\r");
    EXPECT_TRUE(listing.last().endsWith(" bytes free\r"));
    EXPECT_FALSE(listing.contains("{END}\r"));
}

TEST(ImagerSimOptionsTest, HelpNamesEveryOptionAndBadArgumentsExitTwo)
{
    const RunResult help = runProgram(binPath("fw-imager-sim"), { "--help" }, 20000);
    EXPECT_EQ(help.exit_code, 0);
    for (const char* option : { "--udp", "--serial", "--port", "--broadcast", "--frames", "--first", "--rate",
             "--session", "--temp", "--exposure", "--split", "--mono", "--drop-every", "--garbage",
             "--silent", "--wrong-id", "--stray-from", "--verbose", "FRAMEWRIGHT_IMAGER_PORT" })
        EXPECT_TRUE(help.out.contains(option)) << option;

    EXPECT_EQ(runProgram(binPath("fw-imager-sim"), { "--udp", "10.0.0.5:4:1" }, 20000).exit_code, 2)
        << "only loopback addresses";
    EXPECT_EQ(
        runProgram(binPath("fw-imager-sim"), { "--udp", "127.0.0.5:2:1", "--rate", "2000" }, 20000).exit_code,
        2)
        << "old models have no 2000 fps";
    EXPECT_EQ(runProgram(binPath("fw-imager-sim"), {}, 20000).exit_code, 2);
}

} // namespace
} // namespace fw::e2e
