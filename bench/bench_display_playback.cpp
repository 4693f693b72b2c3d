// The picture path of clip windows, timed as the user meets it: from a frame-bar move to the
// frame painted (scrubbing), and four windows playing side by side (processor load at x1, how
// late frames reach the screen at x8). Runs on the offscreen platform unless another is set.
// Clips are 512x384, uncompressed 24-bit and MJPEG, made with the ffmpeg command the first time.

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "bench_support.h"

#include "shell/forms/display_controls.h"
#include "shell/forms/display_form.h"
#include "shell/forms/media_player.h"
#include "shell/forms/time_bar.h"
#include "support/settings_store.h"

namespace {

constexpr int kFrames = 400;
constexpr int kClipRate = 100; // frames per second at normal speed
constexpr int kScrubPositions = 200;

QString clipOf(const std::string& kind)
{
    using fw::bench::MakeBenchClip;
    return kind == "Mjpeg"
        ? MakeBenchClip(QStringLiteral("play_mjpeg"), kFrames, "-c:v mjpeg -q:v 3", kClipRate)
        : MakeBenchClip(QStringLiteral("play_raw"), kFrames, "-c:v rawvideo -pix_fmt bgr24", kClipRate);
}

double processSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1) + 0.5)];
}

// Clip windows as the main window would open them, without the main window.
class Windows {
public:
    Windows()
        : settings_(dir_.filePath(QStringLiteral("settings.ini")))
    {
        context_.settings = &settings_;
    }

    fw::TDisplayForm* Open(const QString& path, int left)
    {
        auto form = std::make_unique<fw::TDisplayForm>(context_,
            std::make_unique<fw::TAVISTREAM>(QStringLiteral("AVI")), path, QFileInfo(path).fileName());
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        form->move(left, 0);
        forms_.push_back(std::move(form));
        return forms_.back().get();
    }

private:
    QTemporaryDir dir_;
    fw::SettingsStore settings_;
    fw::ChildContext context_;
    std::vector<std::unique_ptr<fw::TDisplayForm>> forms_;
};

// Runs the event loop until the condition holds or the time is up, without spinning: the
// processor time of a play must be the windows' own.
bool runUntil(const std::function<bool()>& done, int timeout_ms, int check_ms = 2)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    bool met = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        met = done();
        if (met || clock.elapsed() > timeout_ms)
            loop.quit();
    });
    check.start(check_ms);
    loop.exec();
    return met;
}

void Scrub(benchmark::State& state, const std::string& kind)
{
    Windows windows;
    fw::TDisplayForm* form = windows.Open(clipOf(kind), 0);
    auto* frame_bar = form->findChild<fw::TimeBarSlider*>(QStringLiteral("FrameBar"));
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> position(0, kFrames - 1);
    std::vector<double> latencies_ms;
    int painted = -1;
    QObject::connect(form, &fw::TDisplayForm::framePainted, form, [&](int32_t index) { painted = index; });
    runUntil([] { return false; }, 200); // let the window settle
    for (auto _ : state) {
        for (int i = 0; i < kScrubPositions; ++i) {
            int target = position(random);
            if (target == frame_bar->value())
                target = (target + 1) % kFrames;
            painted = -1;
            QElapsedTimer clock;
            clock.start();
            frame_bar->setValue(target);
            if (!runUntil([&] { return painted == target; }, 2000, 0)) {
                state.SkipWithError("frame never painted");
                return;
            }
            latencies_ms.push_back(double(clock.nsecsElapsed()) * 1e-6);
        }
    }
    state.counters["median_ms"] = percentile(latencies_ms, 0.5);
    state.counters["p95_ms"] = percentile(latencies_ms, 0.95);
    state.counters["max_ms"] = percentile(latencies_ms, 1.0);
}

// Four windows play the whole clip at once; lateness is measured at the paint, against the
// due time of the frame painted, in periods of the play (clip period / speed).
void PlayFour(benchmark::State& state, const std::string& kind, int speed)
{
    Windows windows;
    std::vector<fw::TDisplayForm*> forms;
    for (int i = 0; i < 4; ++i)
        forms.push_back(windows.Open(clipOf(kind), i * 520));
    runUntil([] { return false; }, 300);
    const double period_us = 1e6 / (double(kClipRate) * speed / 1000.0);
    std::vector<double> late_periods;
    std::vector<double> first_paint_us(forms.size(), -1.0);
    int shown = 0;
    int late_before_end = 0;
    QElapsedTimer clock;
    for (size_t w = 0; w < forms.size(); ++w) {
        forms[w]->SetPlaybackSpeed(speed);
        QObject::connect(forms[w], &fw::TDisplayForm::framePainted, forms[w], [&, w](int32_t index) {
            // Each window's play is timed from its own first frame on screen.
            const double now_us = double(clock.nsecsElapsed()) * 1e-3;
            if (first_paint_us[w] < 0)
                first_paint_us[w] = now_us - double(index) * period_us;
            const double due_us = first_paint_us[w] + double(index) * period_us;
            const double late = std::max(0.0, now_us - due_us) / period_us;
            late_periods.push_back(late);
            // The last frame waits for the screen's next refresh like any other, but has no
            // later frame to replace it.
            if (index < kFrames - 1 && late > 1.0)
                ++late_before_end;
            ++shown;
        });
    }
    double cpu_seconds = 0;
    double wall_seconds = 0;
    for (auto _ : state) {
        for (fw::TDisplayForm* form : forms)
            form->Seek(0);
        runUntil([] { return false; }, 100);
        late_periods.clear();
        std::fill(first_paint_us.begin(), first_paint_us.end(), -1.0);
        shown = 0;
        late_before_end = 0;
        const double cpu_start = processSeconds();
        clock.start();
        for (fw::TDisplayForm* form : forms)
            form->Controls()->Player()->Press(fw::TMPBtnType::btPlay);
        const bool ended = runUntil(
            [&] {
                return std::all_of(forms.begin(), forms.end(), [](fw::TDisplayForm* form) {
                    return form->Controls()->Player()->Mode() == fw::PlayerMode::Stopped;
                });
            },
            60000, 20);
        wall_seconds = double(clock.nsecsElapsed()) * 1e-9;
        cpu_seconds = processSeconds() - cpu_start;
        if (!ended) {
            state.SkipWithError("play did not end");
            return;
        }
    }
    state.counters["cores"] = cpu_seconds / wall_seconds;
    state.counters["play_s"] = wall_seconds;
    state.counters["expected_s"] = double(kFrames) / (double(kClipRate) * speed / 1000.0);
    state.counters["painted"] = shown;
    state.counters["late_p50_periods"] = percentile(late_periods, 0.5);
    state.counters["late_p99_periods"] = percentile(late_periods, 0.99);
    state.counters["late_over_1_before_end"] = late_before_end;
    state.counters["late_max_periods"] = percentile(late_periods, 1.0);
    int skipped = 0;
    double chosen_late_us = 0;
    for (fw::TDisplayForm* form : forms) {
        skipped += form->Controls()->Player()->Stats().skipped;
        chosen_late_us = std::max(chosen_late_us, form->Controls()->Player()->Stats().max_late_us);
    }
    state.counters["skipped"] = skipped;
    // How late a frame was when the player chose it, before decoding and painting.
    state.counters["chosen_late_max_periods"] = chosen_late_us / period_us;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    for (const std::string kind : { "Uncompressed", "Mjpeg" }) {
        benchmark::RegisterBenchmark(("Scrub_" + kind).c_str(), Scrub, kind)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        for (const int speed : { 1000, 8000 })
            benchmark::RegisterBenchmark(
                ("PlayFour_" + kind + "_x" + std::to_string(speed / 1000)).c_str(), PlayFour, kind, speed)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
