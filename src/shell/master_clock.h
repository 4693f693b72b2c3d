#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QString>

namespace fw {

// What the master clock needs of a child window. The main window adapts its children to this,
// so the clock runs without windows (and tests drive it with plain objects). Any operation may
// throw; the clock then drops that child.
class MasterChild {
public:
    virtual ~MasterChild() = default;

    // Once per tick: whether the child drew; reports range-stale and closing.
    virtual bool Poll(bool& range_stale, bool& closing) = 0;
    // Returns and clears the user-moved flag; time_ms is the child's time when it was set.
    virtual bool UserMovedTime(float& time_ms) = 0;
    virtual void SeekTime(double time_ms) = 0;
    virtual float FirstFrameTimeMs() const = 0;
    // Time of the last frame.
    virtual float EndTime() = 0;
    virtual float FramePeriodMs() const = 0;
    // 0 no recorder control, 1 recorder idle, 2 recorder armed or recording.
    virtual int DeviceKind() = 0;
    // Stand-alone clip windows take part in the master timing; preview windows do not.
    virtual bool IsTimed() const = 0;
    virtual bool IsClosing() const = 0;
};

// The time bar as numbers; the window mirrors them onto its slider. The selection is the play
// loop; it is set when sel_end > sel_start.
struct TimeBarState {
    int maximum = 10;
    int frequency = 1;
    int position = 0;
    int sel_start = 0;
    int sel_end = 0;

    bool HasSelection() const { return sel_end > sel_start; }
};

// Playback speeds of the time panel's pop-up menu: timer interval per master step.
struct PlaySpeed {
    const char* caption;
    int interval_ms;
};
inline constexpr PlaySpeed kPlaySpeeds[]
    = { { "1/8", 533 }, { "1/4", 267 }, { "1/2", 133 }, { "x1", 67 }, { "x2", 33 } };
inline constexpr int kDefaultPlaySpeed = 3;

// One master time over every timed child: the range they span, the transport, and the timing
// part of the main window's timer tick. Times are 32-bit floats in ms, as the children keep
// them; `now_ms` is a steady clock reading passed in by the caller.
class MasterClock {
public:
    static constexpr float kNoStart = 999999.0f;
    static constexpr float kNoEnd = -999999.0f;
    static constexpr float kNoStep = 999999.0f;
    static constexpr int kIdleIntervalMs = 200;
    static constexpr int kBusyIntervalMs = 25;
    static constexpr int kAdvanceSpacingMs = 25;
    static constexpr int kFlashSpacingMs = 700;

    struct TickResult {
        bool drew = false; // some child drew
        bool range_recomputed = false; // the window refreshes its panel and command states
        bool children_dropped = false;
    };

    // Called for every child the clock drops because it failed, with the failure's message; the
    // caller forgets the child too and keeps a trace of why.
    std::function<void(MasterChild*, const QString& reason)> on_child_dropped;

    void AddChild(MasterChild* child);
    void RemoveChild(MasterChild* child);
    const std::vector<MasterChild*>& Children() const { return children_; }
    bool HasChildren() const { return !children_.empty(); }

    // Polls, syncs, recomputes the range when stale and advances while playing.
    TickResult Tick(int64_t now_ms);
    void MarkRangeStale() { range_stale_ = true; }
    bool RangeStale() const { return range_stale_; }
    void RecomputeRange();

    // Whether the current child's caption should flash now; remembers the flash when it does.
    bool FlashDue(int64_t now_ms);

    // Transport.
    void TimeBarChanged(int position);
    void Stop();
    void StopAtTimeZero();
    void JumpToStart();
    void JumpToEnd();
    void StepForward();
    void StepBackward();
    void Play();
    void RepeatingPlay();
    void SetSpeed(int index);
    void SetLoopStart();
    void SetLoopEnd();
    void SetFullLoop();

    bool Playing() const { return play_ || repeat_; }
    bool PlayDown() const { return play_; }
    bool RepeatDown() const { return repeat_; }
    bool HasTimedChildren() const { return has_timed_; }
    bool SyncPending() const { return sync_pending_; }
    float MasterTime() const { return master_time_; }
    float Start() const { return start_; }
    float End() const { return end_; }
    float Step() const { return step_; }
    float LoopStart() const { return loop_start_; }
    float LoopEnd() const { return loop_end_; }
    uint8_t Kinds() const { return kinds_; }
    bool HasKind(int kind) const { return (kinds_ >> kind) & 1u; }
    int IntervalMs() const { return interval_ms_; }
    int PlayIntervalMs() const { return play_interval_ms_; }
    int SpeedIndex() const { return speed_index_; }
    const TimeBarState& TimeBar() const { return time_bar_; }

private:
    void DropChild(MasterChild* child, const QString& reason);
    // Runs one call to a child; a child that throws is dropped.
    template <typename Call> void Guarded(MasterChild* child, Call call);
    bool PollChildren();
    void SyncChildren();
    void AdvanceOrAdapt(int64_t now_ms, bool drew);
    void ApplyLoopFromSelection();
    int BarPosition(float time_ms) const;

    std::vector<MasterChild*> children_;
    bool dropped_ = false;

    float start_ = kNoStart;
    float end_ = kNoEnd;
    float step_ = kNoStep;
    float loop_start_ = kNoStart;
    float loop_end_ = kNoEnd;
    float master_time_ = 0.0f;
    uint8_t kinds_ = 0;
    bool has_timed_ = false;
    bool play_ = false;
    bool repeat_ = false;
    bool sync_pending_ = false;
    bool range_stale_ = false;
    bool idle_toggle_ = false;
    int interval_ms_ = kIdleIntervalMs;
    int play_interval_ms_ = kPlaySpeeds[kDefaultPlaySpeed].interval_ms;
    int speed_index_ = kDefaultPlaySpeed;
    int64_t last_advance_ms_ = 0;
    int64_t last_flash_ms_ = 0;
    TimeBarState time_bar_;
};

} // namespace fw
