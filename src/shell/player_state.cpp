#include "shell/player_state.h"

#include <algorithm>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr std::array<const char*, kPlayerButtonCount> kHints = {
    "Repeating Play",
    "Play",
    "Pause",
    "Stop",
    "Next Track",
    "Previous Track",
    "Step Forward",
    "Step Backward",
    "Record",
    "Eject",
    "Slower Play",
    "Faster Play",
};

int Index(TMPBtnType button)
{
    return static_cast<int>(button);
}

} // namespace

PlayerState::PlayerState()
{
    for (int i = 0; i < kPlayerButtonCount; ++i)
        buttons_[static_cast<std::size_t>(i)].hint = QString::fromLatin1(kHints[static_cast<std::size_t>(i)]);
}

void PlayerState::Open(int length_frames, const PlayerCapabilities& capabilities)
{
    if (IsOpen())
        Close();
    // A clip without frames would leave the loop and every position outside the clip.
    if (length_frames < 1)
        throw Error("The clip has no frames to play.");
    capabilities_ = capabilities;
    length_frames_ = length_frames;
    position_ = 0;
    loop_start_ = 0;
    loop_end_ = length_frames - 1;
    start_pending_ = false;
    end_pending_ = false;
    // Short clips still step by a frame; a step of zero frames would leave the buttons dead.
    step_size_ = std::max(1, length_frames / 10);
    repeat_count_ = 0;
    last_error_ = PlayerError::None;
    mode_ = PlayerMode::Stopped;
    if (auto_enable_)
        UpdateButtonsFromMode();
}

void PlayerState::Close()
{
    if (!IsOpen())
        return;
    mode_ = PlayerMode::NotOpen;
    length_frames_ = 0;
    position_ = 0;
    repeat_count_ = 0;
    if (auto_enable_)
        UpdateButtonsFromMode();
}

void PlayerState::RequireOpen() const
{
    if (!IsOpen())
        throw Error("Player Not Open");
}

void PlayerState::Play()
{
    RequireOpen();
    last_error_ = PlayerError::None;
    repeat_count_ = 0;
    BeginPlay();
}

void PlayerState::PlayRepeat(int passes)
{
    RequireOpen();
    last_error_ = PlayerError::None;
    repeat_count_ = std::max(1, passes);
    BeginPlay();
}

void PlayerState::BeginPlay()
{
    const bool pending = start_pending_ || end_pending_;
    // Every play ends at the loop end, so a position there counts as the end for rewinding.
    if (auto_rewind_ && !pending && (position_ >= length_frames_ - 1 || position_ >= loop_end_))
        position_ = loop_start_;
    int from = start_pending_ ? loop_start_ : position_;
    start_pending_ = false;
    end_pending_ = false;
    // A loop end just moved before the position: play the loop rather than nothing.
    if (auto_rewind_ && from >= loop_end_)
        from = loop_start_;
    if (from >= loop_end_) {
        // Nothing left to play before the loop end: the play completes at once.
        StopAt(from);
        return;
    }
    StartPlay(from);
}

void PlayerState::StartPlay(int from_frame)
{
    position_ = from_frame;
    play_.from_frame = from_frame;
    play_.to_frame = loop_end_;
    ++play_.serial;
    mode_ = PlayerMode::Playing;
}

void PlayerState::StopAt(int frame)
{
    position_ = frame;
    mode_ = PlayerMode::Stopped;
    repeat_count_ = 0;
}

void PlayerState::Pause()
{
    RequireOpen();
    last_error_ = PlayerError::None;
    if (mode_ == PlayerMode::Playing)
        mode_ = PlayerMode::Paused;
    else if (mode_ == PlayerMode::Paused)
        mode_ = PlayerMode::Playing;
    else
        BeginPlay(); // nothing to resume
}

void PlayerState::Stop()
{
    RequireOpen();
    last_error_ = PlayerError::None;
    StopAt(position_);
}

void PlayerState::Next()
{
    RequireOpen();
    last_error_ = PlayerError::None;
    StopAt(length_frames_ - 1);
}

void PlayerState::Previous()
{
    RequireOpen();
    last_error_ = PlayerError::None;
    StopAt(0);
}

void PlayerState::Step()
{
    RequireOpen();
    last_error_ = PlayerError::None;
    const int last = length_frames_ - 1;
    if (auto_rewind_ && position_ >= last)
        StopAt(loop_start_);
    else
        StopAt(std::min(position_ + step_size_, last));
}

void PlayerState::Back()
{
    RequireOpen();
    last_error_ = PlayerError::None;
    if (auto_rewind_ && position_ == loop_start_)
        StopAt(length_frames_ - 1);
    else
        StopAt(std::max(position_ - step_size_, 0));
}

void PlayerState::Record()
{
    RequireOpen();
    // Clips are only played here; the device never records.
    last_error_ = PlayerError::Unsupported;
}

void PlayerState::Eject()
{
    RequireOpen();
    last_error_ = capabilities_.can_eject ? PlayerError::None : PlayerError::Unsupported;
}

void PlayerState::Seek(int frame)
{
    RequireOpen();
    last_error_ = PlayerError::None;
    StopAt(std::clamp(frame, 0, length_frames_ - 1));
}

int PlayerState::Length() const
{
    RequireOpen();
    return length_frames_;
}

int PlayerState::Position() const
{
    RequireOpen();
    return position_;
}

PlayerMode PlayerState::Mode() const
{
    RequireOpen();
    return mode_;
}

void PlayerState::SetLoopStart(int frame)
{
    RequireOpen();
    const int last = length_frames_ - 1;
    frame = std::max(frame, 0);
    if (frame >= loop_end_) {
        if (frame >= last) {
            loop_end_ = last;
            loop_start_ = last - 1;
        } else {
            loop_start_ = frame;
            loop_end_ = frame + 1;
        }
    } else {
        loop_start_ = frame;
    }
    KeepLoopInClip();
    start_pending_ = true;
}

void PlayerState::SetLoopEnd(int frame)
{
    RequireOpen();
    frame = std::min(frame, length_frames_ - 1);
    if (frame <= loop_start_) {
        if (frame <= 0) {
            loop_start_ = 0;
            loop_end_ = 1;
        } else {
            loop_start_ = frame - 1;
            loop_end_ = frame;
        }
    } else {
        loop_end_ = frame;
    }
    KeepLoopInClip();
    end_pending_ = true;
}

void PlayerState::KeepLoopInClip()
{
    // Only a one-frame clip cannot hold start < end; both then sit on its single frame.
    const int last = length_frames_ - 1;
    loop_start_ = std::clamp(loop_start_, 0, last);
    loop_end_ = std::clamp(loop_end_, 0, last);
}

bool PlayerState::Press(TMPBtnType button)
{
    const PlayerButton& state = Button(button);
    if (!state.visible || !state.enabled)
        return false;
    last_button_ = button;
    RunCommand(button);
    if (auto_enable_ && last_error_ == PlayerError::None && IsOpen())
        UpdateButtonsFromMode();
    return true;
}

void PlayerState::RunCommand(TMPBtnType button)
{
    switch (button) {
    case TMPBtnType::btRepeat:
        PlayRepeat(kRepeatPasses);
        break;
    case TMPBtnType::btPlay:
        Play();
        break;
    case TMPBtnType::btPause:
        Pause();
        break;
    case TMPBtnType::btStop:
        Stop();
        break;
    case TMPBtnType::btNext:
        Next();
        break;
    case TMPBtnType::btPrev:
        Previous();
        break;
    case TMPBtnType::btStep:
        Step();
        break;
    case TMPBtnType::btBack:
        Back();
        break;
    case TMPBtnType::btRecord:
        Record();
        break;
    case TMPBtnType::btEject:
        Eject();
        break;
    case TMPBtnType::btSlow:
        SetPlayRate(play_rate_ / 2);
        break;
    case TMPBtnType::btFast:
        SetPlayRate(play_rate_ * 2);
        break;
    }
}

void PlayerState::SetPlayingPosition(int frame)
{
    if (mode_ == PlayerMode::Playing || mode_ == PlayerMode::Paused)
        position_ = std::clamp(frame, play_.from_frame, play_.to_frame);
}

void PlayerState::PlayFinished()
{
    if (mode_ != PlayerMode::Playing)
        return;
    if (repeat_count_ > 1) {
        --repeat_count_;
        StartPlay(loop_start_);
        return;
    }
    StopAt(play_.to_frame);
    Notify(NotifyResult::Successful);
}

void PlayerState::Notify(NotifyResult result)
{
    notify_result_ = result;
    if (auto_enable_ && mode_ == PlayerMode::Stopped)
        UpdateButtonsFromMode();
}

void PlayerState::SetPlayRate(int rate)
{
    rate = std::clamp(rate, kMinPlayRate, kMaxPlayRate);
    if (rate == play_rate_)
        return;
    play_rate_ = rate;
    // The clock times a play from its start, so a new rate restarts it from where it is.
    if (mode_ == PlayerMode::Playing)
        StartPlay(position_);
}

void PlayerState::SetStepSize(int frames)
{
    step_size_ = std::max(1, frames);
}

const PlayerButton& PlayerState::Button(TMPBtnType button) const
{
    return buttons_[static_cast<std::size_t>(Index(button))];
}

PlayerButton& PlayerState::ButtonRef(TMPBtnType button)
{
    return buttons_[static_cast<std::size_t>(Index(button))];
}

void PlayerState::SetVisible(TMPBtnType button, bool on)
{
    ButtonRef(button).visible = on;
}
void PlayerState::SetEnabled(TMPBtnType button, bool on)
{
    ButtonRef(button).enabled = on;
}
void PlayerState::SetColoured(TMPBtnType button, bool on)
{
    ButtonRef(button).coloured = on;
}
void PlayerState::SetAutoEnabled(TMPBtnType button, bool on)
{
    ButtonRef(button).auto_enabled = on;
}
void PlayerState::SetHint(TMPBtnType button, const QString& hint)
{
    ButtonRef(button).hint = hint;
}

void PlayerState::SetAutoButton(TMPBtnType button, bool enabled)
{
    PlayerButton& state = ButtonRef(button);
    if (state.auto_enabled)
        state.enabled = enabled;
}

void PlayerState::UpdateButtonsFromMode()
{
    const bool can_play = IsOpen() && capabilities_.can_play;
    const bool running = mode_ == PlayerMode::Playing || mode_ == PlayerMode::Paused;
    SetAutoButton(TMPBtnType::btRepeat, can_play && mode_ != PlayerMode::Playing);
    SetAutoButton(TMPBtnType::btPlay, can_play && mode_ != PlayerMode::Playing);
    SetAutoButton(TMPBtnType::btPause, can_play && running);
    SetAutoButton(TMPBtnType::btStop, can_play && running);
    for (TMPBtnType b : { TMPBtnType::btNext, TMPBtnType::btPrev, TMPBtnType::btStep, TMPBtnType::btBack,
             TMPBtnType::btSlow, TMPBtnType::btFast })
        SetAutoButton(b, can_play);
    SetAutoButton(TMPBtnType::btRecord, IsOpen() && capabilities_.can_record);
    SetAutoButton(TMPBtnType::btEject, IsOpen() && capabilities_.can_eject);
}

} // namespace fw
