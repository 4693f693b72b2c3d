#pragma once

#include <cstdint>

namespace fw {

// Which field of a frame range the user edited last (the range bar moves that one).
enum class FrameField { Preview, First, Last };

// The frame range of an import: the first and last source numbers saved, the sampling interval
// and the number previewed, all kept within the source's numbers and on the interval grid.
class FrameNumberFields {
public:
    // The source numbers lowest .. highest (at least one frame).
    FrameNumberFields(int32_t lowest, int32_t highest);

    int32_t Lowest() const { return lowest_; }
    int32_t Highest() const { return highest_; }
    int32_t First() const { return first_; }
    int32_t Last() const { return last_; }
    int32_t Interval() const { return interval_; }
    int32_t Preview() const { return preview_; }
    // Frames saved: (last - first) / interval + 1.
    int32_t Count() const { return (last_ - first_) / interval_ + 1; }
    // The saved frame the preview number is.
    int32_t PreviewIndex() const { return (preview_ - first_) / interval_; }
    FrameField LastEntered() const { return last_entered_; }

    // A whole range at once (stored values): each number kept in range, last on the grid.
    void SetRange(int64_t first, int64_t last, int64_t interval);

    // Leaving an edited field. The edited end moves down onto the interval grid; when that
    // would leave the source's numbers the other end moves instead. An end edited past the
    // other one takes it along.
    void LeaveFirst(int64_t value);
    void LeaveLast(int64_t value);
    void LeaveInterval(int64_t value);
    // The preview number is kept within first .. last and moved down onto the grid.
    void LeavePreview(int64_t value);

    // Spin buttons: a field moves by the interval (the interval by 1). The preview number does
    // not leave first .. last; first and last stop at the source's ends.
    void SpinFirst(int direction);
    void SpinLast(int direction);
    void SpinPreview(int direction);
    void SpinInterval(int direction);

    // The range bar sets the field entered last.
    void SetFromBar(int64_t value);

private:
    int32_t Clamp(int64_t value) const;
    int32_t ClampInterval(int64_t value) const;
    // Puts the interval grid through the fixed end: `moved_first` says which end was edited.
    void Align(bool moved_first);
    void KeepPreview();

    int32_t lowest_;
    int32_t highest_;
    int32_t first_;
    int32_t last_;
    int32_t interval_ = 1;
    int32_t preview_;
    FrameField last_entered_ = FrameField::Preview;
};

} // namespace fw
