#include "clips/kodaky_whacker.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "clips/tif_errors.h"
#include "clips/tif_file.h"
#include "clips/tif_test_files.h"
#include "support/fw_error.h"

namespace fw {
namespace {

// A camera block with the identifier placed a little way in, as the imagers write it.
std::vector<uint8_t> Block(const char* identifier, uint8_t colour = 1, uint8_t camera = 7)
{
    std::vector<uint8_t> block(123, 0);
    std::memcpy(block.data() + 1, identifier, std::strlen(identifier));
    block[10] = colour;
    block[11] = 42;
    block[12] = camera;
    block[13] = 6;
    block[15] = 3;
    // 14:05:09 on 28 February 2001, in BCD.
    const uint8_t when[] = { 0x09, 0x05, 0x14, 0x28, 0x02, 0x01 };
    std::memcpy(block.data() + 35, when, sizeof when);
    return block;
}

TKodakyWhacker Whacker(const std::vector<uint8_t>& block)
{
    return TKodakyWhacker(block.data(), block.size());
}

TEST(TKodakyWhackerTest, CameraTexts)
{
    const TKodakyWhacker hg = Whacker(Block("EK ML TIF"));
    EXPECT_EQ(hg.CameraType(), QStringLiteral("HG Model 2000 Color (tif)"));
    EXPECT_EQ(hg.CameraID(), QStringLiteral("7"));
    EXPECT_EQ(hg.SessionID(), QStringLiteral("42"));
    EXPECT_EQ(hg.RecordingRate(), QStringLiteral("1000"));
    const TKodakyWhacker corder = Whacker(Block("EK MC TIF"));
    EXPECT_EQ(corder.CameraType(), QStringLiteral("Motion 'Corder Color (tif)"));
    EXPECT_EQ(corder.CameraID(), QStringLiteral("n/a"));
    EXPECT_EQ(Whacker(Block("EK ML TIF", 2)).CameraType(), QStringLiteral("HG Model 2000 Monochrome (tif)"));
    EXPECT_EQ(Whacker(Block("EK ML TIF", 9)).CameraType(), QStringLiteral("HG Model 2000 (tif)"));
    // The Motion 'Corder identifier wins when a block holds both.
    std::vector<uint8_t> both = Block("EK ML TIF");
    std::memcpy(both.data() + 60, "EK MC TIF", 9);
    EXPECT_EQ(Whacker(both).CameraID(), QStringLiteral("n/a"));
}

TEST(TKodakyWhackerTest, UnknownBlocksAreRefused)
{
    std::vector<uint8_t> short_block = Block("EK ML TIF");
    short_block.resize(122);
    for (const std::vector<uint8_t>& block : { short_block, Block("EK XX TIF") }) {
        try {
            Whacker(block);
            FAIL() << "accepted";
        } catch (const Error& failure) {
            EXPECT_STREQ(failure.what(), "Unknown Kodak Imager File");
        }
    }
    EXPECT_THROW(TKodakyWhacker(nullptr, 200), Error);
}

TEST(TKodakyWhackerTest, RecordingRateAndExposureTables)
{
    const char* const rates[] = { "Exte", "30", "60", "125", "250", "500", "1000", "2000", "?", "?" };
    for (uint8_t code = 0; code < 10; ++code) {
        std::vector<uint8_t> block = Block("EK ML TIF");
        block[13] = code;
        EXPECT_EQ(Whacker(block).RecordingRate(), QString::fromLatin1(rates[code])) << int(code);
    }
    struct Case {
        uint8_t high;
        uint8_t low;
        const char* text;
    };
    const Case cases[] = { { 0x00, 0x00, "?" }, { 0x00, 0x01, "50 uS" }, { 0x00, 0x02, "100 uS" },
        { 0x00, 0x03, "1 mS" }, { 0x00, 0x04, "2 mS" }, { 0x00, 0x05, "4 mS" }, { 0x00, 0x06, "6" },
        { 0x00, 0x09, "9" }, { 0x01, 0x00, "256" }, { 0xFF, 0xFF, "-1" }, { 0x80, 0x00, "-32768" } };
    for (const Case& c : cases) {
        std::vector<uint8_t> block = Block("EK ML TIF");
        block[14] = c.high;
        block[15] = c.low;
        EXPECT_EQ(Whacker(block).Exposure(), QString::fromLatin1(c.text)) << c.text;
    }
}

TEST(TKodakyWhackerTest, DateAndTimeFromBcd)
{
    EXPECT_EQ(Whacker(Block("EK ML TIF")).DateAndTime(), QStringLiteral("2001-02-28 14:05:09"));
    struct Case {
        uint8_t year;
        const char* text;
    };
    // Years up to 50 and 99 fall in this century, the others in the last.
    const Case years[] = { { 0x00, "2000-02-28 14:05:09" }, { 0x50, "2050-02-28 14:05:09" },
        { 0x51, "1951-02-28 14:05:09" }, { 0x98, "1998-02-28 14:05:09" }, { 0x99, "2099-02-28 14:05:09" } };
    for (const Case& c : years) {
        std::vector<uint8_t> block = Block("EK ML TIF");
        block[40] = c.year;
        EXPECT_EQ(Whacker(block).DateAndTime(), QString::fromLatin1(c.text)) << c.text;
    }
    std::vector<uint8_t> bad_day = Block("EK ML TIF");
    bad_day[38] = 0x30; // 30 February
    EXPECT_EQ(Whacker(bad_day).DateAndTime(), QStringLiteral("?"));
    std::vector<uint8_t> bad_hour = Block("EK ML TIF");
    bad_hour[37] = 0x25;
    EXPECT_EQ(Whacker(bad_hour).DateAndTime(), QStringLiteral("?"));
    std::vector<uint8_t> not_bcd = Block("EK ML TIF");
    not_bcd[39] = 0xFF;
    EXPECT_EQ(Whacker(not_bcd).DateAndTime(), QStringLiteral("?"));
}

// The block comes from tag 34071 of a frame file; a frame without it says which tag is missing.
TEST(TKodakyWhackerTest, BlockFromAFrameFile)
{
    constexpr uint32_t kDataAt = 8 + 2 + 9 * 12 + 4;
    const std::vector<uint8_t> block = Block("EK MC TIF");
    tif_test::RawTiff raw;
    raw.Directory({ { 256, 3, 1, 2 }, { 257, 3, 1, 1 }, { 258, 3, 1, 8 }, { 259, 3, 1, 1 }, { 262, 3, 1, 1 },
        { 273, 4, 1, kDataAt + 123 }, { 277, 3, 1, 1 }, { 279, 4, 1, 2 }, { 34071, 1, 123, kDataAt } });
    raw.Bytes(block);
    raw.Bytes({ 1, 2 });
    TIFFile file;
    file.LoadFromBytes(raw.Data());
    const TIFDEntry& tag = file.RequiredTag(tif_tag::kCameraBlock);
    EXPECT_EQ(tag.Bytes(), block);
    EXPECT_EQ(TKodakyWhacker(tag.Bytes().data(), tag.Count()).CameraType(),
        QStringLiteral("Motion 'Corder Color (tif)"));

    file.RemoveTag(tif_tag::kCameraBlock);
    EXPECT_THROW(file.RequiredTag(tif_tag::kCameraBlock), MissingTagException);
}

} // namespace
} // namespace fw
