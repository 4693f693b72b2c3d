#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QString>

namespace fw {

// The buttons of the player bar, in the order they are laid out.
enum class TMPBtnType {
    btRepeat,
    btPlay,
    btPause,
    btStop,
    btNext,
    btPrev,
    btStep,
    btBack,
    btRecord,
    btEject,
    btSlow,
    btFast,
};

inline constexpr int kPlayerButtonCount = 12;

enum class PlayerMode { NotOpen, Stopped, Playing, Paused };

// How a command the player started came to an end.
enum class NotifyResult { Successful = 0, Superseded = 1, Aborted = 2, Failure = 3 };

// Failed commands leave a code here instead of throwing; only Open throws.
enum class PlayerError { None, Unsupported };

struct PlayerButton {
    bool visible = true;
    bool enabled = true;
    bool coloured = true;
    bool auto_enabled = true;
    QString hint;
};

struct PlayerCapabilities {
    bool can_play = true;
    bool can_record = false;
    bool can_eject = false;
    bool uses_window = true;
    bool has_video = true;
};

// A play in progress runs from `from_frame` towards `to_frame`; `serial` grows with every
// (re)started play so the playing clock knows when to resynchronise.
struct PlayRange {
    int from_frame = 0;
    int to_frame = 0;
    std::uint64_t serial = 0;
};

// State and rules of the player bar under a clip window, without any widget, timer or decoder.
// Positions and lengths are in frames. The playing clock reports progress through
// SetPlayingPosition and PlayFinished; the bar's widget reads the button flags.
class PlayerState {
public:
    static constexpr int kMinPlayRate = 125;
    static constexpr int kMaxPlayRate = 8000;
    static constexpr int kNormalPlayRate = 1000;
    static constexpr int kRepeatPasses = 99999;

    PlayerState();

    // Opens a clip of the given length; closes first when open. Throws fw::Error for a clip
    // without frames.
    void Open(int length_frames, const PlayerCapabilities& capabilities = {});
    void Close();
    bool IsOpen() const { return mode_ != PlayerMode::NotOpen; }

    // The commands below throw fw::Error("Player Not Open") on a closed player.
    void Play();
    void PlayRepeat(int passes);
    void Pause();
    void Stop();
    void Next();
    void Previous();
    void Step();
    void Back();
    void Record();
    void Eject();
    void Seek(int frame);
    int Length() const;
    int Position() const;
    PlayerMode Mode() const;
    void SetLoopStart(int frame);
    void SetLoopEnd(int frame);

    // Runs a button press: ignored (false) unless the button is visible and enabled.
    bool Press(TMPBtnType button);
    std::optional<TMPBtnType> LastButton() const { return last_button_; }

    // Reports from the playing clock.
    void SetPlayingPosition(int frame);
    void PlayFinished();
    void Notify(NotifyResult result);

    int PlayRate() const { return play_rate_; }
    void SetPlayRate(int rate);
    int StepSize() const { return step_size_; }
    void SetStepSize(int frames);
    int LoopStart() const { return loop_start_; }
    int LoopEnd() const { return loop_end_; }
    bool LoopStartPending() const { return start_pending_; }
    bool LoopEndPending() const { return end_pending_; }
    int RepeatCount() const { return repeat_count_; }
    const PlayRange& CurrentPlay() const { return play_; }

    bool AutoRewind() const { return auto_rewind_; }
    void SetAutoRewind(bool on) { auto_rewind_ = on; }
    bool AutoEnable() const { return auto_enable_; }
    void SetAutoEnable(bool on) { auto_enable_ = on; }
    PlayerError LastError() const { return last_error_; }
    NotifyResult LastNotifyResult() const { return notify_result_; }
    const PlayerCapabilities& Capabilities() const { return capabilities_; }

    const PlayerButton& Button(TMPBtnType button) const;
    void SetVisible(TMPBtnType button, bool on);
    void SetEnabled(TMPBtnType button, bool on);
    void SetColoured(TMPBtnType button, bool on);
    void SetAutoEnabled(TMPBtnType button, bool on);
    void SetHint(TMPBtnType button, const QString& hint);

private:
    void RequireOpen() const;
    void RunCommand(TMPBtnType button);
    void BeginPlay();
    void StartPlay(int from_frame);
    void StopAt(int frame);
    void KeepLoopInClip();
    void UpdateButtonsFromMode();
    void SetAutoButton(TMPBtnType button, bool enabled);
    PlayerButton& ButtonRef(TMPBtnType button);

    std::array<PlayerButton, kPlayerButtonCount> buttons_;
    PlayerCapabilities capabilities_;
    PlayerMode mode_ = PlayerMode::NotOpen;
    int length_frames_ = 0;
    int position_ = 0;
    int play_rate_ = kNormalPlayRate;
    int step_size_ = 1;
    int loop_start_ = 0;
    int loop_end_ = 0;
    bool start_pending_ = false;
    bool end_pending_ = false;
    int repeat_count_ = 0;
    bool auto_rewind_ = true;
    bool auto_enable_ = true;
    PlayRange play_;
    PlayerError last_error_ = PlayerError::None;
    NotifyResult notify_result_ = NotifyResult::Successful;
    std::optional<TMPBtnType> last_button_;
};

} // namespace fw
