#pragma once

#include <QGroupBox>

#include "clips/frame_number_fields.h"

class QLineEdit;

namespace fw {

class SpinButtons;
class TimeBarSlider;

// The "Frame Numbers" group of the previews over their frame numbers: the previewed, first and
// last frame and the sampling interval ("PreviewEN", "FirstEN", "LastEN", "StepEdit"), each a
// number field with spin buttons, and the range bar ("FrameRangeTB"). Enter in a field acts as
// leaving it; text that is no whole number is replaced by the number again.
class FrameNumbersGroup : public QGroupBox {
    Q_OBJECT
public:
    // Component names of the spin buttons beside the preview, first and last fields; the
    // interval's are "StepSpin".
    struct SpinNames {
        const char* preview;
        const char* first;
        const char* last;
    };

    FrameNumbersGroup(FrameFieldsModel& frames, const SpinNames& names, QWidget* parent);

    // Shows the model's numbers, the range on the bar and the saved frames as its selection.
    void ShowNumbers();
    QLineEdit* Field(FrameField field) const;
    QLineEdit* IntervalField() const { return step_edit_; }

signals:
    // The previewed frame changed; the numbers show already.
    void previewChanged();
    // The first or last frame or the interval changed; the numbers show already.
    void rangeChanged();

private:
    void FieldLeft(FrameField field);
    void IntervalLeft();
    void BarMoved(int value);
    void Changed(FrameField field);

    FrameFieldsModel& frames_;
    bool showing_ = false;
    QLineEdit* preview_edit_;
    QLineEdit* first_edit_;
    QLineEdit* last_edit_;
    QLineEdit* step_edit_;
    SpinButtons* preview_spin_;
    SpinButtons* first_spin_;
    SpinButtons* last_spin_;
    SpinButtons* step_spin_;
    TimeBarSlider* range_bar_;
};

} // namespace fw
