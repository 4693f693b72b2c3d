#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "e2e/imager_sim_fixture.h"

namespace fw::e2e {
namespace {

constexpr char kSecond[] = "127.0.0.22";
constexpr char kBroadcast[] = "127.255.255.255";
constexpr int kFullFrameBytes = 384 * 512 + 1024;
constexpr int kSplitFrameBytes = 144 * 512 + 1024;
constexpr int kNoReplyWait_ms = 400;

using ImagerSimUdpTest = ImagerSimUdpFixture;

TEST_F(ImagerSimUdpTest, AttachReplyCarriesTypeStateColourAndRecordedFrames)
{
    Start({ "--udp", "127.0.0.21:4:1", "--udp", "127.0.0.22:2:0x0A:mono", "--first", "-5", "--frames", "20",
        "--temp", "41", "--rate", "500" });
    // Nothing but attach and identify is served before attaching.
    EXPECT_EQ(Ask("#0140")->data, "#011340\r");

    const std::optional<Datagram> hg = Ask("#010102");
    ASSERT_TRUE(hg);
    EXPECT_EQ(hg->data.left(7), "#010101");
    EXPECT_EQ(hg->from, QStringLiteral("127.0.0.21:%1").arg(sim_.port()));
    // Type 4, firmware 2.1, Recording Done, colour, not split; frames -5 .. 14, 20 of them;
    // 41 degrees; rate index 5 (500 fps on a new model).
    EXPECT_EQ(payloadOf(hg), "0421050100FFFB000E00142905");

    const std::optional<Datagram> ro = Ask("#0A0102", kSecond);
    // An old model numbers its frames from 0; the third word is the recorded frame count.
    EXPECT_EQ(payloadOf(ro),
        "0221050200000000130014"
        "2902");
}

TEST_F(ImagerSimUdpTest, RegistersReadBackWhatWasWrittenAtTheirWidths)
{
    Start({ "--udp", "127.0.0.21:4:1", "--udp", "127.0.0.22:2:2", "--first", "-5", "--frames", "20", "--temp",
        "41" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    ASSERT_EQ(resultOf(Ask("#020102", kSecond)), "01");

    EXPECT_EQ(Ask("#010C2A")->data, "#01010C\r");
    EXPECT_EQ(Ask("#010C")->data, "#01010C2A\r");
    EXPECT_EQ(resultOf(Ask("#0109123199")), "01");
    EXPECT_EQ(payloadOf(Ask("#0109")), "123199");
    EXPECT_EQ(resultOf(Ask("#0108235959")), "01");
    EXPECT_EQ(payloadOf(Ask("#0108")), "235959");
    EXPECT_EQ(resultOf(Ask("#0109133199")), "14") << "month 13";
    EXPECT_EQ(resultOf(Ask("#01081A0000")), "14") << "not BCD";
    EXPECT_EQ(payloadOf(Ask("#0109")), "123199") << "a refused write changes nothing";
    EXPECT_EQ(payloadOf(Ask("#0153")), "00002000") << "8 digits";
    EXPECT_EQ(resultOf(Ask("#01531001")), "14") << "not a whole number of kilobytes";
    EXPECT_EQ(resultOf(Ask("#010C123")), "15") << "wider than the register";
    EXPECT_EQ(resultOf(Ask("#010CZZ")), "10");

    // Sub-coded registers echo the sub-code in front of the payload.
    EXPECT_EQ(Ask("#0107020BB8")->data, "#01010702\r");
    EXPECT_EQ(Ask("#010702")->data, "#010107020BB8\r");
    EXPECT_EQ(payloadOf(Ask("#010401")), "010005") << "pre-trigger frames before 0";
    EXPECT_EQ(payloadOf(Ask("#010402")), "02000F");

    EXPECT_EQ(payloadOf(Ask("#0150")), "29");
    EXPECT_EQ(payloadOf(Ask("#0145")), "FFFB000E");
    EXPECT_EQ(resultOf(Ask("#014005")), "12") << "State is read-only";
    EXPECT_EQ(resultOf(Ask("#0206", kSecond)), "01");
    EXPECT_EQ(resultOf(Ask("#020604", kSecond)), "14") << "old models know four rates";
    EXPECT_EQ(resultOf(Ask("#0245", kSecond)), "11") << "no frame range on an old model";
    EXPECT_EQ(resultOf(Ask("#026501", kSecond)), "11") << "no split frames on an old model";

    // "WB" reads white balance and is answered as "12", the code that writes it.
    EXPECT_EQ(Ask("#011203")->data, "#010112\r");
    EXPECT_EQ(Ask("#01WBL")->data, "#01011203\r");

    // A new identifier takes effect at once: the old one is no longer answered.
    EXPECT_EQ(Ask("#015207")->data, "#070152\r");
    EXPECT_EQ(payloadOf(Ask("#0752")), "07");
    probe_.setTimeout(kNoReplyWait_ms);
    EXPECT_FALSE(Ask("#0140"));
}

TEST_F(ImagerSimUdpTest, BroadcastsAreAnsweredByEveryImagerFromItsOwnAddress)
{
    Start({ "--udp", "127.0.0.21:4:1", "--udp", "127.0.0.22:6:0x0A" });
    for (const QByteArray& frame : { QByteArray("54"), QByteArray("0102") }) {
        ASSERT_TRUE(probe_.send(frame, kBroadcast, sim_.port()));
        QStringList answers;
        for (int i = 0; i < 2; ++i) {
            const std::optional<Datagram> reply = probe_.receive();
            ASSERT_TRUE(reply) << frame.constData();
            EXPECT_EQ(reply->data.mid(3, 4), "01" + frame.left(2));
            answers << reply->from + ' '
                    + QString::fromLatin1(reply->data.mid(1, 2) + ' ' + reply->data.mid(7, 2));
        }
        answers.sort();
        EXPECT_EQ(answers,
            QStringList({ QStringLiteral("127.0.0.21:%1 01 04").arg(sim_.port()),
                QStringLiteral("127.0.0.22:%1 0A 06").arg(sim_.port()) }));
    }
    // A unicast frame for another identifier is not answered; the imager is still there.
    probe_.setTimeout(kNoReplyWait_ms);
    EXPECT_FALSE(Ask("#0A40"));
    probe_.setTimeout(3000);
    EXPECT_EQ(Ask("#0140")->data, "#01014005\r");
}

TEST_F(ImagerSimUdpTest, NewModelDeliversAWholeFrameInDatagramsOfTheChosenSize)
{
    Start({ "--udp", "127.0.0.21:4:1", "--first", "-5", "--frames", "20", "--session", "7", "--rate", "500",
        "--exposure", "300" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    ASSERT_EQ(resultOf(Ask("#0153C000")), "01");

    const QList<QByteArray> datagrams = Download("#01DLF -2 U B", "#01DLF U");
    ASSERT_EQ(datagrams.size(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(datagrams[i].size(), 49152);
    EXPECT_EQ(datagrams[4].size(), 1024) << "the last datagram holds what is left";
    // Asking past the end is refused, with the "6D" echo of a "DL" download.
    EXPECT_EQ(last_reply_->data, "#01126D\r");

    const QByteArray frame = datagrams.join();
    ASSERT_EQ(frame.size(), kFullFrameBytes);
    const QByteArray record = frame.right(1024);
    EXPECT_EQ(record.left(8), "EK BAY 2");
    EXPECT_EQ(record[8], 1) << "colour";
    EXPECT_EQ(record[9], 7) << "session";
    EXPECT_EQ(record[10], 1) << "camera id";
    EXPECT_EQ(record[11], 5) << "rate code";
    EXPECT_EQ(record.mid(12, 2), QByteArray::fromHex("FFFE")) << "frame -2";
    EXPECT_EQ(record.mid(119, 2), QByteArray::fromHex("012C")) << "exposure, big-endian";

    // The scene moves: the next frame's mosaic differs; a colour mosaic's red and blue differ.
    const QByteArray next = Download("#01DLF -1 U B", "#01DLF U").join();
    ASSERT_EQ(next.size(), kFullFrameBytes);
    EXPECT_NE(next.left(kFullFrameBytes - 1024), frame.left(kFullFrameBytes - 1024));
    EXPECT_NE(frame[1], frame[2]);

    EXPECT_EQ(Ask("#01DLF 15 U B")->data, "#01146D\r") << "past the last frame";
    EXPECT_EQ(Ask("#01280000 10")->data, "#011128\r") << "new models download with DL";
    EXPECT_EQ(payloadOf(Ask("#0140")), "05") << "back to Recording Done";
}

TEST_F(ImagerSimUdpTest, SplitFramesAndOldModelDownloads)
{
    Start({ "--udp", "127.0.0.21:5:1", "--udp", "127.0.0.22:2:2:mono", "--split" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    ASSERT_EQ(resultOf(Ask("#020102", kSecond)), "01");
    ASSERT_EQ(resultOf(Ask("#01534000")), "01");
    const QList<QByteArray> split = Download("#01DLF 0 U B", "#01DLF U");
    ASSERT_EQ(split.size(), 5);
    EXPECT_EQ(split.last().size(), kSplitFrameBytes - 4 * 16384);
    EXPECT_EQ(split.join().size(), kSplitFrameBytes);

    // The old model ignores --split; frame 3 comes with "28", its number in 4 hex digits + "10".
    const QByteArray old = Download("#0228000310", "#022810", kSecond).join();
    ASSERT_EQ(old.size(), kFullFrameBytes);
    EXPECT_EQ(last_reply_->data, "#021228\r");
    EXPECT_EQ(old.right(1024).left(8), "ML BAY 2");
    EXPECT_EQ(old.right(1024)[8], 2) << "monochrome";
    EXPECT_EQ(Ask("#02DLF 3 U B", kSecond)->data, "#02116D\r") << "old models download with 28";
}

TEST_F(ImagerSimUdpTest, TriggerRecordsTheFramesAroundTheTrigger)
{
    Start({ "--udp", "127.0.0.21:6:3", "--session", "9" });
    ASSERT_EQ(resultOf(Ask("#030102")), "01");
    EXPECT_EQ(Ask("#031BFF")->data, "#03161BFF\r") << "trigger needs Ready to Record";
    EXPECT_EQ(resultOf(Ask("#0304010003")), "01");
    EXPECT_EQ(resultOf(Ask("#0304020005")), "01");
    EXPECT_EQ(Ask("#031B01")->data, "#03011B01\r");
    EXPECT_EQ(payloadOf(Ask("#0340")), "03");
    EXPECT_EQ(resultOf(Ask("#0345")), "18") << "ready to record gives the recording up";
    EXPECT_EQ(resultOf(Ask("#031BFF")), "01");

    QByteArray state;
    for (int poll = 0; poll < 500 && state != "05"; ++poll) {
        state = payloadOf(Ask("#0340"));
        if (state == "04")
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(state, "05");
    EXPECT_EQ(payloadOf(Ask("#0345")), "FFFD0004");
    EXPECT_EQ(payloadOf(Ask("#030C")), "0A") << "each recording is a new session";
    const QByteArray frame = Download("#03DLF -3 U B", "#03DLF U").join();
    ASSERT_EQ(frame.size(), kFullFrameBytes);
    EXPECT_EQ(frame.right(1024)[9], 10);

    EXPECT_EQ(Ask("#035F")->data, "#03015F\r");
    EXPECT_EQ(payloadOf(Ask("#0340")), "00");
    EXPECT_EQ(Ask("#03DLF 0 U B")->data, "#03186D\r") << "erased";
}

TEST_F(ImagerSimUdpTest, DirectoryListingComesInPartsUntilTheEndMark)
{
    Start({ "--udp", "127.0.0.21:4:1" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    EXPECT_EQ(Ask("#0157/DCIM")->data, "#010157\r");
    EXPECT_EQ(payloadOf(Ask("#0157")), "\\DCIM\\") << "the path reads between backslashes";

    const QByteArray first = Ask("#0156/X")->data;
    EXPECT_TRUE(first.startsWith("{START}\r[ROOT]\r"));
    EXPECT_TRUE(first.endsWith("\r<MORE>\r"));
    const QByteArray second = Ask("#0156")->data;
    EXPECT_TRUE(second.startsWith("{START}\r"));
    EXPECT_TRUE(second.contains(" bytes free\r"));
    EXPECT_TRUE(second.endsWith("\r{END}\r"));
}

} // namespace
} // namespace fw::e2e
