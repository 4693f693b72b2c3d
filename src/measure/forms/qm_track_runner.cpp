#include "measure/forms/qm_track_runner.h"

#include <chrono>

#include <QProgressDialog>
#include <QTimer>

#include "measure/clip_track_frames.h"

namespace fw {

namespace {

// A slice ends after this long, so that painting and input never wait longer.
constexpr std::chrono::milliseconds kSliceTime(40);
constexpr int kFramesPerStep = 4;

} // namespace

QMTrackRunner::QMTrackRunner(TAVISTREAM& stream, const TrackRequest& request, QWidget* window)
    : QObject(window)
    , frames_(std::make_unique<ClipTrackFrames>(stream))
    , run_(std::make_unique<TrackRun>(request, frames_->Source()))
    , timer_(new QTimer(this))
{
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &QMTrackRunner::Slice);
    progress_ = new QProgressDialog(
        QStringLiteral("Tracking frames %1 to %2...").arg(request.first_frame).arg(request.last_frame),
        QStringLiteral("Cancel"), 0, std::max(run_->FramesToTrack(), 1), window);
    progress_->setObjectName(QStringLiteral("TrackProgress"));
    progress_->setWindowTitle(QStringLiteral("Track Point"));
    // Clicks elsewhere must not change the measurement while the track writes into it.
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(500);
    connect(progress_, &QProgressDialog::canceled, this, &QMTrackRunner::Cancel);
}

QMTrackRunner::~QMTrackRunner()
{
    delete progress_;
}

void QMTrackRunner::Start()
{
    reported_ = 0;
    if (run_->Ended()) {
        // The start frame is all there is; the timer still reports it from the event loop.
        QTimer::singleShot(0, this, &QMTrackRunner::Finish);
        return;
    }
    progress_->setValue(0);
    timer_->start();
}

bool QMTrackRunner::Running() const
{
    return !finished_;
}

void QMTrackRunner::Cancel()
{
    if (finished_)
        return;
    cancelled_ = true;
    timer_->stop();
    QTimer::singleShot(0, this, &QMTrackRunner::Finish);
}

void QMTrackRunner::Slice()
{
    const auto until = std::chrono::steady_clock::now() + kSliceTime;
    bool more = true;
    while (more && !cancelled_ && std::chrono::steady_clock::now() < until)
        more = run_->Advance(kFramesPerStep);
    if (progress_)
        progress_->setValue(run_->FramesDone());
    if (reported_ < run_->Frames().size()) {
        const size_t first_new = reported_;
        reported_ = run_->Frames().size();
        emit FramesFound(first_new);
    }
    if (!more)
        Finish();
}

void QMTrackRunner::Finish()
{
    if (finished_)
        return;
    timer_->stop();
    if (reported_ < run_->Frames().size()) {
        const size_t first_new = reported_;
        reported_ = run_->Frames().size();
        emit FramesFound(first_new);
    }
    finished_ = true;
    // Hiding is not enough: a dialog that has not shown yet shows itself once its delay is up,
    // and being modal it would then block the message that says why the track ended.
    delete progress_;
    progress_ = nullptr;
    emit Finished();
}

} // namespace fw
