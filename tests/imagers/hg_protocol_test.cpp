#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imagers/hg/hg_protocol.h"
#include "support/fw_error.h"

namespace fw {
namespace {

// The reply bytes in a buffer of exactly their size, so that a read past the end is caught by
// the sanitizer build.
HGReplyCheck Check(const QByteArray& reply, const HGReplyContext& context)
{
    const std::vector<uint8_t> bytes(reply.begin(), reply.end());
    return CheckHGReply(bytes.data(), bytes.size(), context);
}

HGReplyContext SentTo(uint8_t identifier, const char* code)
{
    HGReplyContext context;
    context.identifier = identifier;
    context.sent_code = code;
    return context;
}

void ExpectAccepted(const HGReplyCheck& check, int result)
{
    EXPECT_TRUE(check.accepted);
    EXPECT_FALSE(check.raw_data);
    EXPECT_EQ(check.result, result);
}

void ExpectUnexpected(const HGReplyCheck& check)
{
    EXPECT_FALSE(check.accepted);
    EXPECT_FALSE(check.raw_data);
    EXPECT_EQ(check.result, hgresult::kUnexpected);
}

TEST(HGFrames, UnicastCarriesIdentifierCodeSubCodeAndArgument)
{
    EXPECT_EQ(HGUnicastFrame(0x0A, hgcmd::kState, {}), "#0A40\r");
    EXPECT_EQ(HGUnicastFrame(0xF3, hgcmd::kFrameRate, HGHexArgument(5, 2)), "#F30605\r");
    EXPECT_EQ(HGUnicastFrame(1, hgcmd::kPostTrigFrames, HGHexArgument(2, 4)), "#0104020002\r");
    EXPECT_EQ(HGUnicastFrame(1, hgcmd::kRecordTrigger, {}), "#011BFF\r");
    EXPECT_EQ(HGUnicastFrame(1, hgcmd::kDownloadNew, "F 12 U B"), "#01DLF 12 U B\r");
    EXPECT_EQ(HGSentCode(hgcmd::kDownloadNew, "F U"), "DL");
}

TEST(HGFrames, WhiteBalanceWritesUnderItsOwnCodeAndReadsWithL)
{
    EXPECT_EQ(HGUnicastFrame(5, hgcmd::kWhiteBalance, {}), "#05WBL\r");
    EXPECT_EQ(HGSentCode(hgcmd::kWhiteBalance, {}), "WB");
    EXPECT_EQ(HGUnicastFrame(5, hgcmd::kWhiteBalance, "03"), "#051203\r");
    EXPECT_EQ(HGSentCode(hgcmd::kWhiteBalance, "03"), "12");
}

TEST(HGFrames, BroadcastsHaveNoHeader)
{
    EXPECT_EQ(HGBroadcastFrame(hgcmd::kAttach, "02"), "0102\r");
    EXPECT_EQ(HGBroadcastFrame(hgcmd::kIdentifyAll, {}), "54\r");
}

TEST(HGFrames, CommandOutsideTheTableIsAnError)
{
    EXPECT_THROW(HGCommand(-1), Error);
    EXPECT_THROW(HGCommand(kHGCommandCount), Error);
    EXPECT_THROW(HGUnicastFrame(1, kHGCommandCount, {}), Error);
    EXPECT_THROW(HGBroadcastFrame(-1, {}), Error);
}

TEST(HGFrames, SubCodesAndTimeOutsFollowTheCommandGroups)
{
    for (int index = 0; index < kHGCommandCount; ++index) {
        const HGCommandInfo& info = HGCommand(index);
        EXPECT_EQ(std::strlen(info.code), 2u) << index;
        EXPECT_EQ(std::strlen(info.sub_code), HasSubCode(index) ? 2u : 0u) << index;
        EXPECT_EQ(info.width_digits > 0, index <= hgcmd::kNormalExposure) << index;
    }
    EXPECT_EQ(HGCommandTimeoutMs(hgcmd::kState), 1000);
    EXPECT_EQ(HGCommandTimeoutMs(hgcmd::kAttach), 1000);
    EXPECT_EQ(HGCommandTimeoutMs(hgcmd::kDirectory), 15000);
    EXPECT_EQ(HGCommandTimeoutMs(hgcmd::kString55), 15000);
    EXPECT_EQ(HGCommandTimeoutMs(hgcmd::kIdentifyAll), 3000);
    EXPECT_EQ(HGCommandTimeoutMs(hgcmd::kDownloadOld), 3000);
}

TEST(HGHexArgument, PadsShortValuesAndKeepsTheLastDigitsOfLongOnes)
{
    EXPECT_EQ(HGHexArgument(0x5, 4), "0005");
    EXPECT_EQ(HGHexArgument(0xabcdef, 6), "ABCDEF");
    EXPECT_EQ(HGHexArgument(0x12345, 4), "2345");
    EXPECT_EQ(HGHexArgument(0x100, 2), "00");
    EXPECT_EQ(HGHexArgument(0xFFFFFFFF, 8), "FFFFFFFF");
    EXPECT_EQ(HGHexArgument(0, 2), "00");
    EXPECT_EQ(HGHexArgument(7, 0), "");
}

TEST(HGReplyCheck, AcceptsOwnReplyWithTheEchoedCode)
{
    ExpectAccepted(Check("#0A014003\r", SentTo(0x0A, "40")), hgresult::kSuccess);
    ExpectAccepted(Check("#0a034003\r", SentTo(0x0A, "40")), hgresult::kInProgress);
    ExpectAccepted(Check("#C3304E\r", SentTo(0xC3, "4E")), 15);
    ExpectAccepted(Check("#0A99400\r", SentTo(0x0A, "40")), hgresult::kUndocumented);
    // Raw text sent by hand: any echo answers it.
    ExpectAccepted(Check("#0A01ZZ\r", SentTo(0x0A, "")), hgresult::kSuccess);
}

TEST(HGReplyCheck, RawDataBySizeOrState)
{
    HGReplyContext listing = SentTo(1, "56");
    listing.raw_data_state = true;
    const HGReplyCheck raw = Check("x", listing);
    EXPECT_TRUE(raw.raw_data);
    EXPECT_FALSE(raw.accepted);
    EXPECT_EQ(raw.result, hgresult::kSuccess);

    EXPECT_TRUE(Check(QByteArray(2048, 'x'), SentTo(1, "DL")).raw_data);
    ExpectUnexpected(Check(QByteArray(2047, 'x'), SentTo(1, "DL")));

    HGReplyContext download = SentTo(1, "DL");
    download.more_download_state = true;
    EXPECT_TRUE(Check(QByteArray(26, 'x'), download).raw_data);
    // A short reply in the middle of a download is still a framed reply.
    ExpectAccepted(Check("#0120DL" + QByteArray(18, ' '), download), 10);
}

TEST(HGReplyCheck, RejectsShortOrUnframedReplies)
{
    ExpectUnexpected(Check("#0A014", SentTo(0x0A, "40")));
    ExpectUnexpected(Check("", SentTo(0x0A, "40")));
    ExpectUnexpected(Check("$0A0140\r", SentTo(0x0A, "40")));
    ExpectUnexpected(CheckHGReply(nullptr, 100, SentTo(0x0A, "40")));
}

TEST(HGReplyCheck, ForeignIdentifierOnlyForIdentifyAll)
{
    ExpectUnexpected(Check("#0B014003\r", SentTo(0x0A, "40")));
    ExpectAccepted(Check("#0B0154\r", SentTo(0x0A, "54")), hgresult::kSuccess);
    // An identify-all reply reaches a layer that sent something else: the echo rule still holds.
    ExpectUnexpected(Check("#0B0154\r", SentTo(0x0A, "40")));
}

TEST(HGReplyCheck, EchoMustMatchTheCodeSentWithThreeExceptions)
{
    ExpectUnexpected(Check("#0A0141\r", SentTo(0x0A, "40")));
    ExpectAccepted(Check("#0A011203\r", SentTo(0x0A, "WB")), hgresult::kSuccess);
    ExpectUnexpected(Check("#0A0112\r", SentTo(0x0A, "40")));
    ExpectAccepted(Check("#0A016D\r", SentTo(0x0A, "DL")), hgresult::kSuccess);
    ExpectUnexpected(Check("#0A016D\r", SentTo(0x0A, "28")));
    ExpectAccepted(Check("#0A1319\r", SentTo(0x0A, "40")), hgresult::kUnattached);
    ExpectUnexpected(Check("#0A1419\r", SentTo(0x0A, "40")));
}

TEST(HGResultCodes, CodesAndNamesRoundTrip)
{
    for (int index = 0; index < hgresult::kUndocumented; ++index)
        EXPECT_EQ(HGResultIndex(HGResultCode(index).constData()), index);
    EXPECT_EQ(HGResultIndex("13"), hgresult::kUnattached);
    EXPECT_EQ(HGResultIndex("02"), hgresult::kUndocumented);
    EXPECT_EQ(HGResultIndex(""), hgresult::kUndocumented);
    EXPECT_EQ(HGResultIndex(nullptr), hgresult::kUndocumented);
    EXPECT_TRUE(HGResultCode(hgresult::kUnexpected).isEmpty());
    EXPECT_EQ(HGResultName(hgresult::kUnattached), "Unattached, Access Denied");
    EXPECT_EQ(HGResultName(hgresult::kWinSockError), "WinSock Error");
    EXPECT_EQ(HGResultName(kHGResultCount), "");
    EXPECT_FALSE(IsHGError(hgresult::kInProgress));
    EXPECT_TRUE(IsHGError(2));
}

TEST(HGRegisterParse, ReadsSixAndEightDigitRegisters)
{
    const QByteArray date = QByteArray("#0A0109120926") + '\0';
    EXPECT_EQ(ParseHGHex(date, HGPayloadOffset(hgcmd::kDate), 6), 0x120926u);
    const QByteArray ip = QByteArray("#0A014dc0a8ff0a") + '\0';
    EXPECT_EQ(ParseHGHex(ip, HGPayloadOffset(hgcmd::kIP), 8), 0xC0A8FF0Au);
    EXPECT_EQ(ParseHGHex("FFFFFFFF", 0, 8), 0xFFFFFFFFu);
    // A sub-code command's payload starts after the echoed sub-code.
    EXPECT_EQ(ParseHGHex("#0A0104020010", HGPayloadOffset(hgcmd::kPostTrigFrames), 4), 0x10u);
}

TEST(HGRegisterParse, ShortOrForeignTextIsNoValue)
{
    EXPECT_EQ(ParseHGHex(QByteArray("#0A01091209") + '\0', 7, 6), std::nullopt);
    EXPECT_EQ(ParseHGHex("#0A01091209", 7, 6), std::nullopt);
    EXPECT_EQ(ParseHGHex("#0A01091G0926", 7, 6), std::nullopt);
    EXPECT_EQ(ParseHGHex("12", 3, 1), std::nullopt);
    EXPECT_EQ(ParseHGHex("12", size_t(-1), 2), std::nullopt);
    EXPECT_EQ(ParseHGHex("123456789", 0, 9), std::nullopt);
    EXPECT_EQ(ParseHGHex("12", 0, 0), std::nullopt);
}

TEST(HGRegisterParse, PayloadTextEndsAtCarriageReturnOrNul)
{
    EXPECT_EQ(HGPayloadText("#0A0157/DCIM/100\r", 7), "/DCIM/100");
    EXPECT_EQ(HGPayloadText(QByteArray("#0A0147ab") + '\0' + "cd", 7), "ab");
    EXPECT_EQ(HGPayloadText("#0A0147ab", 7), "ab");
    EXPECT_EQ(HGPayloadText("#0A01", 7), "");
    EXPECT_EQ(HGPayloadText("#0A0147", 7), "");
}

TEST(HGAttachReply, ParsesEveryField)
{
    const QByteArray reply = QByteArray("#0A0101") + "0421030102" + "1234" + "abcd" + "0123" + "0F0E" + '\0';
    const std::optional<HGAttachReply> parsed = ParseHGAttachReply(reply, 7);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->type_code, 4);
    EXPECT_EQ(parsed->version, 0x21);
    EXPECT_EQ(parsed->state, 3);
    EXPECT_EQ(parsed->colour_flag, 1);
    EXPECT_EQ(parsed->spare_byte, 2);
    EXPECT_EQ(parsed->words, (std::array<uint16_t, 3> { 0x1234, 0xABCD, 0x0123 }));
    EXPECT_EQ(parsed->last_word, 0x0F0E);
}

TEST(HGAttachReply, ShortBadOrOutOfRangeReplies)
{
    const QByteArray payload = "0421030102123412340123000";
    EXPECT_FALSE(ParseHGAttachReply("#0A0101" + payload, 7));
    EXPECT_TRUE(ParseHGAttachReply("#0A0101" + payload + "0", 7));
    EXPECT_FALSE(ParseHGAttachReply("#0A0101" + payload + "0", 8));
    EXPECT_FALSE(ParseHGAttachReply("#0A0101" + payload + "X", 7));
    EXPECT_FALSE(ParseHGAttachReply("#0A0101x421030102123412340123000", 7));
    EXPECT_FALSE(ParseHGAttachReply("#0A01", size_t(-3)));
    // A state the imager should never report is unknown, not a known state.
    EXPECT_EQ(ParseHGAttachReply("04217F0102123412340123000F", 0)->state, kImagerStateUnknown);
}

TEST(HGClock, DateAndTimeInBcd)
{
    EXPECT_EQ(HGDateRegister(QDate(2026, 12, 9)), 0x120926u);
    EXPECT_EQ(HGDateRegister(QDate(2000, 1, 31)), 0x013100u);
    EXPECT_EQ(HGDateRegister(QDate(1999, 7, 4)), 0x070499u);
    EXPECT_EQ(HGTimeRegister(QTime(23, 59, 7)), 0x235907u);
    EXPECT_EQ(HGTimeRegister(QTime(0, 0, 0)), 0u);
    EXPECT_EQ(HGDateRegister(QDate()), 0u);
    EXPECT_EQ(HGTimeRegister(QTime()), 0u);
    EXPECT_EQ(
        HGHexArgument(HGDateRegister(QDate(2026, 12, 9)), HGCommand(hgcmd::kDate).width_digits), "120926");
}

TEST(HGListing, DatagramTakesLinesUpToTheEndMark)
{
    QStringList list;
    const bool more = TakeHGListingDatagram("{START}\r[ROOT]\rDCIM:\r.\r..\r\r  4 File(s)  1024 bytes\r"
                                            "VOLUME 1\r{END}\rLATE:\r",
        list);
    EXPECT_FALSE(more);
    EXPECT_EQ(list, (QStringList { "[ROOT]", "VOLUME 1", "DCIM:" }));
}

TEST(HGListing, DatagramWithMoreContinuesTheSameList)
{
    QStringList list;
    EXPECT_TRUE(TakeHGListingDatagram("{START}\rA:\rB:\r<MORE>", list));
    EXPECT_TRUE(TakeHGListingDatagram("{START}\rC:\r<MORE>\r", list));
    EXPECT_FALSE(TakeHGListingDatagram("{START}\rD:\r{END}", list));
    EXPECT_EQ(list, (QStringList { "A:", "B:", "C:", "D:" }));
}

TEST(HGListing, OtherLinesReplaceTheSecondEntryOnlyOnceThereAreTwo)
{
    QStringList list;
    TakeHGListingDatagram("{START}\rFIRST\rSECOND\rTHIRD\r{END}", list);
    EXPECT_EQ(list, (QStringList { "FIRST", "THIRD" }));
}

TEST(HGListing, DatagramWithoutMarksOrWithNulStaysBounded)
{
    QStringList list;
    EXPECT_FALSE(TakeHGListingDatagram("[ROOT]\rX:", list));
    EXPECT_EQ(list, (QStringList { "[ROOT]", "PC Card", "X:" }));
    list.clear();
    EXPECT_FALSE(TakeHGListingDatagram(QByteArray("{START}\rA:\r") + '\0' + "B:\r<MORE>", list));
    EXPECT_EQ(list, QStringList { "A:" });
    list.clear();
    EXPECT_FALSE(TakeHGListingDatagram({}, list));
    EXPECT_TRUE(list.isEmpty());
}

TEST(HGListing, SerialLinesEndAtTheFreeLine)
{
    QStringList list;
    const char* lines[] = { "{START}\r", "[ROOT]\r", ".\r", "..\r", "DCIM:\r", "  2 File(s)  3 bytes\r",
        "LABEL\r", "\r", "CLIP.BAY" };
    for (const char* line : lines)
        EXPECT_FALSE(TakeHGListingLine(line, list)) << line;
    EXPECT_TRUE(TakeHGListingLine("  1024000 bytes free\r", list));
    EXPECT_EQ(list, (QStringList { "[ROOT]", "CLIP.BAY", "DCIM:" }));
    // The start mark is recognised also when the carriage return was already taken off.
    EXPECT_FALSE(TakeHGListingLine("{START}", list));
    EXPECT_EQ(list.size(), 3);
}

TEST(HGImagerTables, StatesAndTypes)
{
    EXPECT_EQ(ClampImagerState(-1), kImagerStateUnknown);
    EXPECT_EQ(ClampImagerState(11), kImagerStateUnknown);
    EXPECT_EQ(ClampImagerState(0), 0);
    EXPECT_EQ(ClampImagerState(9), 9);
    EXPECT_EQ(HGStateName(9), "Ethernet Downloading");
    EXPECT_EQ(HGStateName(255), "Unknown");
    EXPECT_EQ(HGStateName(-4), "Unknown");
    EXPECT_EQ(HGTypeName(3), "RO (Ext. Exposure)");
    EXPECT_EQ(HGKindNameOfType(3), "Kodak RO");
    EXPECT_EQ(HGKindNameOfType(6), "Roper HG 2000-TX");
    for (const int type : { 0, 7, -1 }) {
        EXPECT_EQ(HGTypeName(type), "Unknown");
        EXPECT_EQ(HGKindNameOfType(type), "Unknown");
    }
    EXPECT_FALSE(IsNewModelType(3));
    EXPECT_TRUE(IsNewModelType(4));
}

} // namespace
} // namespace fw
