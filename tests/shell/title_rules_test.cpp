#include "shell/descriptor_timing.h"
#include "shell/title_rules.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(TitleRulesTest, BlankAndDuplicateNamesAreRefusedWithTheirRow)
{
    const std::vector<IniEntry> rows
        = { { "Title", "a" }, { "  ", "b" }, { "title", "c" }, { "Operator", "d" }, { "TITLE", "e" } };
    EXPECT_EQ(TitleNameProblem(rows, 1), QString("Title field names may not be Blank."));
    EXPECT_EQ(TitleNameProblem(rows, 2), QString("The name \"title\" is already used on row 1"));
    EXPECT_EQ(TitleNameProblem(rows, 0), QString("The name \"Title\" is already used on row 3"));
    EXPECT_FALSE(TitleNameProblem(rows, 3));
    EXPECT_FALSE(TitleNameProblem(rows, 9));
}

TEST(TitleRulesTest, ValuesLoseLeadingSpacesAndNeverStayEmpty)
{
    EXPECT_EQ(NormalizedTitleValue("   Drop test "), "Drop test ");
    EXPECT_EQ(NormalizedTitleValue("   "), "?");
    EXPECT_EQ(NormalizedTitleValue(""), "?");
}

TEST(TitleRulesTest, MergingDefaultsReplacesByNameAndAppendsTheRest)
{
    const auto merged = MergeDefaultTitles(
        { { "Title", "mine" }, { "Note", "x" } }, { { "TITLE", "default" }, { "Imager Name", "HG" } });
    EXPECT_EQ(
        merged, (std::vector<IniEntry> { { "Title", "default" }, { "Note", "x" }, { "Imager Name", "HG" } }));
}

TEST(DescriptorTimingTest, FieldsGivePeriodAndFirstFrameTime)
{
    const AppliedTiming applied = ApplyTimingFields({ "2000", 10, -3.5 });
    EXPECT_DOUBLE_EQ(applied.period_ms, 0.5);
    EXPECT_DOUBLE_EQ(applied.first_frame_time_ms, -8.5);
    EXPECT_FALSE(applied.rate_rewritten);
    for (const char* unusable : { "0", "-5", "fast", "", "nan", "inf" }) {
        const AppliedTiming fallback = ApplyTimingFields({ unusable, 4, 0.0 });
        EXPECT_TRUE(fallback.rate_rewritten) << unusable;
        EXPECT_EQ(fallback.frame_rate_text, "1000.0000");
        EXPECT_DOUBLE_EQ(fallback.period_ms, 1.0);
        EXPECT_DOUBLE_EQ(fallback.first_frame_time_ms, -4.0);
    }
}

TEST(DescriptorTimingTest, MarkNumbersSkipZeroWhereTheClipHasNone)
{
    EXPECT_EQ(StepMarkNumber(1, -1, true), -1);
    EXPECT_EQ(StepMarkNumber(-1, 1, true), 1);
    EXPECT_EQ(StepMarkNumber(1, -1, false), 0);
    for (bool skip : { false, true }) {
        for (int32_t first : { -5, 0, 1 }) {
            for (int32_t index = -3; index <= 3; ++index)
                EXPECT_EQ(MarkNumberToIndex(IndexToMarkNumber(index, first, skip), first, skip), index);
        }
    }
    EXPECT_EQ(IndexToMarkNumber(0, 0, true), 1);
    EXPECT_EQ(IndexToMarkNumber(-1, 0, true), -1);
    EXPECT_EQ(MarkNumberToIndex(INT32_MIN, 1, false), INT32_MIN);
}

} // namespace
} // namespace fw
