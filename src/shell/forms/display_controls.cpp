#include "shell/forms/display_controls.h"

#include <algorithm>

#include "shell/clip_window_layout.h"
#include "shell/forms/media_player.h"
#include "shell/forms/time_bar.h"

namespace fw {

using namespace clip_window_metrics;

namespace {

// The buttons a clip window shows: the play-type ones, no pause, record, eject or rate buttons.
constexpr uint32_t kShownPlayerButtons = (1u << int(TMPBtnType::btRepeat)) | (1u << int(TMPBtnType::btPlay))
    | (1u << int(TMPBtnType::btStop)) | (1u << int(TMPBtnType::btNext)) | (1u << int(TMPBtnType::btPrev))
    | (1u << int(TMPBtnType::btStep)) | (1u << int(TMPBtnType::btBack));

} // namespace

DisplayControls::DisplayControls(QWidget* parent)
    : QWidget(parent)
    , frame_bar_(new TimeBarSlider(this))
    , player_(new TFWMediaPlayer(this))
{
    setObjectName(QStringLiteral("ControlsPanel"));
    frame_bar_->setObjectName(QStringLiteral("FrameBar"));
    frame_bar_->setRange(0, 0);
    connect(frame_bar_, &QSlider::valueChanged, this, [this](int position) {
        if (!showing_frame_)
            emit frameBarMoved(position);
    });
    player_->setObjectName(QStringLiteral("MediaPlayer"));
    player_->SetVisibleButtons(kShownPlayerButtons);
}

void DisplayControls::Place(const QRect& area)
{
    setGeometry(area);
    frame_bar_->setGeometry(0, 0, area.width(), kFrameBarHeight);
    player_->setGeometry(0, kFrameBarHeight, area.width(), kPlayerHeight);
}

void DisplayControls::SetFrameCount(int32_t count)
{
    frame_bar_->setRange(0, count - 1);
    frame_bar_->setValue(0);
    frame_bar_->setTickInterval(std::max(1, count / 10));
}

void DisplayControls::ShowFrame(int32_t index)
{
    if (frame_bar_->value() == index)
        return;
    showing_frame_ = true;
    frame_bar_->setValue(index);
    showing_frame_ = false;
}

void DisplayControls::SetPlayLoopStart()
{
    frame_bar_->setSelection(frame_bar_->value(), frame_bar_->selectionEnd());
    if (player_->IsOpen() && frame_bar_->selectionStart() < frame_bar_->selectionEnd())
        player_->SetLoopStart(frame_bar_->selectionStart());
}

void DisplayControls::SetPlayLoopEnd()
{
    frame_bar_->setSelection(frame_bar_->selectionStart(), frame_bar_->value());
    if (player_->IsOpen() && frame_bar_->selectionStart() < frame_bar_->selectionEnd())
        player_->SetLoopEnd(frame_bar_->selectionEnd());
}

void DisplayControls::SetFullPlayLoop()
{
    frame_bar_->setSelection(0, 0);
    if (!player_->IsOpen())
        return;
    player_->SetLoopStart(0);
    player_->SetLoopEnd(player_->Length() - 1);
}

void DisplayControls::ApplySelectedLoop()
{
    if (frame_bar_->selectionEnd() > frame_bar_->selectionStart()) {
        player_->SetLoopStart(frame_bar_->selectionStart());
        player_->SetLoopEnd(frame_bar_->selectionEnd());
    }
}

} // namespace fw
