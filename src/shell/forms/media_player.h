#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <QWidget>

#include "shell/play_pacer.h"
#include "shell/play_timer.h"
#include "shell/player_button_row.h"
#include "shell/player_commands.h"
#include "shell/player_state.h"

namespace fw {

// The player bar under a clip window: a row of buttons over a PlayerState, and the player that
// walks the position through a play in time. It shows no pictures itself: each frame of a play
// is announced through positionChanged, and the window that listens decodes and paints it.
class TFWMediaPlayer : public QWidget {
    Q_OBJECT
public:
    using PlayStats = fw::PlayStats;

    explicit TFWMediaPlayer(QWidget* parent = nullptr);
    ~TFWMediaPlayer() override;

    // Plays run on the system's steady clock unless another timer is given; a play in
    // progress goes on from the frame on screen.
    void SetPlayTimer(std::unique_ptr<PlayTimer> timer);

    // Starts at frame 0, which the owner is taken to show already. Throws fw::Error for a clip
    // without frames.
    void Open(int length_frames, double frames_per_second);
    void Close();
    bool IsOpen() const { return state_.IsOpen(); }

    // Commands of the buttons; each throws fw::Error("Player Not Open") on a closed player.
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

    int Length() const { return state_.Length(); }
    int Position() const { return state_.Position(); }
    PlayerMode Mode() const { return state_.Mode(); }
    void SetLoopStart(int frame) { state_.SetLoopStart(frame); }
    void SetLoopEnd(int frame) { state_.SetLoopEnd(frame); }

    int PlayRate() const { return state_.PlayRate(); }
    // Clamped to 125 .. 8000; restarts a play in progress at the new rate.
    void SetPlayRate(int rate);
    void SetStepSize(int frames) { state_.SetStepSize(frames); }
    void SetAutoRewind(bool on) { state_.SetAutoRewind(on); }

    // Sets of buttons, as bit masks over TMPBtnType (bit i = button i).
    void SetVisibleButtons(std::uint32_t mask);
    void SetEnabledButtons(std::uint32_t mask);
    void SetColoredButtons(std::uint32_t mask);

    // The least spacing between two frames shown during a play (default from the screen's
    // refresh rate, clamped 4..40 ms): showing frames faster than the screen can is wasted
    // decoding.
    void SetMinimumFrameSpacing(int spacing_ms) { pacer_.SetMinimumSpacingMs(spacing_ms); }
    int MinimumFrameSpacing() const { return pacer_.MinimumSpacingMs(); }

    const PlayerState& State() const { return state_; }

    // As if the user clicked the button: click event (may cancel), command, post-click event,
    // button states updated from the mode. False when the button is hidden or disabled.
    // Throws like the command it runs.
    bool Press(TMPBtnType button);
    std::optional<TMPBtnType> LastButton() const { return state_.LastButton(); }

    const PlayStats& Stats() const { return pacer_.Stats(); }

    QSize sizeHint() const override;

signals:
    void clicked(fw::TMPBtnType button, bool* cancel);
    void postClicked(fw::TMPBtnType button);
    // A command completed (also once, queued, after Open).
    void notified(fw::NotifyResult result);
    // Play, seek or step moved the position: show that frame now.
    void positionChanged(int frame);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    using CommandKind = PlayCommandKind;
    // Runs a command of the player state, then starts or stops the clock and notifies as its
    // outcome says.
    template <typename Command> void Run(CommandKind kind, Command&& command);
    // Without a start time the clock starts at its first timer shot.
    void StartClock(bool from_play_start, std::optional<std::int64_t> start_us);
    void StopClock();
    void OnTick();
    void FinishPass(std::int64_t now_us);
    void ShowPosition();
    void SendNotify(NotifyResult result);
    std::int64_t NowUs() const;

    void PressFromUser(TMPBtnType button);

    PlayerState state_;
    PlayerButtonRow row_ { state_ };
    PlayPacer pacer_;
    std::unique_ptr<PlayTimer> timer_;
    double frames_per_second_ = PlayingClock::kFallbackFramesPerSecond;
    int shown_frame_ = -1; // last frame the listener was told to show
    std::uint64_t open_generation_ = 0;

    std::optional<TMPBtnType> pressed_;
    bool pressed_inside_ = false;
};

} // namespace fw
