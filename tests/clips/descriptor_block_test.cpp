#include "clips/descriptor_block.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

// Blocks in tests are written with "|" for the carriage return, which keeps them readable.
std::string B(std::string text)
{
    for (char& c : text) {
        if (c == '|')
            c = '\r';
    }
    return text;
}

std::vector<std::string> Section(const std::string& block, const std::string& header)
{
    std::vector<std::string> lines;
    ReadDescriptorSection(block, header, lines);
    return lines;
}

const std::string kBlock = B("[Timing]|Frame Rate=2000|Mark Frame=10|Time at Mark Frame=-3.5|"
                             "[Camera]|Camera Type=HG 2000|Camera ID=17|"
                             "[Titles]|Title=Sled run|Imager Name=Left|");

TEST(DescriptorSection, ListsEntryLinesOfOneSectionOnly)
{
    EXPECT_EQ(Section(kBlock, "[Timing]"),
        (std::vector<std::string> { "Frame Rate=2000", "Mark Frame=10", "Time at Mark Frame=-3.5" }));
    EXPECT_EQ(
        Section(kBlock, "[Titles]"), (std::vector<std::string> { "Title=Sled run", "Imager Name=Left" }));
    EXPECT_TRUE(Section(kBlock, "[Scaling]").empty());
    // A header with nothing after it, not even its carriage return, lists nothing.
    EXPECT_TRUE(Section("[Timing]", "[Timing]").empty());

    std::vector<std::string> list { "kept" };
    ReadDescriptorSection(kBlock, "[Camera]", list);
    EXPECT_EQ(list, (std::vector<std::string> { "kept", "Camera Type=HG 2000", "Camera ID=17" }));
}

TEST(DescriptorSection, SkipsLineFeedsBlanksAndPunctuationBeforeALine)
{
    const std::string crlf = B("[Titles]|\nTitle=a|\n  \t*Note=b|\n[Camera]|\nX=1|\n");
    EXPECT_EQ(Section(crlf, "[Titles]"), (std::vector<std::string> { "Title=a", "Note=b" }));
    // "+", ",", "-", "=" and "_" start a line; "." does not.
    EXPECT_EQ(Section(B("[S]|+a|,b|-c|=d|_e|.5f|"), "[S]"),
        (std::vector<std::string> { "+a", ",b", "-c", "=d", "_e", "5f" }));
}

TEST(DescriptorSection, LongLinesAreCutAndTheScanGoesOn)
{
    const std::string long_value(300, 'x');
    const auto lines = Section(B("[Titles]|Note=" + long_value + "|Next=1|"), "[Titles]");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 255u);
    EXPECT_EQ(lines[0], "Note=" + long_value.substr(0, 250));
    EXPECT_EQ(lines[1], "Next=1");
}

TEST(DescriptorSection, BracketEndsTheListOnlyAtALineStartAndZeroEndsIt)
{
    const std::string block = B("[Titles]|Title=Run [3]|Imager Name=L|  [Scaling]|GageLength=1|");
    EXPECT_EQ(Section(block, "[Titles]"), (std::vector<std::string> { "Title=Run [3]", "Imager Name=L" }));
    std::string with_zero = B("[Titles]|A=1|");
    with_zero += '\0';
    with_zero += B("B=2|");
    EXPECT_EQ(Section(with_zero, "[Titles]"), (std::vector<std::string> { "A=1" }));
}

TEST(DescriptorValue, GetsEntriesOfTheNamedSectionExactly)
{
    std::string value;
    ASSERT_TRUE(GetDescriptorValue(kBlock, "Timing", "Frame Rate", value));
    EXPECT_EQ(value, "2000");
    ASSERT_TRUE(GetDescriptorValue(kBlock, "Titles", "Imager Name", value));
    EXPECT_EQ(value, "Left");
    // Names are exact and case-sensitive, and an entry of another section is not found.
    EXPECT_FALSE(GetDescriptorValue(kBlock, "Timing", "frame rate", value));
    EXPECT_FALSE(GetDescriptorValue(kBlock, "Timing", "Frame", value));
    EXPECT_FALSE(GetDescriptorValue(kBlock, "Timing", "Camera ID", value));
    EXPECT_FALSE(GetDescriptorValue(kBlock, "Scaling", "Factor", value));
    // The last value may run to the end of the text.
    ASSERT_TRUE(GetDescriptorValue(B("[S]|A=tail"), "S", "A", value));
    EXPECT_EQ(value, "tail");
    ASSERT_TRUE(GetDescriptorValue(B("[S]|A=|"), "S", "A", value));
    EXPECT_EQ(value, "");
}

TEST(DescriptorValue, LineFeedsHideEveryEntryFromGetting)
{
    // Lines end with a carriage return alone; with CR+LF no name directly follows a CR.
    const std::string crlf = B("[Timing]|\nFrame Rate=2000|\nMark Frame=4|\n");
    std::string value;
    EXPECT_FALSE(GetDescriptorValue(crlf, "Timing", "Frame Rate", value));
    EXPECT_FALSE(GetDescriptorValue(crlf, "Timing", "Mark Frame", value));
}

TEST(DescriptorValue, BracketInsideAValueDoesNotEndTheSection)
{
    std::string block = B("[Titles]|Title=Run [3]|Imager Name=Left|[Scaling]|Factor=2|");
    std::string value;
    ASSERT_TRUE(GetDescriptorValue(block, "Titles", "Imager Name", value));
    EXPECT_EQ(value, "Left");

    SetDescriptorValue(block, "Titles", "Imager Name", "Right");
    SetDescriptorValue(block, "Titles", "Operator", "K");
    EXPECT_EQ(block, B("[Titles]|Title=Run [3]|Imager Name=Right|Operator=K|[Scaling]|Factor=2|"));
    // A line that begins with "[" still ends the section.
    EXPECT_FALSE(GetDescriptorValue(block, "Titles", "Factor", value));
}

TEST(DescriptorValue, SetReplacesOnlyTheValueBytes)
{
    std::string block = kBlock;
    SetDescriptorValue(block, "Timing", "Mark Frame", "0");
    std::string expected = kBlock;
    expected.replace(expected.find("Mark Frame=10") + 11, 2, "0");
    EXPECT_EQ(block, expected);

    block = B("[S]|A=old");
    SetDescriptorValue(block, "S", "A", "new value");
    EXPECT_EQ(block, B("[S]|A=new value"));
}

TEST(DescriptorValue, SetInsertsAMissingEntryAtTheSectionEnd)
{
    std::string block = kBlock;
    SetDescriptorValue(block, "Camera", "Session ID", "42");
    EXPECT_NE(block.find(B("Camera ID=17|Session ID=42|[Titles]")), std::string::npos);
    SetDescriptorValue(block, "Titles", "Operator", "K");
    EXPECT_EQ(block.substr(block.size() - 12), B("|Operator=K|"));

    // The text never runs into the value of a last line that lacks its carriage return.
    block = B("[S]|A=1");
    SetDescriptorValue(block, "S", "B", "2");
    EXPECT_EQ(block, B("[S]|A=1|B=2|"));
    block = "[S]";
    SetDescriptorValue(block, "S", "B", "2");
    EXPECT_EQ(block, B("[S]|B=2|"));
}

TEST(DescriptorValue, SetAppendsAMissingSection)
{
    std::string block = kBlock;
    SetDescriptorValue(block, "Scaling", "GageLength", "10");
    SetDescriptorValue(block, "Scaling", "GageUnits", "mm");
    EXPECT_EQ(block, kBlock + B("[Scaling]|GageLength=10|GageUnits=mm|"));

    std::string empty;
    SetDescriptorNumber(empty, "Timing", "Frame Rate", 2000);
    EXPECT_EQ(empty, B("[Timing]|Frame Rate=2000|"));

    std::string unterminated = B("[S]|A=1");
    SetDescriptorValue(unterminated, "T", "B", "2");
    EXPECT_EQ(unterminated, B("[S]|A=1|[T]|B=2|"));
}

TEST(DescriptorValue, NumbersReadWithTheirBlanksAndRejectOtherText)
{
    const std::string block = B("[S]|A= -8.5 |B=?|C=1E3|D=12abc|E=|");
    double number = 0;
    ASSERT_TRUE(GetDescriptorNumber(block, "S", "A", number));
    EXPECT_DOUBLE_EQ(number, -8.5);
    ASSERT_TRUE(GetDescriptorNumber(block, "S", "C", number));
    EXPECT_DOUBLE_EQ(number, 1000);
    EXPECT_FALSE(GetDescriptorNumber(block, "S", "B", number));
    EXPECT_FALSE(GetDescriptorNumber(block, "S", "D", number));
    EXPECT_FALSE(GetDescriptorNumber(block, "S", "E", number));
    EXPECT_FALSE(GetDescriptorNumber(block, "S", "Z", number));
}

TEST(DescriptorNumber, ParsesDecimalTextOnly)
{
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        { "2000", true, 2000 },
        { "+0.5", true, 0.5 },
        { ".5", true, 0.5 },
        { "5.", true, 5 },
        { "-1.5e-3", true, -1.5e-3 },
        { "\t7 ", true, 7 },
        { "2E+2", true, 200 },
        { "", false, 0 },
        { "  ", false, 0 },
        { "-", false, 0 },
        { ".", false, 0 },
        { "1e", false, 0 },
        { "1,5", false, 0 },
        { "0x10", false, 0 },
        { "inf", false, 0 },
        { "nan", false, 0 },
        { "1 2", false, 0 },
        { "--1", false, 0 },
        { "1e999", false, 0 },
        { "?", false, 0 },
    };
    for (const Case& c : cases) {
        double number = -12345;
        EXPECT_EQ(ParseDescriptorNumber(c.text, number), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(number, c.value) << c.text;
        }
    }

    int32_t whole = 0;
    EXPECT_TRUE(ParseDescriptorWholeNumber(" -12 ", whole));
    EXPECT_EQ(whole, -12);
    EXPECT_FALSE(ParseDescriptorWholeNumber("1.5", whole));
    EXPECT_FALSE(ParseDescriptorWholeNumber("2147483648", whole));
    EXPECT_FALSE(ParseDescriptorWholeNumber("?", whole));
}

TEST(DescriptorNumber, ShortestGeneralForm)
{
    EXPECT_EQ(FormatGeneral(2000), "2000");
    EXPECT_EQ(FormatGeneral(0.5), "0.5");
    EXPECT_EQ(FormatGeneral(-8.5), "-8.5");
    EXPECT_EQ(FormatGeneral(1000.0 / 3.0), "333.333333333333");
    EXPECT_EQ(FormatGeneral(0), "0");
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

    // Everything written reads back to the same 15 digits.
    for (double v : { 1e-300, 2.5e-5, 1.0 / 7, 123.456, 6.02e23, -1e300 }) {
        double back = 0;
        ASSERT_TRUE(ParseDescriptorNumber(FormatGeneral(v), back)) << FormatGeneral(v);
        EXPECT_EQ(FormatGeneral(back), FormatGeneral(v));
    }
}

TEST(DescriptorBlockBuild, BuildsTheThreeSectionsInOrder)
{
    const std::string block
        = BuildDescriptorBlock(2000, 10, -3.5, { "Camera Type=HG 2000" }, { "Title=Sled run" });
    EXPECT_EQ(block,
        B("[Timing]|Frame Rate=2000|Mark Frame=10|Time at Mark Frame=-3.5|"
          "[Camera]|Camera Type=HG 2000|[Titles]|Title=Sled run|"));
    EXPECT_EQ(BuildDescriptorBlock(1000, 0, 0, {}, {}),
        B("[Timing]|Frame Rate=1000|Mark Frame=0|Time at Mark Frame=0|[Camera]|[Titles]|"));
}

TEST(DescriptorChunk, StoresExactly2048BytesAndReadsToTheFirstZero)
{
    const auto chunk = DescriptorChunkBytes(kBlock);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk.data()), kBlock.size()), kBlock);
    EXPECT_EQ(chunk[kBlock.size()], 0);
    EXPECT_EQ(chunk[2047], 0);
    EXPECT_EQ(DescriptorFromChunk(chunk.data(), chunk.size()), kBlock);

    // A long block is cut to 2048 bytes with no terminating zero, and reads back as those bytes.
    std::string long_block = B("[Titles]|Note=") + std::string(3000, 'n');
    const auto cut = DescriptorChunkBytes(long_block);
    EXPECT_EQ(cut[2047], 'n');
    EXPECT_EQ(DescriptorFromChunk(cut.data(), cut.size()), long_block.substr(0, 2048));
    // A reader never looks past 2048 bytes or past the size it was given.
    std::vector<uint8_t> bigger(4096, 'x');
    EXPECT_EQ(DescriptorFromChunk(bigger.data(), bigger.size()).size(), 2048u);
    EXPECT_EQ(DescriptorFromChunk(bigger.data(), 5), "xxxxx");
    EXPECT_EQ(DescriptorFromChunk(nullptr, 0), "");
}

TEST(DescriptorTimingParse, GivesThePeriodAndTheTimeOfTheFirstFrame)
{
    DescriptorTiming timing = ParseDescriptorTiming(kBlock);
    EXPECT_DOUBLE_EQ(timing.frame_period_ms, 0.5);
    EXPECT_DOUBLE_EQ(timing.first_frame_time_ms, -8.5);
    EXPECT_EQ(timing.camera_lines, (std::vector<std::string> { "Camera Type=HG 2000", "Camera ID=17" }));
    EXPECT_EQ(timing.title_lines, (std::vector<std::string> { "Title=Sled run", "Imager Name=Left" }));

    timing = ParseDescriptorTiming("");
    EXPECT_DOUBLE_EQ(timing.frame_period_ms, 1.0);
    EXPECT_DOUBLE_EQ(timing.first_frame_time_ms, 0.0);

    // Unknown or unusable values fall back: rate 1000, mark 0, time 0.
    for (const char* rate : { "?", "0", "-25", "abc" }) {
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
