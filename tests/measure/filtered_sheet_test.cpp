// The data sheet with filters: what the headers, values and exports say, what is refused, and the
// thrown ball's gravity through noise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "../../samples/thrown_ball.h"
#include "filter_test_signals.h"
#include "measure/motion_data_base.h"
#include "measure/sheet_text.h"
#include "measure_test_support.h"

namespace fw {
namespace {

using testing::ColumnOf;
using testing::ShownValue;

namespace ball = samples::thrown_ball;

constexpr int kMetres = 2;
constexpr int kMetresPerS2 = 0;

QString Header(const TMotionDataBase& db, const TSheetElement& column)
{
    return db.Sheet().CellText(column.GridColumn(), 1);
}

// A point moving along x = t^2 / 2 (pixels, t in frames) on every frame from 0 to `last`.
void Accelerate(TMotionDataBase& db, TObjDef& point, int last, int step = 1)
{
    for (int f = 0; f <= last; f += step)
        db.SetSamplePoint(f, point, 0, { float(0.5 * f * f), 10.0f });
}

TEST(FilteredSheet, HeadersNameTheFilterAndCopiesCarryThem)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 0.1, 4); // 10 kHz
    db.SetLastFrame(60);
    TObjDef& point = db.NewObject(SampleClass::Point);
    point.SetFilter({ FilterKind::Cfc180, 0.0 });
    Accelerate(db, point, 60);
    TSheetElement& vx = ColumnOf(point, "X Velocity");
    TSheetElement& ay = ColumnOf(point, "Y Acceleration");
    vx.Show();
    ay.Show();
    EXPECT_EQ(Header(db, vx), "X Velocity, CFC 180");
    EXPECT_EQ(Header(db, ay), "Y Acceleration, CFC 180");
    EXPECT_EQ(Header(db, ColumnOf(point, "X")), "X") << "positions are shown as clicked";
    EXPECT_EQ(vx.ShowMenuCaption(), "X Velocity - Point");

    point.SetFilter({ FilterKind::Butterworth, 50.0 });
    EXPECT_EQ(Header(db, ay), "Y Acceleration, Butterworth 50 Hz");
    const QString exported = DataText(db.Sheet(), WholeSheet(db.Sheet(), 1), u',');
    EXPECT_TRUE(exported.contains("X Velocity, Butterworth 50 Hz,")) << exported.left(200).toStdString();
    EXPECT_TRUE(
        GridText(db.Sheet(), WholeSheet(db.Sheet(), 0)).contains("Y Acceleration, Butterworth 50 Hz"));

    point.SetFilter({ FilterKind::Auto, 0.0 });
    const std::optional<double> chosen = point.Columns().Track(0).CutoffHz();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(Header(db, vx), "X Velocity, auto " + FrequencyText(*chosen) + " Hz");
    EXPECT_EQ(point.Columns().FilterStatus(), "Automatic cut-off: " + FrequencyText(*chosen) + " Hz");
}

TEST(FilteredSheet, FilteredValuesFollowEveryChangeAndNoneGivesPlainDifferencesBack)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 0.1, 4);
    db.SetLastFrame(100);
    TObjDef& point = db.NewObject(SampleClass::Point);
    Accelerate(db, point, 100);
    const float plain_vx = *ShownValue(point, "X Velocity", 50);
    const float plain_ax = *ShownValue(point, "X Acceleration", 50);
    EXPECT_FLOAT_EQ(plain_ax, 1e5f) << "1 pixel (mm) per frame squared at 10 kHz, in m/s²";

    point.SetFilter({ FilterKind::Cfc1000, 0.0 });
    // A parabola passes the filter: the same accelerations, to float precision.
    EXPECT_NEAR(*ColumnOf(point, "X Acceleration").Value(50), 1e5, 1.0);
    EXPECT_NEAR(*ColumnOf(point, "X Acceleration").Value(1), 1e5, 10.0) << "to the ends";
    // One wrong click moves the filtered values far from it.
    db.SetSamplePoint(50, point, 0, { 1300.0f, 10.0f });
    EXPECT_NE(*ColumnOf(point, "X Velocity").Value(40), *ShownValue(point, "X Velocity", 40) + 1.0f);
    const float near_click = *ColumnOf(point, "X Acceleration").Value(45);
    EXPECT_GT(std::fabs(near_click - 1e5f), 1e3f) << "the filter spreads the wrong click";
    db.SetSamplePoint(50, point, 0, { 1250.0f, 10.0f });
    EXPECT_NEAR(*ColumnOf(point, "X Acceleration").Value(45), 1e5, 1.0);

    point.SetFilter({});
    EXPECT_EQ(*ColumnOf(point, "X Velocity").Value(50), plain_vx);
    EXPECT_EQ(*ColumnOf(point, "X Acceleration").Value(50), plain_ax);
    EXPECT_EQ(Header(db, ColumnOf(point, "X Velocity")), "X Velocity");
    EXPECT_TRUE(point.Columns().FilterStatus().isEmpty());
}

TEST(FilteredSheet, ASkippedFrameIsRefusedNeverFilteredWrongly)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 1, 3);
    db.SetLastFrame(40);
    TObjDef& point = db.NewObject(SampleClass::Point);
    point.SetFilter({ FilterKind::Butterworth, 50.0 });
    Accelerate(db, point, 40, 2); // every second frame: 500 Hz
    EXPECT_TRUE(ShownValue(point, "X Velocity", 20));
    db.RemoveSample(24, point);
    TSheetElement& vx = ColumnOf(point, "X Velocity");
    for (int f = 0; f <= 40; f += 2)
        EXPECT_FALSE(vx.Value(f)) << f;
    EXPECT_EQ(vx.FilterNote(), point.Columns().FilterStatus());
    EXPECT_TRUE(
        vx.FilterNote().startsWith("Frames 22 and 26 are 4 frames apart, where the samples before them are 2 "
                                   "apart."))
        << vx.FilterNote().toStdString();
    EXPECT_TRUE(ShownValue(point, "X", 26)) << "positions stay";

    point.SetFilter({});
    EXPECT_TRUE(vx.Value(26)) << "plain differences take any spacing";
    EXPECT_TRUE(vx.FilterNote().isEmpty());
}

TEST(FilteredSheet, ARateTooLowIsRefusedAndOneCloseToTheLimitWarned)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 1, 3); // 1 kHz
    db.SetLastFrame(30);
    TObjDef& point = db.NewObject(SampleClass::Point);
    Accelerate(db, point, 30);
    TSheetElement& vx = ColumnOf(point, "X Velocity");
    vx.Show();
    point.SetFilter({ FilterKind::Cfc600, 0.0 });
    EXPECT_FALSE(vx.Value(10));
    EXPECT_TRUE(vx.FilterNote().startsWith("A sample rate of 1000 Hz is too low for CFC 600"))
        << vx.FilterNote().toStdString();
    point.SetFilter({ FilterKind::Cfc180, 0.0 });
    EXPECT_TRUE(vx.Value(10)) << "warned, still filtered";
    EXPECT_TRUE(vx.FilterNote().contains("below 3000 Hz")) << vx.FilterNote().toStdString();
}

TEST(FilteredSheet, NewObjectsTakeTheDefaultFilterAndLinesFilterEachPoint)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 1, 3);
    db.HeaderList().SetDefaultFilter({ FilterKind::Auto, 0.0 });
    TObjDef& line = db.NewObject(SampleClass::Line);
    EXPECT_EQ(line.Filter().kind, FilterKind::Auto);
    db.SetSamplePoint(0, line, 0, { 1, 1 });
    db.SetSamplePoint(0, line, 1, { 5, 5 });
    ColumnOf(line, "X Velocity2").Show();
    EXPECT_EQ(line.Columns().FilterStatus(),
        "Point 1: The automatic cut-off needs at least 16 samples; there are 1.\n"
        "Point 2: The automatic cut-off needs at least 16 samples; there are 1.");
    EXPECT_EQ(Header(db, ColumnOf(line, "X Velocity2")), "X Velocity2, auto");
    db.HeaderList().SetDefaultFilter({});
    EXPECT_EQ(db.NewObject(SampleClass::Point).Filter().kind, FilterKind::None);
}

double MedianOfMiddleHalf(const TSheetElement& column)
{
    std::vector<double> values;
    for (int frame = ball::kFrameCount / 4; frame < 3 * ball::kFrameCount / 4; ++frame)
        if (const std::optional<float> value = column.Value(frame))
            values.push_back(*value);
    EXPECT_EQ(values.size(), size_t(ball::kFrameCount / 2));
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The thrown ball's centres as clicked on every frame of the sample clip, each coordinate half a
// pixel out at random: gravity is lost in plain differences and found again with the automatic
// cut-off.
TEST(FilteredSheet, ThrownBallGravityThroughHalfAPixelOfNoise)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 1000.0 / ball::kFramesPerSecond, 3);
    db.SetLastFrame(ball::kFrameCount - 1);
    db.SetScaleFactor(0, 1.0 / ball::kPixelsPerMm);
    db.SetDisplayUnits(kMetres);
    db.SetAccelerationUnits(kMetresPerS2);
    TObjDef& centre = db.NewObject(SampleClass::Point);
    testing::SeededNoise noise(2024, 0.5);
    for (int frame = 0; frame < ball::kFrameCount; ++frame) {
        const double t_s = double(frame) / ball::kFramesPerSecond;
        const double column = ball::CentreColumn(t_s) + noise();
        const double row = ball::CentreRow(t_s) + noise();
        db.SetSamplePoint(frame, centre, 0, { float(column), float(ball::kHeight - 1 - row) });
    }
    TSheetElement& ay = ColumnOf(centre, "Y Acceleration");
    ay.Show();
    const double plain = MedianOfMiddleHalf(ay);
    EXPECT_GT(std::fabs(plain + ball::kGravity), 0.5 * ball::kGravity) << plain;

    centre.SetFilter({ FilterKind::Auto, 0.0 });
    const double filtered = MedianOfMiddleHalf(ay);
    EXPECT_NEAR(filtered, -ball::kGravity, 0.02 * ball::kGravity);
    const std::optional<double> cutoff_hz = centre.Columns().Track(0).CutoffHz();
    ASSERT_TRUE(cutoff_hz);
    EXPECT_LT(*cutoff_hz, 30.0);
    EXPECT_EQ(ay.HeaderText(1), "Y Acceleration, auto " + FrequencyText(*cutoff_hz) + " Hz");
}

} // namespace
} // namespace fw
