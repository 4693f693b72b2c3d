#include "imagers/forms/hg_form_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "imagers/forms/hg_form_session.h"
#include "imagers/hg/hg_setup_values.h"

namespace fw {

namespace {

bool IsPlayCommand(int command)
{
    return command >= hgcmd::kPlayForward && command <= hgcmd::kPlaySlower;
}

bool AsksAboutRecording(int command)
{
    return command == hgcmd::kLiveLowLight || command == hgcmd::kLiveNormal
        || command == hgcmd::kReadyToRecord || command == hgcmd::kErase;
}

} // namespace

THGControlsPage::THGControlsPage(THGSetupSession& session, QWidget* parent)
    : THGSetupPage(session, "ControlsPage", parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildButtons());
    layout->addWidget(BuildPlayback());
    layout->addWidget(BuildRearPanel());
    layout->addStretch(1);
}

QGroupBox* THGControlsPage::BuildButtons()
{
    auto* group = new QGroupBox(QStringLiteral("Imager Control"), this);
    auto* grid = new QGridLayout(group);
    const auto add = [&](const char* name, const QString& caption, const QString& hint, int command, int row,
                         int column, bool pressable) {
        QPushButton* button = MakeNamedButton(group, name, caption, hint);
        button->setCheckable(pressable);
        grid->addWidget(button, row, column);
        connect(button, &QPushButton::clicked, this, [this, command] { CommandBtnClick(command); });
        return button;
    };
    stop_button_ = add("StopBtn", QStringLiteral("Stop"), {}, hgcmd::kStop, 0, 0, true);
    record_button_ = add("RecordBtn", QStringLiteral("Record"), {}, hgcmd::kRecordTrigger, 0, 1, false);
    live_low_button_ = add("LiveLowBtn", QStringLiteral("Live Low"), {}, hgcmd::kLiveLowLight, 0, 2, true);
    live_normal_button_ = add("LiveNorBtn", QStringLiteral("Live Nor"), {}, hgcmd::kLiveNormal, 0, 3, true);
    ready_button_ = add("ReadyBtn", QStringLiteral("Ready"), {}, hgcmd::kReadyToRecord, 0, 4, true);
    play_reverse_button_ = add("PlayRevBtn", QStringLiteral("Play Rev"), {}, hgcmd::kPlayReverse, 1, 0, true);
    add("SlowerBtn", QStringLiteral("<<"), QStringLiteral("Slow Down Playback"), hgcmd::kPlaySlower, 1, 1,
        false);
    add("FasterBtn", QStringLiteral(">>"), QStringLiteral("Speed Up Playback"), hgcmd::kPlayFaster, 1, 2,
        false);
    play_forward_button_ = add("PlayFwdBtn", QStringLiteral("Play Fwd"), {}, hgcmd::kPlayForward, 1, 3, true);
    add("EraseBtn", QStringLiteral("Erase"), QStringLiteral("Reset Imager"), hgcmd::kErase, 1, 4, false);
    return group;
}

QGroupBox* THGControlsPage::BuildPlayback()
{
    auto* group = new QGroupBox(QStringLiteral("Playback"), this);
    play_rate_list_ = MakeNamedList(group, "PlayRateCB", HGPlayRateNames());
    frame_list_ = MakeNamedList(group, "FrameNumCB", {});
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Video Playback Rate"), play_rate_list_);
    auto* position = new QGroupBox(QStringLiteral("Position Frame by Number"), group);
    auto* position_form = new QFormLayout(position);
    position_form->addRow(QStringLiteral("Frame #"), frame_list_);
    form->addRow(position);
    connect(play_rate_list_, &QComboBox::activated, this, &THGControlsPage::PlayRateChange);
    connect(frame_list_, &QComboBox::activated, this, &THGControlsPage::FrameNumberChange);
    return group;
}

QGroupBox* THGControlsPage::BuildRearPanel()
{
    auto* group = new QGroupBox(QStringLiteral("Rear Panel Controls"), this);
    one_button_list_ = MakeNamedList(group, "OneButtonCB", HGOneButtonModeNames());
    auto_exposure_check_ = MakeNamedCheck(group, "PanelAutoExpCheck", QStringLiteral("Auto Exposure"));
    panel_disabled_check_ = MakeNamedCheck(group, "PanelDisabledCheck", QStringLiteral("Panel Disabled"));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("One Button Record Mode"), one_button_list_);
    form->addRow(auto_exposure_check_);
    form->addRow(panel_disabled_check_);
    connect(one_button_list_, &QComboBox::activated, this, &THGControlsPage::RearPanelChange);
    connect(auto_exposure_check_, &QCheckBox::clicked, this, &THGControlsPage::RearPanelChange);
    connect(panel_disabled_check_, &QCheckBox::clicked, this, &THGControlsPage::PanelDisabledClick);
    return group;
}

void THGControlsPage::Enter()
{
    session_.Guarded([this] {
        saved_auto_save_ = session_.Read(hgcmd::kAutoSave);
        ShowChecked(panel_disabled_check_, session_.Read(hgcmd::kDisableBtns) == 1);
        const int32_t auto_acq = session_.Read(hgcmd::kAutoAcq);
        const HGOneButtonMode mode = HGOneButtonModeOf(auto_acq, saved_auto_save_);
        ShowIndex(one_button_list_, int(mode));
        ShowChecked(auto_exposure_check_, HGAutoAcqExposure(auto_acq));
        auto_exposure_check_->setEnabled(mode != HGOneButtonMode::Off);
        ShowPlayRate();
    });
}

void THGControlsPage::Leave()
{
    session_.Guarded([this] {
        if (HGOneButtonMode(one_button_list_->currentIndex()) == HGOneButtonMode::Off)
            session_.Write(hgcmd::kAutoSave, uint32_t(saved_auto_save_));
        session_.StopIfPlaying();
    });
}

void THGControlsPage::StateChanged(int state)
{
    const HGStateButton pressed = HGButtonForState(state);
    stop_button_->setChecked(pressed == HGStateButton::Stop);
    live_low_button_->setChecked(pressed == HGStateButton::LiveLow);
    live_normal_button_->setChecked(pressed == HGStateButton::LiveNormal);
    ready_button_->setChecked(pressed == HGStateButton::Ready);
    // The imager does not say which way it plays: the button last used stays down.
    if (pressed != HGStateButton::Play) {
        play_forward_button_->setChecked(false);
        play_reverse_button_->setChecked(false);
    } else if (!play_forward_button_->isChecked() && !play_reverse_button_->isChecked()) {
        play_forward_button_->setChecked(true);
    }
    record_button_->setEnabled(state == 3);
}

void THGControlsPage::FrameListsChanged(const QStringList& frames)
{
    const QString shown = frame_list_->currentText();
    frame_list_->clear();
    frame_list_->addItems(frames);
    ShowIndex(frame_list_, std::max<int>(int(frames.indexOf(shown)), 0));
}

void THGControlsPage::CommandBtnClick(int command)
{
    session_.Guarded([this, command] {
        if (command != hgcmd::kStop)
            session_.StopIfPlaying();
        if (AsksAboutRecording(command)) {
            const bool had_recording = session_.RecordingPresent();
            if (!session_.ConfirmClearRecording()) {
                StateChanged(session_.ImagerState());
                return;
            }
            // Answering the question erased the recording already.
            if (command == hgcmd::kErase && had_recording)
                return;
        }
        if (command == hgcmd::kPlayForward || command == hgcmd::kPlayReverse) {
            play_forward_button_->setChecked(command == hgcmd::kPlayForward);
            play_reverse_button_->setChecked(command == hgcmd::kPlayReverse);
        }
        session_.Command(command);
        session_.Link().WaitIdle();
        if (IsPlayCommand(command))
            ShowPlayRate();
    });
}

void THGControlsPage::ShowPlayRate()
{
    const int32_t rate = session_.Read(hgcmd::kPlayRate);
    ShowIndex(play_rate_list_, rate >= 0 && rate < play_rate_list_->count() ? int(rate) : -1);
}

void THGControlsPage::PlayRateChange()
{
    session_.Guarded([this] {
        session_.Write(hgcmd::kPlayRate, uint32_t(play_rate_list_->currentIndex()));
        ShowPlayRate();
    });
}

void THGControlsPage::FrameNumberChange()
{
    session_.Guarded([this] {
        bool ok = false;
        const int frame = frame_list_->currentText().toInt(&ok);
        if (!ok)
            return;
        session_.Command(hgcmd::kStop);
        session_.Write(hgcmd::kGoToFrame, uint32_t(frame));
    });
}

void THGControlsPage::RearPanelChange()
{
    session_.Guarded([this] {
        const auto mode = HGOneButtonMode(one_button_list_->currentIndex());
        auto_exposure_check_->setEnabled(mode != HGOneButtonMode::Off);
        session_.Write(hgcmd::kAutoAcq, HGAutoAcqValue(mode, auto_exposure_check_->isChecked()));
        if (mode != HGOneButtonMode::Off)
            session_.Write(hgcmd::kAutoSave, mode == HGOneButtonMode::RecordDownload ? 1 : 0);
    });
}

void THGControlsPage::PanelDisabledClick()
{
    session_.Guarded(
        [this] { session_.Write(hgcmd::kDisableBtns, panel_disabled_check_->isChecked() ? 1 : 0); });
}

} // namespace fw
