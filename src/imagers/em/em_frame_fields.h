#pragma once

#include <cstdint>

#include "clips/frame_number_fields.h"

namespace fw {

class TEM1012AVI;

// The frame numbers of the EM 1012 / HS 4540 download window, all processor frame numbers: the
// recording's range, the first and last frame saved, the sampling interval and the previewed
// frame. Saved frames follow the stream's numbering, so on an HS 4540 the grid skips frame 0
// and a count never loses or overshoots a frame around it.
class EmFrameFields : public FrameFieldsModel {
public:
    // A range wider than this is no recording.
    static constexpr std::int32_t kWidestRecording = 82000;

    // `stream` numbers the frames and must outlive the fields.
    explicit EmFrameFields(const TEM1012AVI& stream);

    // The recording's information: first..last when that is a plausible range, else none (the
    // range becomes 1..1 with nothing to save). The fields are kept within the range.
    void TakeRecording(std::int32_t first, std::int32_t last);
    // The processor has no recording to tell of: the range is 1..1 with nothing to save.
    void TakeNoRecording() { TakeRecording(1, 0); }
    // Pressing Record forgets the frames the processor held; the numbers stay.
    void ForgetRecording() { has_recording_ = false; }
    bool HasRecording() const { return has_recording_; }
    // Frames the processor holds; 0 without a recording.
    std::int32_t RecordedFrames() const;

    // Frames saved: first, first + interval, ... up to last; 0 without a recording.
    std::int32_t Count() const override;

    // Stored numbers: each kept in range, last onto the grid, the preview at the first frame.
    void Restore(std::int64_t first, std::int64_t last, std::int64_t interval);

    // Leaving an edited field. The edited end moves down onto the grid through the other end
    // (the first frame, when moving it would leave the range, stays and the last moves instead);
    // an end edited past the other takes it along.
    void LeaveFirst(std::int64_t value) override;
    void LeaveLast(std::int64_t value) override;
    void LeaveInterval(std::int64_t value) override;
    // Kept within first..last and moved down onto the grid.
    void LeavePreview(std::int64_t value) override;

    // Spin buttons step a field by the interval, over frame 0 where the numbering skips it. A
    // preview outside first..last is not taken; first and last stop at the range's ends.
    void SpinFirst(int direction) override;
    void SpinLast(int direction) override;
    void SpinPreview(int direction) override;
    // The interval by 1, never below 1.
    void SpinInterval(int direction) override;

private:
    // Within the range; where the numbering skips 0, a 0 becomes -1 or 1.
    std::int32_t Keep(std::int64_t value) const;
    std::int32_t ClampInterval(std::int64_t value) const;
    // The number of frame `index` of a run from `first` at the interval.
    std::int32_t NumberAt(std::int32_t first, std::int32_t index) const;
    // The last frame of a run from `first` that lies at or before `number`.
    std::int32_t OnGrid(std::int32_t first, std::int32_t number) const;
    std::int64_t Stepped(std::int32_t number, int direction) const;
    void AlignFirst();
    void AlignLast();
    void KeepPreview();

    const TEM1012AVI& stream_;
    bool skips_zero_;
    bool has_recording_ = false;
};

} // namespace fw
