// A click on the last frame of a full Quick Measure sheet, through the window: 10 objects
// sampled on every one of 5000 frames with every quantity shown. The time runs from the clip
// window handing over the click to the sheet and the picture painted again. The goal is a
// click well under 50 ms.
#include <cmath>
#include <memory>

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "full_sheet.h"
#include "measure/forms/qm_form.h"
#include "shell/forms/display_form.h"
#include "support/settings_store.h"

namespace {

using fw::bench::kSheetFrames;

void ClickOnTheLastFrame(benchmark::State& state)
{
    const QString clip = fw::bench::MakeBenchClip("qm5000", kSheetFrames, "-c:v mjpeg -q:v 10", 1000);
    if (clip.isEmpty()) {
        state.SkipWithError("ffmpeg could not make the clip");
        return;
    }
    QTemporaryDir dir;
    fw::SettingsStore settings(dir.filePath("settings.ini"));
    fw::ChildContext context;
    context.settings = &settings;
    fw::SetMeasurementWindowFactory(
        [&](fw::TDisplayForm& display) { return fw::TQMForm::Create(display, &settings); });
    auto display = std::make_unique<fw::TDisplayForm>(
        context, std::make_unique<fw::TAVISTREAM>(QStringLiteral("AVI")), clip, QStringLiteral("bench"));
    display->setAttribute(Qt::WA_DeleteOnClose, false);
    display->EnableQuickMeasure(true);
    display->show();
    display->OpenQuickMeasure();
    auto* form = dynamic_cast<fw::TQMForm*>(display->Measurement());
    fw::TMotionDataBase& db = form->Database();
    fw::bench::FillFullSheet(db);
    form->SetPage(fw::QMPage::Collection);
    display->Seek(kSheetFrames - 1);
    QApplication::processEvents();

    int click = 0;
    for (auto _ : state) {
        // The first object's only point on the last frame, moved a little every time.
        form->FrameChanged(kSheetFrames - 1);
        form->PictureClicked(kSheetFrames - 1, QPointF(100 + click % 7, 200));
        QApplication::processEvents();
        ++click;
    }
    state.counters["rows"] = kSheetFrames;
    state.counters["columns"] = db.Sheet().ColumnCount();
    display.reset();
    fw::SetMeasurementWindowFactory(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::RegisterBenchmark("QuickMeasure_ClickOnLastFrame", ClickOnTheLastFrame)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
