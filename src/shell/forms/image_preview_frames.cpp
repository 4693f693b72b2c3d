#include "shell/forms/image_preview.h"

#include <QLineEdit>
#include <QPushButton>

#include "shell/forms/time_bar.h"

namespace fw {

namespace {

// The number typed in a field, or nothing when the text is not a whole number.
std::optional<int64_t> typedNumber(const QLineEdit* edit)
{
    bool ok = false;
    const qlonglong value = edit->text().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return int64_t(value);
}

} // namespace

void TImagePreview::FieldLeft(FrameField field)
{
    if (showing_values_)
        return;
    QLineEdit* edit = field == FrameField::Preview ? preview_edit_
        : field == FrameField::First               ? first_edit_
                                                   : last_edit_;
    const auto value = typedNumber(edit);
    if (!value) {
        ShowFrameFields();
        return;
    }
    switch (field) {
    case FrameField::Preview:
        frames_.LeavePreview(*value);
        ShowFrameFields();
        return;
    case FrameField::First:
        frames_.LeaveFirst(*value);
        break;
    case FrameField::Last:
        frames_.LeaveLast(*value);
        break;
    }
    FrameRangeChanged();
}

void TImagePreview::IntervalLeft()
{
    if (showing_values_)
        return;
    if (const auto value = typedNumber(step_edit_))
        frames_.LeaveInterval(*value);
    FrameRangeChanged();
}

void TImagePreview::RangeBarMoved(int value)
{
    if (showing_values_)
        return;
    frames_.SetFromBar(value);
    if (frames_.LastEntered() == FrameField::Preview)
        ShowFrameFields();
    else
        FrameRangeChanged();
}

void TImagePreview::ShowFrameFields()
{
    showing_values_ = true;
    preview_edit_->setText(QString::number(frames_.Preview()));
    first_edit_->setText(QString::number(frames_.First()));
    last_edit_->setText(QString::number(frames_.Last()));
    step_edit_->setText(QString::number(frames_.Interval()));
    range_bar_->setSelection(frames_.First(), frames_.Last());
    range_bar_->setSingleStep(frames_.Interval());
    range_bar_->setPageStep(10 * frames_.Interval());
    switch (frames_.LastEntered()) {
    case FrameField::Preview:
        range_bar_->setValue(frames_.Preview());
        break;
    case FrameField::First:
        range_bar_->setValue(frames_.First());
        break;
    case FrameField::Last:
        range_bar_->setValue(frames_.Last());
        break;
    }
    ok_button_->setEnabled(frames_.Count() > 0);
    showing_values_ = false;
}

} // namespace fw
