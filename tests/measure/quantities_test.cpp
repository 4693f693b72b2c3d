#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "measure/measure_units.h"
#include "measure/motion_data_base.h"
#include "measure_test_support.h"

namespace fw {
namespace {

using testing::ColumnOf;
using testing::SetLine;
using testing::ShownValue;

constexpr int kMetresPerSecond = 0;
constexpr int kRpm = 5;
constexpr int kRadPerSecond = 7;
constexpr int kDegrees = 10;
constexpr int kRadians = 11;

TEST(UnitTables, ConvertBetweenUnits)
{
    EXPECT_DOUBLE_EQ(ConvertLength(1, 5, 4), 12.0);
    EXPECT_DOUBLE_EQ(ConvertLength(1, 7, 2), 1609.344);
    EXPECT_NEAR(AngleFromRadians(std::numbers::pi, kDegrees), 180.0, 1e-12);
    EXPECT_NEAR(AngleFromRadians(std::numbers::pi, 9), 0.5, 1e-12);
    EXPECT_NEAR(ConvertLinearVelocity(1, 2, 2), 3.6, 1e-12) << "1 m/s in kph";
    EXPECT_NEAR(ConvertLinearVelocity(1, 5, 3), 0.3048 * 2.2369363, 1e-9) << "1 ft/s in mph";
    EXPECT_NEAR(ConvertAngularVelocity(2 * std::numbers::pi, kRadians, kRpm), 60.0, 1e-12);
    EXPECT_NEAR(ConvertAngularVelocity(1, 9, 6), 360.0, 1e-9) << "1 rev/s in deg/s";
    EXPECT_NEAR(ConvertAcceleration(9806.65, 0, 3), 1.0, 1e-12) << "mm/s² in G";
    EXPECT_NEAR(ConvertAcceleration(1, 2, 1), 100.0, 1e-12) << "m/s² in cm/s²";
    EXPECT_NEAR(ConvertAcceleration(1, 5, 2), 1.0, 1e-12) << "ft/s² stays";
    EXPECT_EQ(FindAccelerationUnit(QStringLiteral("G")), 3);
    EXPECT_EQ(FindAngleUnit(QStringLiteral("mm")), std::nullopt);
    EXPECT_EQ(FindAngularVelocityUnit(QStringLiteral("rpm")), kRpm);
}

TEST(PointQuantities, DisplacementFromTheFirstAndVelocityFromThePreviousSample)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 1, 2);
    db.SetLastFrame(20);
    TObjDef& point = db.NewObject(SampleClass::Point);
    db.SetSamplePoint(0, point, 0, { 10, 10 });
    db.SetSamplePoint(10, point, 0, { 15, 10 });
    EXPECT_FLOAT_EQ(*ShownValue(point, "X Velocity", 10), 0.5f) << "5 mm in 10 ms";
    EXPECT_FALSE(ColumnOf(point, "X Velocity").Value(0)) << "the first sample has no velocity";
    EXPECT_FLOAT_EQ(*ShownValue(point, "X Displacement", 0), 0.0f);
    EXPECT_FLOAT_EQ(*ShownValue(point, "Abs. Displacement", 0), 0.0f);
    EXPECT_EQ(db.Sheet().CellText(ColumnOf(point, "X Velocity").GridColumn(), 3 + 10), "0.5");

    db.SetSamplePoint(20, point, 0, { 18, 14 });
    EXPECT_FLOAT_EQ(*ColumnOf(point, "Abs. Displacement").Value(20), std::hypot(8.0f, 4.0f));
    EXPECT_FLOAT_EQ(*ShownValue(point, "Abs. Velocity", 20), 0.5f);
    db.SetLinearVelocityUnits(2);
    EXPECT_FLOAT_EQ(*ColumnOf(point, "Abs. Velocity").Value(20), 1.8f);
    EXPECT_EQ(ColumnOf(point, "Abs. Velocity").UnitLabel(), "kph");
}

TEST(PointQuantities, AnEarlierFirstSampleRemeasuresEveryDisplacement)
{
    TMotionDataBase db;
    TObjDef& point = db.NewObject(SampleClass::Point);
    ColumnOf(point, "X Displacement").Show();
    db.SetSamplePoint(5, point, 0, { 10, 0 });
    db.SetSamplePoint(9, point, 0, { 14, 0 });
    EXPECT_FLOAT_EQ(*ColumnOf(point, "X Displacement").Value(9), 4.0f);
    db.SetSamplePoint(2, point, 0, { 0, 0 });
    EXPECT_FLOAT_EQ(*ColumnOf(point, "X Displacement").Value(5), 10.0f);
    EXPECT_FLOAT_EQ(*ColumnOf(point, "X Displacement").Value(9), 14.0f);
    db.RemoveSample(2, point);
    EXPECT_FLOAT_EQ(*ColumnOf(point, "X Displacement").Value(9), 4.0f);
    EXPECT_FALSE(ColumnOf(point, "X Displacement").Value(2));
}

TEST(PointQuantities, ChangingASampleUpdatesTheNextVelocity)
{
    TMotionDataBase db;
    TObjDef& point = db.NewObject(SampleClass::Point);
    TSheetElement& velocity = ColumnOf(point, "X Velocity");
    velocity.Show();
    db.SetSamplePoint(1, point, 0, { 0, 0 });
    db.SetSamplePoint(2, point, 0, { 1, 0 });
    db.SetSamplePoint(3, point, 0, { 2, 0 });
    db.Sheet().TakeChanges();
    db.SetSamplePoint(2, point, 0, { 3, 0 });
    EXPECT_FLOAT_EQ(*velocity.Value(2), 3.0f);
    EXPECT_FLOAT_EQ(*velocity.Value(3), -1.0f);
    const SheetChanges changes = db.Sheet().TakeChanges();
    EXPECT_FALSE(changes.all_cells);
    EXPECT_EQ(changes.cells.size(), 3u) << "X and velocity of frame 2, velocity of frame 3";
    db.RemoveSample(2, point);
    EXPECT_FLOAT_EQ(*velocity.Value(3), 1.0f) << "now measured from frame 1";
}

TEST(Acceleration, OfAParabolaAtUnequalSpacingIsExact)
{
    // x(t) = 3 + 2 t + 40 t² (mm, t in s): acceleration 80 mm/s² everywhere.
    TMotionDataBase db;
    db.SetTimeBase(0, 10, 1);
    db.SetAccelerationUnits(0);
    TObjDef& point = db.NewObject(SampleClass::Point);
    const auto x_at = [](int frame) {
        const double t = frame * 0.010;
        return float(3 + 2 * t + 40 * t * t);
    };
    for (int frame : { 0, 1, 4, 9, 11 })
        db.SetSamplePoint(frame, point, 0, { x_at(frame), 7 });
    TSheetElement& ax = ColumnOf(point, "X Acceleration");
    ax.Show();
    for (int frame : { 1, 4, 9 })
        EXPECT_NEAR(*ax.Value(frame), 0.080, 2e-4) << "frame " << frame;
    EXPECT_FALSE(ax.Value(0)) << "no earlier sample";
    EXPECT_FALSE(ax.Value(11)) << "no later sample";
    EXPECT_NEAR(*ShownValue(point, "Y Acceleration", 4), 0.0, 1e-9);
    EXPECT_NEAR(*ShownValue(point, "Abs. Acceleration", 4), 0.080, 2e-4);
    EXPECT_EQ(ax.UnitLabel(), QString::fromUtf8("m/s²"));

    db.SetAccelerationUnits(3);
    EXPECT_NEAR(*ax.Value(4), 0.080 / 9.80665, 2e-5);
    EXPECT_EQ(ax.UnitLabel(), "G");
}

TEST(Acceleration, FollowsChangesOfEitherNeighbour)
{
    TMotionDataBase db;
    TObjDef& point = db.NewObject(SampleClass::Point);
    TSheetElement& ax = ColumnOf(point, "X Acceleration");
    ax.Show();
    db.SetAccelerationUnits(0);
    db.SetSamplePoint(0, point, 0, { 0, 0 });
    db.SetSamplePoint(1, point, 0, { 0, 0 });
    EXPECT_FALSE(ax.Value(1));
    db.SetSamplePoint(2, point, 0, { 1, 0 });
    // Standing still for 1 ms, then 1 mm in the next: 1e6 mm/s², 1000 m/s².
    EXPECT_NEAR(*ax.Value(1), 1000.0, 1e-3);
    db.SetSamplePoint(0, point, 0, { -1, 0 });
    EXPECT_NEAR(*ax.Value(1), 0.0, 1e-3);
    db.RemoveSample(2, point);
    EXPECT_FALSE(ax.Value(1));
}

TEST(LineQuantities, AngularDisplacementUnwrapsAcrossZero)
{
    TMotionDataBase db;
    db.SetAngularUnits(kDegrees);
    TObjDef& line = db.NewObject(SampleClass::Line);
    const auto towards = [](double degrees) {
        const double r = degrees * std::numbers::pi / 180;
        return ImagePoint { float(100 + 50 * std::cos(r)), float(100 + 50 * std::sin(r)) };
    };
    SetLine(db, line, 0, { 100, 100 }, towards(350));
    SetLine(db, line, 1, { 100, 100 }, towards(10));
    SetLine(db, line, 2, { 100, 100 }, towards(100));
    EXPECT_NEAR(*ShownValue(line, "Abs. Angle", 1), 10.0, 1e-3);
    TSheetElement& turned = ColumnOf(line, "Ang. Displacement");
    turned.Show();
    EXPECT_NEAR(*turned.Value(0), 0.0, 1e-9);
    EXPECT_NEAR(*turned.Value(1), 20.0, 1e-3);
    EXPECT_NEAR(*turned.Value(2), 110.0, 1e-3);

    // The first sample turning back by a whole step shifts every later row.
    SetLine(db, line, 0, { 100, 100 }, towards(0));
    EXPECT_NEAR(*turned.Value(1), 10.0, 1e-3);
    EXPECT_NEAR(*turned.Value(2), 100.0, 1e-3);

    // Going back down across zero unwraps the other way.
    SetLine(db, line, 3, { 100, 100 }, towards(190));
    SetLine(db, line, 4, { 100, 100 }, towards(300));
    SetLine(db, line, 5, { 100, 100 }, towards(20));
    EXPECT_NEAR(*turned.Value(5), 380.0, 1e-3);
    SetLine(db, line, 6, { 100, 100 }, towards(300));
    EXPECT_NEAR(*turned.Value(6), 300.0, 1e-3);
}

TEST(LineQuantities, AngularVelocitySkipsIncompleteSamples)
{
    TMotionDataBase db;
    db.SetTimeBase(0, 1, 2);
    db.SetAngularVelocityUnits(kRpm);
    TObjDef& line = db.NewObject(SampleClass::Line);
    TSheetElement& rate = ColumnOf(line, "Ang. Velocity");
    rate.Show();
    SetLine(db, line, 0, { 0, 0 }, { 10, 0 });
    db.SetSamplePoint(1, line, 0, { 0, 0 });
    // A quarter turn in 250 ms: one turn a second.
    SetLine(db, line, 250, { 0, 0 }, { 0, 10 });
    EXPECT_FALSE(rate.Value(0));
    EXPECT_FALSE(rate.Value(1));
    EXPECT_NEAR(*rate.Value(250), 60.0, 1e-3);
    db.SetAngularVelocityUnits(kRadPerSecond);
    EXPECT_NEAR(*rate.Value(250), 2 * std::numbers::pi, 1e-4);
    EXPECT_EQ(rate.UnitLabel(), "rad/s");
}

TEST(AngleQuantities, RelativeAngleOfOppositeUprightLinesIsHalfATurn)
{
    TMotionDataBase db;
    db.SetAngularUnits(kDegrees);
    TObjDef& angle = db.NewObject(SampleClass::Angle);
    SetLine(db, angle, 0, { 0, 0 }, { 0, 10 });
    db.SetSamplePoint(0, angle, 2, { 5, 10 });
    EXPECT_FALSE(ShownValue(angle, "Rel. Angle", 0));
    db.SetSamplePoint(0, angle, 3, { 5, 0 });
    EXPECT_NEAR(*ColumnOf(angle, "Rel. Angle").Value(0), 180.0, 1e-4);
    EXPECT_NEAR(*ShownValue(angle, "Abs. Angle1", 0), 90.0, 1e-4);
    EXPECT_NEAR(*ShownValue(angle, "Abs. Angle2", 0), 270.0, 1e-4);
    db.SetAngularUnits(kRadians);
    EXPECT_NEAR(*ColumnOf(angle, "Rel. Angle").Value(0), std::numbers::pi, 1e-6);
}

TEST(TimeBase, ChangingItRecomputesVelocitiesAndTimes)
{
    TMotionDataBase db;
    db.SetLastFrame(4);
    TObjDef& point = db.NewObject(SampleClass::Point);
    db.SetSamplePoint(0, point, 0, { 0, 0 });
    db.SetSamplePoint(4, point, 0, { 4, 0 });
    EXPECT_FLOAT_EQ(*ShownValue(point, "X Velocity", 4), 1.0f);
    db.SetTimeBase(-2, 0.5, 3);
    EXPECT_FLOAT_EQ(*ColumnOf(point, "X Velocity").Value(4), 2.0f);
    EXPECT_EQ(db.Sheet().CellText(0, 3), "-2.000");
    EXPECT_EQ(db.Sheet().CellText(0, 3 + 4), "0.000");
    EXPECT_TRUE(db.Sheet().TakeChanges().all_cells);
}

} // namespace
} // namespace fw
