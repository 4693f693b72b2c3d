#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "measure/sample_object.h"

namespace fw {

class TFrameObjectList;

// Header rows above the first frame row of the data sheet.
constexpr int32_t kSheetHeaderRows = 3;

// One frame that carries samples, at most one per object definition. It owns them.
class TFrameObject {
public:
    TFrameObject(TFrameObjectList* list, int32_t frame_number, double time_ms);
    ~TFrameObject();
    TFrameObject(const TFrameObject&) = delete;
    TFrameObject& operator=(const TFrameObject&) = delete;

    TFrameObjectList* List() const { return list_; }
    int32_t FrameNumber() const { return frame_number_; }
    double TimeMs() const { return time_ms_; }
    void SetTimeMs(double time_ms) { time_ms_ = time_ms; }
    int32_t GridRow() const { return frame_number_ + kSheetHeaderRows; }

    // The object's sample on this frame, or nullptr.
    TSampleObject* SampleOf(const TObjDef* def) const;
    // The object's sample, created (without points) when missing.
    TSampleObject& SampleOrNew(TObjDef* def);
    // The object's sample; fails with "<name> sample not found".
    TSampleObject& SampleOrFail(const TObjDef* def) const;
    // Frees the object's sample; false when there was none.
    bool RemoveSample(const TObjDef* def);

    const std::vector<std::unique_ptr<TSampleObject>>& Samples() const { return samples_; }

private:
    TFrameObjectList* list_;
    int32_t frame_number_;
    double time_ms_;
    std::vector<std::unique_ptr<TSampleObject>> samples_;
};

// Where a frame number lies in the list: the frame with that number or the first one after it
// (nullptr past the end), its position, and whether the number matched.
struct FrameFind {
    TFrameObject* frame = nullptr;
    size_t position = 0;
    bool exact = false;
};

// The frames that carry samples, sorted by frame number, and the time base of the sheet.
class TFrameObjectList {
public:
    static constexpr int32_t kNoCurrentFrame = -999999;

    FrameFind Find(int32_t frame_number) const;
    TFrameObject& GetOrCreate(int32_t frame_number);
    // The neighbouring frame record (nullptr at either end); a frame that is not in this list
    // fails with "NextFrame <n> not found" / "PrevFrame <n> not found".
    TFrameObject* NextFrame(const TFrameObject& frame) const;
    TFrameObject* PrevFrame(const TFrameObject& frame) const;

    const std::vector<std::unique_ptr<TFrameObject>>& Frames() const { return frames_; }

    int32_t CurrentFrame() const { return current_frame_; }
    void SetCurrentFrame(int32_t frame_number) { current_frame_ = frame_number; }

    // Time of frame 0 and interval in milliseconds; decimals of the time column. Every frame
    // record takes its new time.
    void SetTimeBase(double frame0_time_ms, double interval_ms, int decimals);
    double Frame0TimeMs() const { return frame0_time_ms_; }
    double IntervalMs() const { return interval_ms_; }
    int TimeDecimals() const { return time_decimals_; }
    double FrameTime(int32_t frame_number) const;

private:
    size_t PositionOf(const TFrameObject& frame, const char* operation) const;

    std::vector<std::unique_ptr<TFrameObject>> frames_;
    int32_t current_frame_ = kNoCurrentFrame;
    double frame0_time_ms_ = 0.0;
    double interval_ms_ = 1.0;
    int time_decimals_ = 3;
};

} // namespace fw
