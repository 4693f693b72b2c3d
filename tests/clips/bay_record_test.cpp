#include "clips/bay_record.h"

#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "clips/descriptor_block.h"

namespace fw {
namespace {

BayRecord RecordWith(const char* signature, uint8_t camera_code, uint8_t rate_code = 0)
{
    BayRecord record;
    std::memcpy(record.bytes.data(), signature, 8);
    record.bytes[8] = camera_code;
    record.bytes[11] = rate_code;
    return record;
}

void SetDate(BayRecord& record, uint8_t year, uint8_t month, uint8_t day, uint8_t hours = 0x12)
{
    const uint8_t bcd[6] = { 0x30, 0x45, hours, day, month, year };
    std::memcpy(record.bytes.data() + 33, bcd, sizeof bcd);
}

TEST(BayRecord, ParsesOnlyWholeRecordsAndCarriesEveryByte)
{
    std::mt19937 random(1);
    std::array<uint8_t, 1100> bytes {};
    for (uint8_t& b : bytes)
        b = uint8_t(random());
    EXPECT_FALSE(ParseBayRecord(bytes.data(), 1023));
    EXPECT_FALSE(ParseBayRecord(nullptr, 1024));
    const std::optional<BayRecord> record = ParseBayRecord(bytes.data(), bytes.size());
    ASSERT_TRUE(record);
    const std::array<uint8_t, 1024> written = SerialiseBayRecord(*record);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), bytes.begin()));
}

TEST(BayRecord, ReadsItsFieldsAtTheirOffsets)
{
    BayRecord record = RecordWith("EK BAY 2", 2);
    record.bytes[9] = 17;
    record.bytes[10] = 4;
    record.bytes[119] = 0x01; // big-endian 0x0102
    record.bytes[120] = 0x02;
    record.bytes[896] = 'F';
    record.bytes[897] = 'W';
    record.bytes[896 + 2 * 20] = 0xFE; // little-endian -2 in the last word
    record.bytes[896 + 2 * 20 + 1] = 0xFF;
    EXPECT_TRUE(record.HasKnownSignature());
    EXPECT_FALSE(record.IsColor());
    EXPECT_EQ(record.SessionId(), 17);
    EXPECT_EQ(record.CameraId(), 4);
    EXPECT_EQ(record.ExposureCode(), 0x0102);
    EXPECT_TRUE(record.ProcessingBlockValid());
    EXPECT_EQ(record.Word(20), -2);
    EXPECT_EQ(record.Word(21), 0);

    record.SetWord(size_t(BayWord::Gamma), -1234);
    EXPECT_EQ(record.bytes[896 + 14], 0x2E);
    EXPECT_EQ(record.bytes[896 + 15], 0xFB);
    record.SetWord(21, 5); // past the block: the bytes after it stay
    EXPECT_EQ(record.bytes[938], 0);

    for (const char* known : { "EK BAYER", "RO BAY 2", "ML BAY 2" })
        EXPECT_TRUE(RecordWith(known, 1).HasKnownSignature()) << known;
    EXPECT_FALSE(RecordWith("EK BAY 3", 1).HasKnownSignature());
    EXPECT_TRUE(RecordWith("EK BAYER", 0).IsColor());
}

TEST(BayRecord, TitlesAreCutAndZeroPadded)
{
    BayRecord record;
    record.bytes.fill(0x41);
    record.SetTitles(std::string(700, 'x'));
    EXPECT_EQ(record.Titles(), std::string(640, 'x'));
    EXPECT_EQ(record.bytes[896], 0x41);
    record.SetTitles("Run=3\rLens=50 mm");
    EXPECT_EQ(record.Titles(), "Run=3\rLens=50 mm");
    EXPECT_EQ(record.bytes[256 + 639], 0);
}

TEST(BayRecord, TextsDependOnTheSignature)
{
    EXPECT_EQ(BayCameraTypeText(RecordWith("ML BAY 2", 1)), "RO Color");
    EXPECT_EQ(BayCameraTypeText(RecordWith("ML BAY 2", 2)), "RO Monochrome");
    EXPECT_EQ(BayCameraTypeText(RecordWith("EK BAY 2", 1)), "HG Color");
    EXPECT_EQ(BayCameraTypeText(RecordWith("RO BAY 2", 2)), "HG Monochrome");
    EXPECT_EQ(BayCameraTypeText(RecordWith("EK BAY 2", 9)), "?");

    EXPECT_EQ(BayRecordingRateText(RecordWith("ML BAY 2", 1, 3)), "1000");
    EXPECT_EQ(BayRecordingRateText(RecordWith("ML BAY 2", 1, 4)), "?");
    EXPECT_EQ(BayRecordingRateText(RecordWith("EK BAYER", 1, 0)), "Exte");
    EXPECT_EQ(BayRecordingRateText(RecordWith("EK BAYER", 1, 7)), "2000");
    EXPECT_EQ(BayRecordingRateText(RecordWith("EK BAYER", 1, 8)), "Exte");

    EXPECT_EQ(BayExposureText(23), "23");
    EXPECT_EQ(BayExposureText(3), "1 mS");
    EXPECT_EQ(BayExposureText(1), "50 uS");
    EXPECT_EQ(BayExposureText(9), "?");
    EXPECT_EQ(BayExposureText(-1), "?");
    EXPECT_EQ(BayExposureText(22), "?");

    EXPECT_EQ(BayFrameRate("125"), 125);
    EXPECT_EQ(BayFrameRate("Exte"), 1000);
    EXPECT_EQ(BayFrameRate("?"), 1000);
}

TEST(BayRecord, DateRules)
{
    EXPECT_EQ(BayYear(98), 1998);
    EXPECT_EQ(BayYear(99), 2099);
    EXPECT_EQ(BayYear(5), 2005);
    EXPECT_EQ(BayYear(50), 2050);
    EXPECT_EQ(BayYear(51), 1951);

    BayRecord record = RecordWith("EK BAY 2", 1);
    SetDate(record, 0x98, 0x12, 0x31);
    ASSERT_TRUE(BayRecordDateTime(record));
    EXPECT_EQ(*BayRecordDateTime(record), QDateTime(QDate(1998, 12, 31), QTime(12, 45, 30)));
    SetDate(record, 0x99, 0x01, 0x02);
    EXPECT_EQ(BayRecordDateTime(record)->date(), QDate(2099, 1, 2));
    SetDate(record, 0x05, 0x02, 0x29); // 2005 was no leap year
    EXPECT_FALSE(BayRecordDateTime(record));
    SetDate(record, 0x05, 0x13, 0x01);
    EXPECT_FALSE(BayRecordDateTime(record));
    SetDate(record, 0x05, 0x01, 0x01, 0x24);
    EXPECT_FALSE(BayRecordDateTime(record));
    record.bytes.fill(0xFF);
    EXPECT_FALSE(BayRecordDateTime(record));
}

TEST(BayRecord, FrameTimeWordsRoundTrip)
{
    const std::array<int32_t, 3> words = SplitBayFrameTime(61234.5678);
    EXPECT_EQ(words, (std::array<int32_t, 3> { 61, 234, 568 }));
    EXPECT_DOUBLE_EQ(BayFrameTimeMs(61, 234, 568), 61234.568);
    // Uncarried counters still read as the right time.
    EXPECT_DOUBLE_EQ(BayFrameTimeMs(0, 1999, 1500), 2000.5);
    EXPECT_EQ(SplitBayFrameTime(-1.5), (std::array<int32_t, 3> { 0, -1, -500 }));
}

TEST(BayRecord, FillsTheCameraAndTimingDescriptors)
{
    BayRecord record = RecordWith("EK BAY 2", 1, 3);
    record.bytes[9] = 7;
    record.bytes[10] = 200;
    record.bytes[120] = 3;
    std::string block;
    const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
    SetBayDescriptors(block, record, when, 2);
    const auto value = [&block](const char* section, const char* name) {
        std::string text;
        EXPECT_TRUE(GetDescriptorValue(block, section, name, text)) << name;
        return text;
    };
    EXPECT_EQ(value("Camera", "Camera Type"), "HG Color");
    EXPECT_EQ(value("Camera", "Camera ID"), "200");
    EXPECT_EQ(value("Camera", "Session ID"), "7");
    EXPECT_EQ(value("Camera", "Recording Rate"), "125");
    EXPECT_EQ(value("Camera", "Exposure Setting"), "1 mS");
    EXPECT_EQ(value("Camera", "Date and Time"), BayDateTimeText(when).toStdString());
    EXPECT_EQ(value("Timing", "Frame Rate"), "62.5");

    SetBayDescriptors(block, RecordWith("EK BAY 2", 1, 0), when, 3);
    EXPECT_EQ(value("Timing", "Frame Rate"), "333.3333");
    SetBayDescriptors(block, record, when, 0);
    EXPECT_EQ(value("Timing", "Frame Rate"), "1000");
}

} // namespace
} // namespace fw
