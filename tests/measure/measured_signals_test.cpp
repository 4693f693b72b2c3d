#include <gtest/gtest.h>

#include <cmath>

#include "measure/measured_signals.h"
#include "measure/motion_data_base.h"
#include "measure_test_support.h"

namespace fw {
namespace {

using testing::ColumnOf;

constexpr int kFeetPerSecond = 1;
constexpr int kCentimetres = 1;

// A sheet at 2 ms a frame from 10 ms, one point object moving 1 pixel (1 mm) a frame in X and
// 2 in Y.
class MeasuredSignalsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.SetTimeBase(10.0, 2.0, 3);
        db.SetLastFrame(100);
    }

    TObjDef& PointAt(const std::vector<int32_t>& frames)
    {
        TObjDef& point = db.NewObject(SampleClass::Point);
        for (int32_t frame : frames)
            db.SetSamplePoint(frame, point, 0, { float(frame), float(2 * frame) });
        return point;
    }

    TMotionDataBase db;
};

TEST_F(MeasuredSignalsTest, ColumnsBecomeSignalsOnTheFrameTimesWithGapsForMissingSamples)
{
    TObjDef& point = PointAt({ 3, 4, 5, 7 });
    TSheetElement& x = ColumnOf(point, "X");
    x.Show();
    const MemorySignal signal = SignalOfColumn(x, db.FrameList());
    EXPECT_EQ(signal.name, "X - " + point.Name());
    EXPECT_EQ(signal.y_label, "Object X (mm)");
    EXPECT_EQ(signal.colour, QColor(0, 255, 255)) << "the first object is aqua";
    EXPECT_EQ(signal.group, int(QuantityKind::ObjectX));
    EXPECT_DOUBLE_EQ(signal.times.first_ms, 16.0) << "frame 3";
    EXPECT_DOUBLE_EQ(signal.times.period_ms, 2.0);
    ASSERT_EQ(signal.times.count, 5);
    ASSERT_EQ(signal.values.size(), 5u);
    EXPECT_DOUBLE_EQ(signal.values[0], 3.0);
    EXPECT_DOUBLE_EQ(signal.values[2], 5.0);
    EXPECT_TRUE(std::isnan(signal.values[3])) << "frame 6 has no sample";
    EXPECT_DOUBLE_EQ(signal.values[4], 7.0);
}

TEST_F(MeasuredSignalsTest, EvenlySkippedFramesPlotWithoutGapsAndValuelessRowsAreLeftOut)
{
    TObjDef& point = PointAt({ 0, 5, 10, 20 });
    TSheetElement& velocity = ColumnOf(point, "X Velocity");
    velocity.Show();
    const MemorySignal signal = SignalOfColumn(velocity, db.FrameList());
    // The first sample has no velocity: the signal starts at frame 5, one sample every 5 frames.
    EXPECT_DOUBLE_EQ(signal.times.first_ms, 20.0);
    EXPECT_DOUBLE_EQ(signal.times.period_ms, 10.0);
    ASSERT_EQ(signal.times.count, 4);
    EXPECT_DOUBLE_EQ(signal.values[0], 0.5) << "1 mm in 2 ms";
    EXPECT_DOUBLE_EQ(signal.values[1], 0.5);
    EXPECT_TRUE(std::isnan(signal.values[2])) << "frame 15 was skipped";
    EXPECT_DOUBLE_EQ(signal.values[3], 0.5);

    TSheetElement& y = ColumnOf(point, "Y Displacement");
    EXPECT_EQ(SignalOfColumn(y, db.FrameList()).times.count, 0) << "a hidden column holds no values";
    y.Show();
    EXPECT_EQ(SignalOfColumn(y, db.FrameList()).times.count, 5);

    TObjDef& empty = db.NewObject(SampleClass::Point);
    TSheetElement& none = ColumnOf(empty, "X");
    none.Show();
    const MemorySignal nothing = SignalOfColumn(none, db.FrameList());
    EXPECT_EQ(nothing.times.count, 0);
    EXPECT_TRUE(nothing.values.empty());
}

TEST_F(MeasuredSignalsTest, NamesCarryTheFilterAndLabelsTheSheetsUnits)
{
    TObjDef& point = PointAt({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 });
    db.RenameObject(point, QStringLiteral("Ball"));
    point.SetFilter({ FilterKind::Butterworth, 20.0 });
    TSheetElement& velocity = ColumnOf(point, "X Velocity");
    TSheetElement& acceleration = ColumnOf(point, "Y Acceleration");
    velocity.Show();
    acceleration.Show();
    EXPECT_EQ(MeasuredSignalName(velocity), "X Velocity, Butterworth 20 Hz - Ball");
    EXPECT_EQ(MeasuredAxisLabel(velocity), "X Velocity (m/s)");
    EXPECT_EQ(MeasuredAxisLabel(acceleration), QString::fromUtf8("Y Acceleration (m/s²)"));

    db.SetLinearVelocityUnits(kFeetPerSecond);
    db.SetDisplayUnits(kCentimetres);
    EXPECT_EQ(SignalOfColumn(velocity, db.FrameList()).y_label, "X Velocity (ft/s)");
    TSheetElement& x = ColumnOf(point, "X");
    x.Show();
    const MemorySignal in_cm = SignalOfColumn(x, db.FrameList());
    EXPECT_EQ(in_cm.y_label, "Object X (cm)");
    EXPECT_DOUBLE_EQ(in_cm.values[9], double(0.9f)) << "9 mm";
}

TEST_F(MeasuredSignalsTest, ObjectsOverlayByQuantityInTheOrderChosen)
{
    TObjDef& first = PointAt({ 0, 1, 2 });
    TObjDef& second = PointAt({ 0, 1, 2 });
    first.SetColourIndex(1);
    second.SetColourIndex(9);
    std::vector<const TSheetElement*> chosen;
    for (TObjDef* def : { &first, &second })
        for (const char* caption : { "X Velocity", "Y" }) {
            ColumnOf(*def, caption).Show();
            chosen.push_back(&ColumnOf(*def, caption));
        }
    MeasuredSignals source(db);
    source.SetColumns(chosen);
    const std::vector<MemorySignal> signals_out = source.Signals();
    ASSERT_EQ(signals_out.size(), 4u);
    EXPECT_EQ(signals_out[0].name, "X Velocity - " + first.Name());
    EXPECT_EQ(signals_out[1].name, "X Velocity - " + second.Name());
    EXPECT_EQ(signals_out[2].name, "Y - " + first.Name());
    EXPECT_EQ(signals_out[3].name, "Y - " + second.Name());
    EXPECT_EQ(signals_out[0].colour, QColor(0, 0, 255)) << "blue";
    EXPECT_EQ(signals_out[1].colour, QColor(255, 0, 0)) << "red";
    EXPECT_EQ(signals_out[0].group, signals_out[1].group);
    EXPECT_NE(signals_out[1].group, signals_out[2].group);
    EXPECT_EQ(source.Name(), "Measured Data");
}

TEST_F(MeasuredSignalsTest, OnlyShownColumnsAreTakenAndNoMoreThanAChartHolds)
{
    TObjDef& point = PointAt({ 0, 1 });
    std::vector<const TSheetElement*> chosen;
    for (const auto& column : point.Columns().Columns()) {
        column->Show();
        chosen.push_back(column.get());
    }
    TSheetElement& twice = ColumnOf(point, "V");
    chosen.insert(chosen.begin() + 2, &twice);
    TSheetElement& hidden = ColumnOf(point, "U");
    hidden.Hide();
    MeasuredSignals source(db);
    source.SetColumns(chosen);
    ASSERT_EQ(int(source.Columns().size()), kMaxGraphSignals);
    EXPECT_EQ(std::count(source.Columns().begin(), source.Columns().end(), &hidden), 0);
    EXPECT_EQ(std::count(source.Columns().begin(), source.Columns().end(), &twice), 1);
    EXPECT_EQ(source.Columns()[0], &twice);
    EXPECT_EQ(source.Columns()[5], &ColumnOf(point, "Abs. Displacement")) << "the first six shown, in order";
}

TEST_F(MeasuredSignalsTest, TellsOfChangesToPlottedColumnsAndDropsColumnsThatLeaveTheSheet)
{
    TObjDef& plotted = PointAt({ 0, 1 });
    TObjDef& other = PointAt({ 0, 1 });
    TSheetElement& x = ColumnOf(plotted, "X");
    TSheetElement& velocity = ColumnOf(plotted, "X Velocity");
    TSheetElement& other_x = ColumnOf(other, "X");
    for (TSheetElement* column : { &x, &velocity, &other_x })
        column->Show();
    MeasuredSignals source(db);
    int changes = 0;
    QObject::connect(&source, &SignalSource::changed, [&changes] { ++changes; });
    source.SetColumns({ &x, &velocity });
    EXPECT_EQ(changes, 1);

    changes = 0;
    db.SetSamplePoint(2, plotted, 0, { 5, 0 });
    EXPECT_GT(changes, 0) << "a new point";
    EXPECT_EQ(source.Signals()[0].times.count, 3);
    EXPECT_DOUBLE_EQ(source.Signals()[0].values[2], 5.0);

    changes = 0;
    db.SetSamplePoint(2, other, 0, { 9, 9 });
    EXPECT_EQ(changes, 0) << "a column that is not plotted";

    changes = 0;
    db.SetLinearVelocityUnits(kFeetPerSecond);
    EXPECT_GT(changes, 0) << "new units";

    changes = 0;
    x.Hide();
    EXPECT_GT(changes, 0);
    ASSERT_EQ(source.Columns().size(), 1u);
    EXPECT_EQ(source.Columns()[0], &velocity);

    // The object goes with its columns; nothing keeps pointing at them.
    db.DeleteObject(plotted);
    EXPECT_TRUE(source.Columns().empty());
    EXPECT_TRUE(source.Signals().empty());
}

TEST_F(MeasuredSignalsTest, TrackedPointsReachThePlotAsOneRun)
{
    TObjDef& point = PointAt({ 0 });
    TSheetElement& y = ColumnOf(point, "Y");
    MeasuredSignals source(db);
    source.SetColumns({ &y });
    int changes = 0;
    QObject::connect(&source, &SignalSource::changed, [&changes] { ++changes; });
    std::vector<TrackedSamplePoint> tracked;
    for (int32_t frame = 1; frame <= 6; ++frame)
        tracked.push_back({ frame, { float(frame), float(3 * frame) }, 0.95f });
    db.SetTrackedPoints(point, 0, tracked);
    EXPECT_GT(changes, 0);
    const MemorySignal signal = source.Signals().at(0);
    ASSERT_EQ(signal.times.count, 7);
    EXPECT_DOUBLE_EQ(signal.values[6], 18.0);
}

TEST_F(MeasuredSignalsTest, AGoneSourceHearsNothingMore)
{
    TObjDef& point = PointAt({ 0 });
    ColumnOf(point, "X").Show();
    {
        MeasuredSignals source(db);
        source.SetColumns({ &ColumnOf(point, "X") });
    }
    db.SetSamplePoint(1, point, 0, { 1, 1 });
    db.DeleteObject(point);
    EXPECT_EQ(db.Sheet().ColumnCount(), 1);
}

} // namespace
} // namespace fw
