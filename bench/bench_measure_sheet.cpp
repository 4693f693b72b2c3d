// One click on the last frame of a full measurement sheet: 10 objects (points, lines and
// angles) sampled on every one of 5000 frames with every quantity shown. A click sets one
// point, recomputes the rows that depend on it and reads back the texts of the changed cells,
// which is all the window does before it repaints. The goal is well under 50 ms a click.

#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "measure/motion_data_base.h"

namespace {

constexpr int32_t kFrames = 5000;
constexpr int kObjects = 10;

fw::SampleClass ClassOf(int object)
{
    if (object < 4)
        return fw::SampleClass::Point;
    return object < 7 ? fw::SampleClass::Line : fw::SampleClass::Angle;
}

fw::ImagePoint PointAt(int object, int point, int32_t frame)
{
    const double t = frame * 0.002;
    return { float(100 + 40 * object + 10 * point + 30 * std::cos(t + point)),
        float(200 + 5 * point + 30 * std::sin(t * (1 + object))) };
}

struct FullSheet {
    fw::TMotionDataBase db;
    std::vector<fw::TObjDef*> objects;

    FullSheet()
    {
        db.SetTimeBase(0, 0.5, 3);
        db.SetLastFrame(kFrames - 1);
        db.ApplyDefaultVisible(fw::kAllKindsSet);
        for (int i = 0; i < kObjects; ++i)
            objects.push_back(&db.NewObject(ClassOf(i)));
        for (int32_t frame = 0; frame < kFrames; ++frame) {
            for (int i = 0; i < kObjects; ++i) {
                for (int p = 0; p < objects[size_t(i)]->PointCount(); ++p)
                    db.SetSamplePoint(frame, *objects[size_t(i)], p, PointAt(i, p, frame));
            }
        }
        db.Sheet().TakeChanges();
    }
};

FullSheet& Sheet()
{
    static FullSheet sheet;
    return sheet;
}

// Sets a point on the last frame and reads every changed cell as the window would.
size_t Click(FullSheet& sheet, fw::TObjDef& def, int point, float shift)
{
    fw::ImagePoint at = PointAt(0, point, kFrames - 1);
    at.u += shift;
    sheet.db.SetSamplePoint(kFrames - 1, def, point, at);
    const fw::SheetChanges changes = sheet.db.Sheet().TakeChanges();
    size_t characters = 0;
    for (const auto& [column, frame] : changes.cells)
        characters
            += size_t(sheet.db.Sheet().CellText(column->GridColumn(), frame + fw::kSheetHeaderRows).size());
    return characters + changes.cells.size();
}

void BM_ClickLastFrame(benchmark::State& state)
{
    FullSheet& sheet = Sheet();
    sheet.db.SetMovingReference(nullptr);
    sheet.db.Sheet().TakeChanges();
    fw::TObjDef& angle = *sheet.objects.back();
    float shift = 0;
    for (auto _ : state) {
        shift = shift > 10 ? 0 : shift + 1;
        benchmark::DoNotOptimize(Click(sheet, angle, 3, shift));
    }
}
BENCHMARK(BM_ClickLastFrame)->Unit(benchmark::kMicrosecond);

// Clicking the reference object moves the origin of every object on that frame.
void BM_ClickReferenceOnLastFrame(benchmark::State& state)
{
    FullSheet& sheet = Sheet();
    fw::TObjDef& hub = *sheet.objects.front();
    sheet.db.SetMovingReference(&hub, 1);
    sheet.db.Sheet().TakeChanges();
    float shift = 0;
    for (auto _ : state) {
        shift = shift > 10 ? 0 : shift + 1;
        benchmark::DoNotOptimize(Click(sheet, hub, 0, shift));
    }
    sheet.db.SetMovingReference(nullptr);
}
BENCHMARK(BM_ClickReferenceOnLastFrame)->Unit(benchmark::kMicrosecond);

// A unit change recomputes every cell of the sheet.
void BM_RecomputeWholeSheet(benchmark::State& state)
{
    FullSheet& sheet = Sheet();
    int units = 0;
    for (auto _ : state) {
        units = 1 - units;
        sheet.db.SetDisplayUnits(units);
        benchmark::DoNotOptimize(sheet.db.Sheet().TakeChanges().all_cells);
    }
}
BENCHMARK(BM_RecomputeWholeSheet)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
