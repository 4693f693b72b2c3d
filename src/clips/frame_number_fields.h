#pragma once

#include <cstdint>

namespace fw {

// Which field of a frame range the user edited last (the range bar moves that one).
enum class FrameField { Preview, First, Last };

// The numbers a preview's "Frame Numbers" group edits: the lowest and highest number of the
// source, the first and last number saved, the sampling interval and the number previewed. How
// the numbers are kept in range and on the interval grid is the source's.
class FrameFieldsModel {
public:
    virtual ~FrameFieldsModel() = default;

    int32_t Lowest() const { return lowest_; }
    int32_t Highest() const { return highest_; }
    int32_t First() const { return first_; }
    int32_t Last() const { return last_; }
    int32_t Interval() const { return interval_; }
    int32_t Preview() const { return preview_; }
    FrameField LastEntered() const { return last_entered_; }
    // Frames saved.
    virtual int32_t Count() const = 0;

    // Leaving an edited field.
    virtual void LeaveFirst(int64_t value) = 0;
    virtual void LeaveLast(int64_t value) = 0;
    virtual void LeaveInterval(int64_t value) = 0;
    virtual void LeavePreview(int64_t value) = 0;
    // Spin buttons: a field moves by the interval (the interval by 1).
    virtual void SpinFirst(int direction) = 0;
    virtual void SpinLast(int direction) = 0;
    virtual void SpinPreview(int direction) = 0;
    virtual void SpinInterval(int direction) = 0;

    // The range bar sets the field entered last.
    void SetFromBar(int64_t value);

protected:
    FrameFieldsModel(int32_t lowest, int32_t highest)
        : lowest_(lowest)
        , highest_(highest)
        , first_(lowest)
        , last_(highest)
        , preview_(lowest)
    {
    }

    int32_t lowest_;
    int32_t highest_;
    int32_t first_;
    int32_t last_;
    int32_t interval_ = 1;
    int32_t preview_;
    FrameField last_entered_ = FrameField::Preview;
};

// The frame range of an import: the first and last source numbers saved, the sampling interval
// and the number previewed, all kept within the source's numbers and on the interval grid.
class FrameNumberFields : public FrameFieldsModel {
public:
    // The source numbers lowest .. highest (at least one frame).
    FrameNumberFields(int32_t lowest, int32_t highest);

    // Frames saved: (last - first) / interval + 1.
    int32_t Count() const override { return (last_ - first_) / interval_ + 1; }
    // The saved frame the preview number is.
    int32_t PreviewIndex() const { return (preview_ - first_) / interval_; }

    // A whole range at once (stored values): each number kept in range, last on the grid.
    void SetRange(int64_t first, int64_t last, int64_t interval);

    // Leaving an edited field. The edited end moves down onto the interval grid; when that
    // would leave the source's numbers the other end moves instead. An end edited past the
    // other one takes it along.
    void LeaveFirst(int64_t value) override;
    void LeaveLast(int64_t value) override;
    void LeaveInterval(int64_t value) override;
    // The preview number is kept within first .. last and moved down onto the grid.
    void LeavePreview(int64_t value) override;

    // The preview number does not leave first .. last; first and last stop at the source's ends.
    void SpinFirst(int direction) override;
    void SpinLast(int direction) override;
    void SpinPreview(int direction) override;
    void SpinInterval(int direction) override;

private:
    int32_t Clamp(int64_t value) const;
    int32_t ClampInterval(int64_t value) const;
    // Puts the interval grid through the fixed end: `moved_first` says which end was edited.
    void Align(bool moved_first);
    void KeepPreview();
};

} // namespace fw
