// One click on the last frame of a full measurement sheet: 10 objects (points, lines and
// angles) sampled on every one of 5000 frames with every quantity shown. A click sets one
// point, recomputes the rows that depend on it and reads back the texts of the changed cells,
// which is all the window does before it repaints. The goal is well under 50 ms a click.

#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "full_sheet.h"
#include "measure/motion_data_base.h"

namespace {

using fw::bench::kSheetFrames;
using fw::bench::SheetPointAt;

struct FullSheet {
    fw::TMotionDataBase db;
    std::vector<fw::TObjDef*> objects;

    FullSheet()
    {
        db.SetTimeBase(0, 0.5, 3);
        db.SetLastFrame(kSheetFrames - 1);
        objects = fw::bench::FillFullSheet(db);
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
    fw::ImagePoint at = SheetPointAt(0, point, kSheetFrames - 1);
    at.u += shift;
    sheet.db.SetSamplePoint(kSheetFrames - 1, def, point, at);
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
