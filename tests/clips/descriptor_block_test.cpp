#include "clips/descriptor_block.h"

#include <gtest/gtest.h>

#include "block_text.h"

namespace fw {
namespace {

using Lines = std::vector<std::string>;

Lines Section(const std::string& block, const std::string& header)
{
    Lines lines;
    ReadDescriptorSection(block, header, lines);
    return lines;
}

std::string Get(const std::string& block, const std::string& section, const std::string& name)
{
    std::string value;
    return GetDescriptorValue(block, section, name, value) ? value : "<missing>";
}

const std::string kBlock = B("[Timing]|Frame Rate=2000|Mark Frame=10|Time at Mark Frame=-3.5|"
                             "[Camera]|Camera Type=HG 2000|Camera ID=17|"
                             "[Titles]|Title=Sled run|Imager Name=Left|");

TEST(DescriptorSection, ListsTheLinesOfOneSection)
{
    EXPECT_EQ(Section(kBlock, "[Timing]"),
        (Lines { "Frame Rate=2000", "Mark Frame=10", "Time at Mark Frame=-3.5" }));
    EXPECT_TRUE(Section(kBlock, "[Scaling]").empty());
    EXPECT_TRUE(Section("[Timing]", "[Timing]").empty());
    // Line feeds, blanks and punctuation before a line are skipped; "." does not start a line.
    EXPECT_EQ(Section(B("[T]|\nTitle=a|\n \t*Note=b|\n+c|.5f|\n[C]|X=1|"), "[T]"),
        (Lines { "Title=a", "Note=b", "+c", "5f" }));
    // A "[" ends the list only at a line start; a zero byte ends the text.
    std::string block = B("[T]|Title=Run [3]|Imager Name=L|  [Scaling]|GageLength=1|");
    EXPECT_EQ(Section(block, "[T]"), (Lines { "Title=Run [3]", "Imager Name=L" }));
    block = B("[T]|A=1|") + '\0' + B("B=2|");
    EXPECT_EQ(Section(block, "[T]"), (Lines { "A=1" }));
}

TEST(DescriptorSection, LongLinesAreCutAndTheScanGoesOn)
{
    const std::string long_value(300, 'x');
    const Lines lines = Section(B("[T]|Note=" + long_value + "|Next=1|"), "[T]");
    EXPECT_EQ(lines, (Lines { "Note=" + long_value.substr(0, 250), "Next=1" }));
}

TEST(DescriptorValue, GetsExactNamesWithinTheirSection)
{
    EXPECT_EQ(Get(kBlock, "Timing", "Frame Rate"), "2000");
    EXPECT_EQ(Get(kBlock, "Titles", "Imager Name"), "Left");
    EXPECT_EQ(Get(kBlock, "Timing", "frame rate"), "<missing>");
    EXPECT_EQ(Get(kBlock, "Timing", "Frame"), "<missing>");
    EXPECT_EQ(Get(kBlock, "Timing", "Camera ID"), "<missing>");
    EXPECT_EQ(Get(kBlock, "Scaling", "Factor"), "<missing>");
    EXPECT_EQ(Get(B("[S]|A=tail"), "S", "A"), "tail");
    // With CR+LF line ends no name follows a carriage return directly: nothing is found.
    EXPECT_EQ(Get(B("[Timing]|\nFrame Rate=2000|\n"), "Timing", "Frame Rate"), "<missing>");
}

TEST(DescriptorValue, BracketInsideAValueDoesNotEndTheSection)
{
    std::string block = B("[Titles]|Title=Run [3]|Imager Name=Left|[Scaling]|Factor=2|");
    EXPECT_EQ(Get(block, "Titles", "Imager Name"), "Left");
    SetDescriptorValue(block, "Titles", "Imager Name", "Right");
    SetDescriptorValue(block, "Titles", "Operator", "K");
    EXPECT_EQ(block, B("[Titles]|Title=Run [3]|Imager Name=Right|Operator=K|[Scaling]|Factor=2|"));
    EXPECT_EQ(Get(block, "Titles", "Factor"), "<missing>");
}

TEST(DescriptorValue, SetEditsInPlaceInsertsOrAppends)
{
    std::string block = kBlock;
    SetDescriptorValue(block, "Timing", "Mark Frame", "0");
    std::string expected = kBlock;
    expected.replace(expected.find(B("=10|")) + 1, 2, "0");
    EXPECT_EQ(block, expected);

    SetDescriptorValue(block, "Camera", "Session ID", "42");
    EXPECT_NE(block.find(B("Camera ID=17|Session ID=42|[Titles]")), std::string::npos);
    const std::string before_scaling = block;
    SetDescriptorValue(block, "Scaling", "GageLength", "10");
    SetDescriptorValue(block, "Scaling", "GageUnits", "mm");
    EXPECT_EQ(block, before_scaling + B("[Scaling]|GageLength=10|GageUnits=mm|"));

    std::string empty;
    SetDescriptorNumber(empty, "Timing", "Frame Rate", 2000);
    EXPECT_EQ(empty, B("[Timing]|Frame Rate=2000|"));
}

TEST(DescriptorValue, SetNeverRunsIntoALastLineWithoutItsCarriageReturn)
{
    std::string block = B("[S]|A=old");
    SetDescriptorValue(block, "S", "A", "new");
    EXPECT_EQ(block, B("[S]|A=new"));
    SetDescriptorValue(block, "S", "B", "2");
    EXPECT_EQ(block, B("[S]|A=new|B=2|"));
    block = "[S]";
    SetDescriptorValue(block, "S", "B", "2");
    EXPECT_EQ(block, B("[S]|B=2|"));
    block = B("[S]|A=1");
    SetDescriptorValue(block, "T", "B", "2");
    EXPECT_EQ(block, B("[S]|A=1|[T]|B=2|"));
    // After a line feed a new entry still starts after a carriage return, so it can be found.
    block = B("[S]|\nA=1|\n");
    SetDescriptorValue(block, "S", "A", "2");
    EXPECT_EQ(Get(block, "S", "A"), "2");
}

TEST(DescriptorNumber, ParsesDecimalTextOnly)
{
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        { " -8.5 ", true, -8.5 },
        { "+.5", true, 0.5 },
        { "5.", true, 5 },
        { "2E+2", true, 200 },
        { "", false, 0 },
        { "-", false, 0 },
        { ".", false, 0 },
        { "1e", false, 0 },
        { "1,5", false, 0 },
        { "0x10", false, 0 },
        { "inf", false, 0 },
        { "nan", false, 0 },
        { "1 2", false, 0 },
        { "12abc", false, 0 },
        { "1e999", false, 0 },
        { "?", false, 0 },
    };
    for (const Case& c : cases) {
        double number = -12345;
        EXPECT_EQ(ParseDescriptorNumber(c.text, number), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(number, c.ok ? c.value : -12345) << c.text;
    }
    double number = 0;
    EXPECT_TRUE(GetDescriptorNumber(kBlock, "Timing", "Time at Mark Frame", number));
    EXPECT_DOUBLE_EQ(number, -3.5);
    EXPECT_FALSE(GetDescriptorNumber(kBlock, "Camera", "Camera Type", number));

    int32_t whole = 0;
    EXPECT_TRUE(ParseDescriptorWholeNumber(" -12 ", whole));
    EXPECT_EQ(whole, -12);
    EXPECT_FALSE(ParseDescriptorWholeNumber("1.5", whole));
    EXPECT_FALSE(ParseDescriptorWholeNumber("2147483648", whole));
}

TEST(DescriptorNumber, ShortestGeneralForm)
{
    EXPECT_EQ(FormatGeneral(2000), "2000");
    EXPECT_EQ(FormatGeneral(-8.5), "-8.5");
    EXPECT_EQ(FormatGeneral(1000.0 / 3.0), "333.333333333333");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
    EXPECT_EQ(FormatGeneral(0.00001), "0.00001");
    EXPECT_EQ(FormatGeneral(0.000001), "1E-6");
    EXPECT_EQ(FormatGeneral(-1.5e-7), "-1.5E-7");
    EXPECT_EQ(FormatGeneral(1e20), "1E20");
    EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatGeneral(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatGeneral(99.999999999999995), "100");
    EXPECT_EQ(FormatGeneral(30.0000011444092, 7), "30");
    for (double v : { 1e-300, 2.5e-5, 1.0 / 7, 6.02e23, -1e300 }) {
        double back = 0;
        ASSERT_TRUE(ParseDescriptorNumber(FormatGeneral(v), back)) << FormatGeneral(v);
        EXPECT_EQ(FormatGeneral(back), FormatGeneral(v));
    }
}

TEST(DescriptorBlockBuild, BuildsTheThreeSectionsInOrder)
{
    EXPECT_EQ(BuildDescriptorBlock(2000, 10, -3.5, { "Camera Type=HG 2000" }, { "Title=Sled run" }),
        B("[Timing]|Frame Rate=2000|Mark Frame=10|Time at Mark Frame=-3.5|"
          "[Camera]|Camera Type=HG 2000|[Titles]|Title=Sled run|"));
}

TEST(DescriptorChunk, StoresExactly2048BytesAndReadsToTheFirstZero)
{
    const auto chunk = DescriptorChunkBytes(kBlock);
    EXPECT_EQ(chunk[kBlock.size()], 0);
    EXPECT_EQ(DescriptorFromChunk(chunk.data(), chunk.size()), kBlock);

    // A long block is cut to 2048 bytes with no terminating zero, and reads back as those bytes.
    const std::string long_block = B("[Titles]|Note=") + std::string(3000, 'n');
    const auto cut = DescriptorChunkBytes(long_block);
    EXPECT_EQ(cut[2047], 'n');
    EXPECT_EQ(DescriptorFromChunk(cut.data(), cut.size()), long_block.substr(0, 2048));
    const std::vector<uint8_t> bigger(4096, 'x');
    EXPECT_EQ(DescriptorFromChunk(bigger.data(), bigger.size()).size(), 2048u);
    EXPECT_EQ(DescriptorFromChunk(bigger.data(), 5), "xxxxx");
    EXPECT_EQ(DescriptorFromChunk(nullptr, 0), "");
}

TEST(DescriptorTimingParse, ListsAndFallbacks)
{
    DescriptorTiming timing = ParseDescriptorTiming(kBlock);
    EXPECT_EQ(timing.camera_lines, (Lines { "Camera Type=HG 2000", "Camera ID=17" }));
    EXPECT_EQ(timing.title_lines, (Lines { "Title=Sled run", "Imager Name=Left" }));
    // Unknown or unusable values fall back: rate 1000, mark 0, time 0.
    for (const char* rate : { "?", "0", "-25" }) {
        timing = ParseDescriptorTiming(
            B("[Timing]|Frame Rate=") + rate + B("|Mark Frame=2.5|Time at Mark Frame=x|"));
        EXPECT_DOUBLE_EQ(timing.frame_period_ms, 1.0) << rate;
        EXPECT_DOUBLE_EQ(timing.first_frame_time_ms, 0.0) << rate;
    }
    timing = ParseDescriptorTiming(B("[Timing]|Frame Rate=500|Mark Frame=-4|"));
    EXPECT_DOUBLE_EQ(timing.first_frame_time_ms, 8.0);
}

} // namespace
} // namespace fw
