#pragma once

#include <cstdint>

#include <QWidget>

namespace fw {

class TFWMediaPlayer;
class TimeBarSlider;

// The controls under a clip window's legend: the frame bar, which shows the frame on screen and
// the play loop, and the player bar.
class DisplayControls : public QWidget {
    Q_OBJECT
public:
    explicit DisplayControls(QWidget* parent);

    TFWMediaPlayer* Player() const { return player_; }

    void Place(const QRect& area);
    // The bar of a clip with this many frames, at the first.
    void SetFrameCount(int32_t count);
    // Moves the bar to the frame on screen without reporting it as the user's move.
    void ShowFrame(int32_t index);

    // The play loop from the bar's selection, as the pop-up menu's items set it.
    void SetPlayLoopStart();
    void SetPlayLoopEnd();
    void SetFullPlayLoop();
    // A player just opened plays the loop already selected on the bar.
    void ApplySelectedLoop();

signals:
    // The user moved the frame bar.
    void frameBarMoved(int position);

private:
    TimeBarSlider* frame_bar_;
    TFWMediaPlayer* player_;
    bool showing_frame_ = false;
};

} // namespace fw
