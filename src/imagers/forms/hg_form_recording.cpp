#include "imagers/forms/hg_form_recording.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "imagers/forms/hg_form_session.h"
#include "imagers/hg/hg_exposure.h"
#include "imagers/hg/hg_rates.h"
#include "imagers/hg/hg_setup_values.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kMaxTriggerFrames = 32767;
constexpr int kDefaultTarget = 128;

QSlider* MakeTrack(QWidget* parent, const char* name)
{
    auto* track = new QSlider(Qt::Horizontal, parent);
    track->setObjectName(QLatin1String(name));
    track->setMinimumWidth(260);
    return track;
}

void ShowTrack(QSlider* track, int value)
{
    const QSignalBlocker block(track);
    track->setValue(value);
}

} // namespace

THGRecordingPage::THGRecordingPage(THGSetupSession& session, QWidget* parent)
    : THGSetupPage(session, "RecordingPage", parent)
{
    auto* grid = new QGridLayout(this);
    grid->addWidget(BuildRate(), 0, 0);
    grid->addWidget(BuildSession(), 0, 1);
    grid->addWidget(BuildExposure(), 1, 0);
    grid->addWidget(BuildTrigger(), 1, 1);
    grid->setRowStretch(2, 1);
}

QGroupBox* THGRecordingPage::BuildRate()
{
    auto* group = new QGroupBox(QStringLiteral("Rate"), this);
    rate_list_ = MakeNamedList(group, "RateCB", HGRateNames(session_.NewModel()));
    split_check_ = MakeNamedCheck(group, "SplitCheck", QStringLiteral("Split Frames"));
    frame_sync_check_ = MakeNamedCheck(group, "FrameSyncCheck", QStringLiteral("Frame Sync"));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(rate_list_);
    layout->addWidget(split_check_);
    layout->addWidget(frame_sync_check_);
    connect(rate_list_, &QComboBox::activated, this, &THGRecordingPage::RateChange);
    connect(split_check_, &QCheckBox::clicked, this, &THGRecordingPage::SplitClick);
    connect(frame_sync_check_, &QCheckBox::clicked, this, &THGRecordingPage::FrameSyncClick);
    return group;
}

QGroupBox* THGRecordingPage::BuildExposure()
{
    auto* group = new QGroupBox(QStringLiteral("Exposure (usec)"), this);
    normal_track_ = MakeTrack(group, "NormalTrack");
    normal_label_ = new QLabel(group);
    normal_label_->setObjectName(QStringLiteral("NormalLabel"));
    low_light_track_ = MakeTrack(group, "LowLightTrack");
    low_light_label_ = new QLabel(group);
    low_light_label_->setObjectName(QStringLiteral("LowLightLabel"));
    auto_exposure_button_ = MakeNamedButton(group, "AutoExposureBtn", QStringLiteral("Auto Exposure"),
        QStringLiteral("Set Normal Exposure Automatically"));
    target_number_
        = MakeNamedNumber(group, "TargetEdit", 0, 255, QStringLiteral("Target Brightness for Auto Exposure"));
    target_number_->setValue(kDefaultTarget);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Normal"), group), 0, 0);
    grid->addWidget(normal_track_, 0, 1);
    grid->addWidget(normal_label_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Low Light"), group), 1, 0);
    grid->addWidget(low_light_track_, 1, 1);
    grid->addWidget(low_light_label_, 1, 2);
    grid->addWidget(auto_exposure_button_, 2, 0);
    grid->addWidget(target_number_, 2, 1, Qt::AlignLeft);
    normal_label_->setMinimumWidth(
        normal_label_->fontMetrics().horizontalAdvance(QStringLiteral("External0")));
    low_light_track_->setRange(HGLowLightExposureTrack(session_.TypeCode()).minimum_us,
        HGLowLightExposureTrack(session_.TypeCode()).maximum_us);
    connect(normal_track_, &QSlider::valueChanged, this, &THGRecordingPage::NormalTrackChange);
    connect(low_light_track_, &QSlider::valueChanged, this, &THGRecordingPage::LowLightTrackChange);
    connect(normal_track_, &QSlider::sliderReleased, this, &THGRecordingPage::NormalTrackExit);
    connect(low_light_track_, &QSlider::sliderReleased, this, &THGRecordingPage::LowLightTrackExit);
    normal_track_->installEventFilter(this);
    low_light_track_->installEventFilter(this);
    connect(auto_exposure_button_, &QPushButton::clicked, this, &THGRecordingPage::AutoExposureBtnClick);
    return group;
}

QGroupBox* THGRecordingPage::BuildSession()
{
    auto* group = new QGroupBox(QStringLiteral("Session"), this);
    session_number_
        = MakeNamedNumber(group, "SessionEdit", 0, 999, QStringLiteral("Distinguishes Recording"));
    length_edit_ = new QLineEdit(group);
    length_edit_->setObjectName(QStringLiteral("LengthEdit"));
    length_edit_->setReadOnly(true);
    length_edit_->setToolTip(QStringLiteral("Total Frames"));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Number"), session_number_);
    form->addRow(QStringLiteral("Length"), length_edit_);
    connect(session_number_, &QSpinBox::editingFinished, this, &THGRecordingPage::SessionExit);
    return group;
}

QGroupBox* THGRecordingPage::BuildTrigger()
{
    auto* group = new QGroupBox(QStringLiteral("Trigger"), this);
    delay_list_ = MakeNamedList(group, "DelayCB", HGRecordDelayNames());
    pre_frames_ = MakeNamedNumber(group, "PreFramesEdit", 0, kMaxTriggerFrames);
    post_frames_ = MakeNamedNumber(group, "PostFramesEdit", 0, kMaxTriggerFrames);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Delay (ms)"), delay_list_);
    form->addRow(QStringLiteral("Pre-frames"), pre_frames_);
    form->addRow(QStringLiteral("Post-frames"), post_frames_);
    connect(delay_list_, &QComboBox::activated, this, &THGRecordingPage::DelayChange);
    connect(pre_frames_, &QSpinBox::editingFinished, this, &THGRecordingPage::PreFramesExit);
    connect(post_frames_, &QSpinBox::editingFinished, this, &THGRecordingPage::PostFramesExit);
    return group;
}

bool THGRecordingPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == normal_track_)
            NormalTrackExit();
        else if (watched == low_light_track_)
            LowLightTrackExit();
    }
    return THGSetupPage::eventFilter(watched, event);
}

void THGRecordingPage::EnableForModel()
{
    const bool new_model = session_.NewModel();
    for (QWidget* control : std::initializer_list<QWidget*> { auto_exposure_button_, target_number_,
             pre_frames_, post_frames_, split_check_, frame_sync_check_ })
        control->setEnabled(new_model);
}

void THGRecordingPage::Enter()
{
    EnableForModel();
    session_.Guarded([this] {
        ShowNumber(session_number_, session_.Read(hgcmd::kSessionId));
        ShowIndex(delay_list_, session_.Read(hgcmd::kRecordDelay));
        if (session_.NewModel())
            ShowChecked(split_check_, session_.Read(hgcmd::kSplits) == 1);
        // The rate, the trigger frames and frame sync are shown with a recording present too:
        // the exposure limits depend on the rate, and the other controls would show nothing.
        ShowRate(session_.Read(hgcmd::kFrameRate));
        if (session_.NewModel()) {
            ShowTriggerFrames();
            ShowChecked(frame_sync_check_, session_.Read(hgcmd::kFrameSync) == 1);
        }
        ShowNormalExposure(session_.Read(hgcmd::kNormalExposure));
        ShowLowLightExposure(session_.Read(hgcmd::kLowLightExposure));
    });
}

void THGRecordingPage::StateChanged(int state)
{
    normal_track_->setEnabled(state <= 2);
    low_light_track_->setEnabled(state <= 2);
}

void THGRecordingPage::FrameListsChanged(const QStringList& frames)
{
    length_edit_->setText(QString::number(frames.size()));
}

// ---- Rate and exposure -----------------------------------------------------------------------

void THGRecordingPage::ShowRate(int32_t rate)
{
    ShowIndex(rate_list_, rate >= 0 && rate < rate_list_->count() ? int(rate) : -1);
    SetNormalLimits();
}

void THGRecordingPage::SetNormalLimits()
{
    const HGExposureTrack track = HGNormalExposureTrack(session_.TypeCode(), rate_list_->currentIndex());
    const QSignalBlocker block(normal_track_);
    normal_track_->setRange(track.minimum_us, track.maximum_us);
    normal_label_->setText(HGExposureText(normal_track_->value()));
}

void THGRecordingPage::ShowNormalExposure(int32_t value_us)
{
    ShowTrack(normal_track_, int(value_us));
    normal_label_->setText(HGExposureText(normal_track_->value()));
}

void THGRecordingPage::ShowLowLightExposure(int32_t value_us)
{
    ShowTrack(low_light_track_, int(value_us));
    low_light_label_->setText(QString::number(low_light_track_->value()));
}

void THGRecordingPage::RateChange()
{
    session_.Guarded([this] {
        if (!session_.ConfirmClearRecording()) {
            ShowRate(session_.Read(hgcmd::kFrameRate));
            return;
        }
        session_.Write(hgcmd::kFrameRate, uint32_t(rate_list_->currentIndex()));
        ShowRate(session_.Read(hgcmd::kFrameRate));
        ShowNormalExposure(session_.Read(hgcmd::kNormalExposure));
    });
}

void THGRecordingPage::NormalTrackChange()
{
    const int snapped
        = SnapNormalExposure(session_.TypeCode(), rate_list_->currentIndex(), normal_track_->value());
    ShowTrack(normal_track_, snapped);
    normal_label_->setText(HGExposureText(snapped));
}

void THGRecordingPage::LowLightTrackChange()
{
    low_light_label_->setText(QString::number(low_light_track_->value()));
}

void THGRecordingPage::NormalTrackExit()
{
    if (session_.ImagerState() > 2)
        return;
    session_.Guarded([this] {
        session_.Write(hgcmd::kNormalExposure, uint32_t(normal_track_->value()));
        ShowNormalExposure(session_.Read(hgcmd::kNormalExposure));
    });
}

void THGRecordingPage::LowLightTrackExit()
{
    if (session_.ImagerState() > 2)
        return;
    session_.Guarded([this] {
        session_.Write(hgcmd::kLowLightExposure, uint32_t(low_light_track_->value()));
        ShowLowLightExposure(session_.Read(hgcmd::kLowLightExposure));
    });
}

void THGRecordingPage::AutoExposureBtnClick()
{
    session_.Guarded([this] {
        THGCommLayer& link = session_.Link();
        link.WriteStringRegister(hgcmd::kString55,
            QString::fromLatin1(HGAutoExposureArgument(normal_track_->maximum(), target_number_->value())));
        if (link.GetLastResult() == hgresult::kAborted)
            showInformation(QStringLiteral("Auto Exposure Failed - Probably not enough Light.\r"
                                           "Open Aperture or Reduce Target Brightness and Try Again"));
        ShowNormalExposure(session_.Read(hgcmd::kNormalExposure));
    });
}

// ---- Split frames and frame sync ---------------------------------------------------------------

void THGRecordingPage::SplitClick()
{
    session_.Guarded([this] {
        const bool split = split_check_->isChecked();
        if (!session_.ConfirmClearRecording()) {
            ShowChecked(split_check_, !split);
            return;
        }
        session_.Link().SetSplitFrames(split);
        session_.Write(hgcmd::kSplits, split ? 1 : 0);
        const bool split_read = session_.Read(hgcmd::kSplits) == 1;
        ShowChecked(split_check_, split_read);
        session_.Link().SetSplitFrames(split_read);
        if (split)
            ShowRate(session_.Read(hgcmd::kFrameRate));
        QSpinBox* larger = pre_frames_->value() >= post_frames_->value() ? pre_frames_ : post_frames_;
        ShowNumber(larger, RescaleForSplitFrames(larger->value(), split));
        shown_pre_frames_ = pre_frames_->value();
        shown_post_frames_ = post_frames_->value();
        session_.RefreshFrameLists();
    });
}

void THGRecordingPage::FrameSyncClick()
{
    session_.Guarded([this] {
        const bool sync = frame_sync_check_->isChecked();
        if (sync && !confirm(QStringLiteral("Imager will not Record without Sync Signal.  Proceed?"))) {
            ShowChecked(frame_sync_check_, false);
            return;
        }
        if (!session_.ConfirmClearRecording()) {
            ShowChecked(frame_sync_check_, !sync);
            return;
        }
        session_.Write(hgcmd::kFrameSync, sync ? 1 : 0);
        ShowChecked(frame_sync_check_, session_.Read(hgcmd::kFrameSync) == 1);
    });
}

// ---- Session and trigger -----------------------------------------------------------------------

void THGRecordingPage::SessionExit()
{
    session_.Guarded([this] {
        session_.Write(hgcmd::kSessionId, uint32_t(CapRegisterByte(session_number_->value())));
        ShowNumber(session_number_, session_.Read(hgcmd::kSessionId));
    });
}

void THGRecordingPage::DelayChange()
{
    session_.Guarded([this] {
        session_.Write(hgcmd::kRecordDelay, uint32_t(delay_list_->currentIndex()));
        ShowIndex(delay_list_, session_.Read(hgcmd::kRecordDelay));
    });
}

void THGRecordingPage::ShowTriggerFrames()
{
    ShowNumber(pre_frames_, session_.Read(hgcmd::kPreTrigFrames));
    ShowNumber(post_frames_, session_.Read(hgcmd::kPostTrigFrames));
    shown_pre_frames_ = pre_frames_->value();
    shown_post_frames_ = post_frames_->value();
}

void THGRecordingPage::WriteTriggerFrames(int command, QSpinBox* frames)
{
    const int shown = frames == pre_frames_ ? shown_pre_frames_ : shown_post_frames_;
    if (frames->value() == shown)
        return;
    session_.Guarded([this, command, frames] {
        if (!session_.ConfirmClearRecording()) {
            ShowTriggerFrames();
            return;
        }
        session_.Write(command, uint32_t(frames->value()));
        ShowTriggerFrames();
    });
}

void THGRecordingPage::PreFramesExit()
{
    WriteTriggerFrames(hgcmd::kPreTrigFrames, pre_frames_);
}

void THGRecordingPage::PostFramesExit()
{
    WriteTriggerFrames(hgcmd::kPostTrigFrames, post_frames_);
}

} // namespace fw
