#include "measure/forms/qm_form.h"

#include <algorithm>
#include <span>

#include "measure/forms/qm_track_runner.h"
#include "measure/point_track_plan.h"
#include "shell/forms/display_form.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

std::optional<TrackChoice> trackChoiceFromDialog(
    QWidget* parent, const QString& what, int32_t from_frame, int32_t last_frame, const TrackChoice& proposal)
{
    TTrackDialog dialog(parent, what, from_frame, last_frame, proposal);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

TQMForm::TrackChooser& trackChooser()
{
    static TQMForm::TrackChooser chooser = trackChoiceFromDialog;
    return chooser;
}

QString PointName(const TObjDef& def, int point)
{
    if (def.PointCount() <= 1)
        return def.Name();
    return QStringLiteral("%1, point %2").arg(def.Name()).arg(point + 1);
}

} // namespace

void TQMForm::SetTrackChooser(TrackChooser chooser)
{
    trackChooser() = chooser ? std::move(chooser) : TrackChooser(trackChoiceFromDialog);
}

void TQMForm::TrackPoint()
{
    if (TrackRunning())
        return;
    TObjDef* def = target_.Def(db_);
    if (!def) {
        Prompt(QStringLiteral("Define an object on the Objects page first"));
        return;
    }
    const int32_t from = target_.Frame();
    const int32_t last = db_.Sheet().LastFrame();
    const TrackChoice proposal { from < last ? last : 0, stored_.tracking };
    const std::optional<TrackChoice> choice
        = trackChooser()(this, PointName(*def, target_.Point()), from, last, proposal);
    if (!choice)
        return;
    stored_.tracking = choice->settings;
    StartTrack(*def, target_.Point(), *choice);
}

void TQMForm::StartTrack(TObjDef& def, int point, const TrackChoice& choice)
{
    const int height = display_.Layout().FrameHeight();
    try {
        const QString problem = TrackSettingsProblem(choice.settings);
        if (!problem.isEmpty())
            throw Error(problem);
        if (!display_.Stream())
            throw Error(QStringLiteral("This window has no clip to track in"));
        const PointTrackPlan plan
            = PlanPointTrack(def, point, target_.Frame(), choice.to_frame, choice.settings, height);
        track_ = new QMTrackRunner(*display_.Stream(), plan.request, this);
        track_target_ = { &def, point, height, plan.clicked_frame };
    } catch (const Error& failure) {
        showError(failure.message(), QStringLiteral("Track Point"));
        return;
    }
    connect(track_, &QMTrackRunner::FramesFound, this, &TQMForm::StoreTrackFrames);
    connect(track_, &QMTrackRunner::Finished, this, &TQMForm::TrackFinished);
    Prompt(QStringLiteral("Tracking %1...").arg(PointName(def, point)));
    track_->Start();
}

void TQMForm::CancelTrack()
{
    if (track_)
        track_->Cancel();
}

int TQMForm::TrackedObject() const
{
    const std::vector<TObjDef*> objects = db_.UserObjects();
    const auto it = std::find(objects.begin(), objects.end(), track_target_.def);
    return it == objects.end() ? 0 : int(it - objects.begin()) + 1;
}

void TQMForm::StoreTrackFrames(size_t first_new)
{
    TObjDef* def = TrackedObject() ? track_target_.def : nullptr;
    const std::vector<TrackedFrame>& frames = track_->Run().Frames();
    // The start frame keeps the point the track started from.
    first_new = std::max<size_t>(first_new, 1);
    if (!def || first_new >= frames.size())
        return;
    try {
        StoreTrackedFrames(db_, *def, track_target_.point, std::span(frames).subspan(first_new),
            track_target_.picture_height);
    } catch (const Error& failure) {
        qCWarning(lcMeasure).noquote() << "Tracked points not stored:" << failure.message();
        CancelTrack();
        return;
    }
    unexported_ = true;
    RefreshSheet();
    display_.RefreshPicture();
}

void TQMForm::TrackFinished()
{
    const TrackRun& run = track_->Run();
    const bool cancelled = track_->Cancelled();
    const int32_t reached = run.Frames().empty() ? run.Request().first_frame : run.Frames().back().frame;
    QString message = QStringLiteral("Tracked frames %1 to %2").arg(run.Request().first_frame).arg(reached);
    int32_t shown_frame = reached;
    if (cancelled) {
        message = QStringLiteral("Tracking cancelled after frame %1").arg(reached);
    } else if (run.Stop()) {
        message = TrackStopMessage(*run.Stop());
        shown_frame = run.Stop()->frame;
    } else if (track_target_.clicked_frame) {
        message = ClickedFrameMessage(*track_target_.clicked_frame);
    }
    const bool stopped_early = !cancelled && (run.Stop() || track_target_.clicked_frame);
    track_->deleteLater();
    track_ = nullptr;
    // Where the user looks next: the frame that stopped the track, to correct the point there.
    display_.UserSeek(shown_frame);
    if (const int object = TrackedObject())
        target_.Aim(object, track_target_.point);
    UpdateTarget();
    UpdatePrediction();
    Prompt(message);
    if (stopped_early)
        showInformation(message, QStringLiteral("Track Point"));
}

} // namespace fw
