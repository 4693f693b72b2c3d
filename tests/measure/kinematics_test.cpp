// Positions read from outside and their derivatives as the command line gives them: hostile
// text, spacing, and the same differences as the sheet.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "measure/filter_choice.h"
#include "measure/kinematics.h"
#include "measure/motion_data_base.h"
#include "measure/position_csv.h"
#include "measure_test_support.h"
#include "support/fw_error.h"

namespace fw {
namespace {

// The message a read fails with; empty when it reads.
std::string ReadFailure(const QByteArray& text)
{
    try {
        ReadPositionCsv(text);
    } catch (const Error& failure) {
        return failure.what();
    }
    return {};
}

TEST(PositionCsv, ReadsWhatSpreadsheetsAndScriptsWrite)
{
    const std::vector<PositionSample> samples
        = ReadPositionCsv("\xEF\xBB\xBFtime_ms,x,y\r\n0,1.5,-2\r\n\r\n 0.5 , 1e3 ,+3,\r\n1.0,0,0");
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[1].time_ms, 0.5);
    EXPECT_EQ(samples[1].x, 1000.0);
    EXPECT_EQ(samples[1].y, 3.0);
    EXPECT_EQ(ReadPositionCsv("t,x,y\r1,2,3\r2,3,4\r").size(), 2u) << "CR line ends";
    EXPECT_TRUE(ReadPositionCsv("time_ms,x,y\n").empty());
}

TEST(PositionCsv, HostileTextFailsWithTheLineAndNeverEchoesIt)
{
    EXPECT_EQ(ReadFailure(""), "Line 1: the header line time_ms,x,y is missing.");
    EXPECT_EQ(ReadFailure("\n0,1,2\n"), "Line 1: the header line time_ms,x,y is missing.");
    EXPECT_EQ(
        ReadFailure("0,1,2\n1,2,3\n"), "Line 1 holds numbers: the first line is the header (time_ms,x,y).");
    EXPECT_EQ(ReadFailure("h\n0,1\n"), "Line 2: 2 fields where time_ms,x,y are expected.");
    EXPECT_EQ(ReadFailure("h\n0,1,2,3\n"), "Line 2: 4 fields where time_ms,x,y are expected.");
    EXPECT_EQ(ReadFailure("h\n0,1,2\n1,,2\n"), "Line 3: x is not a finite number.");
    EXPECT_EQ(ReadFailure("h\n0,1,nan\n"), "Line 2: y is not a finite number.");
    EXPECT_EQ(ReadFailure("h\ninf,1,2\n"), "Line 2: time_ms is not a finite number.");
    EXPECT_EQ(ReadFailure("h\n0,1e999,2\n"), "Line 2: x is not a finite number.");
    EXPECT_EQ(ReadFailure("h\n0,0x10,2\n"), "Line 2: x is not a finite number.");
    EXPECT_EQ(ReadFailure("h\n0,1;5,2\n"), "Line 2: x is not a finite number.");
    EXPECT_EQ(ReadFailure(QByteArray("h\n0,1\0,2\n", 9)), "Line 2: x is not a finite number.");
    EXPECT_EQ(ReadFailure("h\n0,\xC3\xA9\xFF<script>,2\n"), "Line 2: x is not a finite number.");
    EXPECT_TRUE(ReadPositionCsv(QByteArray(100000, ',')).empty()) << "a header of commas, and no samples";
}

TEST(Kinematics, SpacingMustBeEqualToOnePercent)
{
    std::vector<PositionSample> samples;
    for (int i = 0; i < 10; ++i)
        samples.push_back({ i * 0.333 + (i % 3 == 1 ? 0.001 : 0.0), double(i), 0.0 });
    EXPECT_NEAR(EqualSpacingRateHz(samples), 3003.0, 1.0) << "times rounded to the microsecond";
    samples[6].time_ms += 0.333;
    try {
        EqualSpacingRateHz(samples);
        FAIL() << "a skipped sample went through";
    } catch (const Error& failure) {
        EXPECT_TRUE(
            failure.message().startsWith("The samples are not equally spaced: 0.666 ms lie between 1.665 ms "
                                         "and 2.331 ms, where the usual step is 0.333 ms."))
            << failure.what();
    }
    const std::vector<PositionSample> backwards { { 2, 0, 0 }, { 1, 0, 0 }, { 0, 0, 0 } };
    EXPECT_THROW(EqualSpacingRateHz(backwards), Error);
    const std::vector<PositionSample> same { { 1, 0, 0 }, { 1, 0, 0 } };
    EXPECT_THROW(EqualSpacingRateHz(same), Error);
    EXPECT_THROW(ComputeKinematics(backwards, {}), Error) << "unequal spacing even without a filter";
}

TEST(Kinematics, TheSheetsDifferencesAndTheFiltersRates)
{
    // The sheet's own numbers for a point clicked at the same places.
    TMotionDataBase db;
    db.SetTimeBase(0, 2, 3);
    db.SetLinearVelocityUnits(0);
    TObjDef& point = db.NewObject(SampleClass::Point);
    std::vector<PositionSample> samples;
    for (int i = 0; i < 8; ++i) {
        const float x = float(3 * i + (i % 2));
        const float y = float(i * i);
        samples.push_back({ 2.0 * i, x, y });
        db.SetSamplePoint(i, point, 0, { x, y });
    }
    const Kinematics plain = ComputeKinematics(samples, {});
    ASSERT_EQ(plain.rows.size(), 8u);
    EXPECT_FALSE(plain.rows[0].vx);
    EXPECT_FALSE(plain.rows[0].ax);
    EXPECT_FALSE(plain.rows[7].ay);
    for (int i = 1; i < 8; ++i) {
        // Velocity columns show m/s of mm: a thousandth of the per-second value.
        EXPECT_FLOAT_EQ(
            *testing::ShownValue(point, "X Velocity", i), float(*plain.rows[size_t(i)].vx / 1000.0));
        EXPECT_FLOAT_EQ(
            *testing::ShownValue(point, "Y Velocity", i), float(*plain.rows[size_t(i)].vy / 1000.0));
    }
    EXPECT_DOUBLE_EQ(*plain.rows[3].ay, 2.0 / 0.002 / 0.002) << "y = i^2 at 2 ms steps";
    EXPECT_FALSE(plain.cutoff_hz);

    EXPECT_THROW(ComputeKinematics(samples, { FilterKind::Cfc180, 0.0 }), Error) << "500 Hz is too low";
    const Kinematics smooth = ComputeKinematics(samples, { FilterKind::Butterworth, 100.0 });
    EXPECT_NE(smooth.rows[3].x, samples[3].x) << "the jitter is filtered";
    EXPECT_NEAR(*smooth.rows[3].ay, 2.0 / 0.002 / 0.002, 1.0) << "the parabola is not";
    EXPECT_TRUE(smooth.warning.isEmpty());
    const std::vector<PositionSample> one { { 5.0, 1.0, 2.0 } };
    const Kinematics single = ComputeKinematics(one, { FilterKind::Cfc60, 0.0 });
    ASSERT_EQ(single.rows.size(), 1u);
    EXPECT_FALSE(single.rows[0].vx);
}

TEST(FilterChoice, WordsLabelsAndHostileWords)
{
    EXPECT_EQ(ParseFilterChoice(" CFC180 "), (FilterChoice { FilterKind::Cfc180, 0.0 }));
    EXPECT_EQ(ParseFilterChoice("butterworth:12.5"), (FilterChoice { FilterKind::Butterworth, 12.5 }));
    EXPECT_EQ(ParseFilterChoice("auto"), (FilterChoice { FilterKind::Auto, 0.0 }));
    EXPECT_EQ(ParseFilterChoice("none"), FilterChoice {});
    for (const char* word : { "", "cfc", "cfc 180", "cfc200", "butterworth", "butterworth:", "butterworth:0",
             "butterworth:-5", "butterworth:nan", "butterworth:inf", "butterworth:1e999", "butterworth:5hz",
             "butterworth:5:6", "auto:5",
             "none "
             "x" })
        EXPECT_FALSE(ParseFilterChoice(word)) << word;
    for (const char* word : { "none", "cfc60", "cfc180", "cfc600", "cfc1000", "butterworth:0.1", "auto" })
        EXPECT_EQ(FilterChoiceText(*ParseFilterChoice(word)), word);
    EXPECT_EQ(FilterLabel({ FilterKind::Cfc1000, 0.0 }), "CFC 1000");
    EXPECT_EQ(FilterLabel({ FilterKind::Butterworth, 50.0 }), "Butterworth 50 Hz");
    EXPECT_EQ(FilterLabel({ FilterKind::Auto, 0.0 }, 23.4), "auto 23.4 Hz");
    EXPECT_EQ(FilterLabel({ FilterKind::Auto, 0.0 }, 1230.0), "auto 1230 Hz");
    EXPECT_EQ(FilterLabel({ FilterKind::Auto, 0.0 }), "auto");
    EXPECT_TRUE(FilterLabel({}).isEmpty());
}

} // namespace
} // namespace fw
