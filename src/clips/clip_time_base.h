#pragma once

#include <cstdint>
#include <string>

#include <QString>

namespace fw {

// A time as the user sees it: value text, unit and hint.
struct ShownTime {
    QString text;
    QString unit; // "ms" or "s"
    QString hint; // "Time in Milliseconds" / "Time in Seconds"
};

// The time base of one clip and its descriptor block. The setters keep the block's [Timing]
// entries in step, as a clip window does.
class ClipTimeBase {
public:
    float FramePeriodMs() const { return frame_period_ms_; }
    float FirstFrameTimeMs() const { return first_frame_time_ms_; }
    int32_t FirstFrameNumber() const { return first_frame_number_; }
    int32_t FrameStep() const { return frame_step_; }
    int SkipFrameZero() const { return skip_frame_zero_; }
    int TimeDecimals() const { return time_decimals_; }
    // True once the period or the first-frame time was set.
    bool IsSet() const { return is_set_; }

    std::string& Descriptors() { return descriptors_; }
    const std::string& Descriptors() const { return descriptors_; }
    void SetDescriptors(std::string block) { descriptors_ = std::move(block); }

    void SetFramePeriod(double period_ms);
    void SetFirstFrameTime(double time_ms);
    void SetFirstFrameNumber(int32_t number);
    void SetSkipFrameZero(int skip) { skip_frame_zero_ = skip ? 1 : 0; }
    void SetFrameStep(int32_t step) { frame_step_ = step; }

    double FrameTime(int32_t index) const;
    int32_t IndexAtTime(double time_ms) const;

    // Number shown for a frame index, and the index of a shown number.
    int32_t ShownNumber(int32_t index) const;
    int32_t IndexOfShownNumber(int32_t number) const;

    // Parses the block into the time base (empty: 1000 frames per second from 0). Calls the
    // setters only when period or first-frame time differ. Returns true when it changed either.
    bool ApplyDescriptors(const std::string& block);

    ShownTime ShowTime(double time_ms) const;

private:
    // The period as every calculation uses it (never below 0.00001 ms).
    double CalcPeriodMs() const;

    float frame_period_ms_ = 0.0f;
    float first_frame_time_ms_ = 0.0f;
    int32_t first_frame_number_ = 1;
    int32_t frame_step_ = 1;
    int skip_frame_zero_ = 0;
    int time_decimals_ = 3;
    bool is_set_ = false;
    std::string descriptors_;
};

// Shows a time with a given number of decimals for milliseconds (seconds always with 3).
ShownTime ShowTimeMs(double time_ms, int time_decimals);

} // namespace fw
