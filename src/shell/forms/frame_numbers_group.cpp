#include "shell/forms/frame_numbers_group.h"

#include <array>
#include <optional>

#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

#include "shell/forms/named_widget.h"
#include "shell/forms/spin_buttons.h"
#include "shell/forms/time_bar.h"

namespace fw {

namespace {

QLineEdit* makeNumberEdit(QWidget* parent, const char* name)
{
    auto* edit = MakeNamed<QLineEdit>(parent, name);
    edit->setValidator(new QIntValidator(edit));
    edit->setMaximumWidth(80);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

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

FrameNumbersGroup::FrameNumbersGroup(FrameFieldsModel& frames, const SpinNames& names, QWidget* parent)
    : QGroupBox(QStringLiteral("Frame Numbers"), parent)
    , frames_(frames)
    , preview_edit_(makeNumberEdit(this, "PreviewEN"))
    , first_edit_(makeNumberEdit(this, "FirstEN"))
    , last_edit_(makeNumberEdit(this, "LastEN"))
    , step_edit_(makeNumberEdit(this, "StepEdit"))
    , preview_spin_(MakeNamed<SpinButtons>(this, names.preview))
    , first_spin_(MakeNamed<SpinButtons>(this, names.first))
    , last_spin_(MakeNamed<SpinButtons>(this, names.last))
    , step_spin_(MakeNamed<SpinButtons>(this, "StepSpin"))
    , range_bar_(MakeNamed<TimeBarSlider>(this, "FrameRangeTB"))
{
    setObjectName(QStringLiteral("FrameNumbersGB"));
    auto* grid = new QGridLayout(this);
    const std::array<std::pair<QLineEdit*, SpinButtons*>, 4> fields { { { preview_edit_, preview_spin_ },
        { first_edit_, first_spin_ }, { last_edit_, last_spin_ }, { step_edit_, step_spin_ } } };
    const std::array<const char*, 4> captions { "Preview", "First", "Last", "Interval" };
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(captions[size_t(i)]), this), 0, i * 2, 1, 2);
        grid->addWidget(fields[size_t(i)].first, 1, i * 2);
        grid->addWidget(fields[size_t(i)].second, 1, i * 2 + 1);
    }
    grid->addWidget(range_bar_, 2, 0, 1, 8);

    connect(preview_edit_, &QLineEdit::editingFinished, this, [this] { FieldLeft(FrameField::Preview); });
    connect(first_edit_, &QLineEdit::editingFinished, this, [this] { FieldLeft(FrameField::First); });
    connect(last_edit_, &QLineEdit::editingFinished, this, [this] { FieldLeft(FrameField::Last); });
    connect(step_edit_, &QLineEdit::editingFinished, this, &FrameNumbersGroup::IntervalLeft);
    connect(preview_spin_, &SpinButtons::stepped, this, [this](int direction) {
        frames_.SpinPreview(direction);
        Changed(FrameField::Preview);
    });
    connect(first_spin_, &SpinButtons::stepped, this, [this](int direction) {
        frames_.SpinFirst(direction);
        Changed(FrameField::First);
    });
    connect(last_spin_, &SpinButtons::stepped, this, [this](int direction) {
        frames_.SpinLast(direction);
        Changed(FrameField::Last);
    });
    connect(step_spin_, &SpinButtons::stepped, this, [this](int direction) {
        frames_.SpinInterval(direction);
        Changed(FrameField::Last);
    });
    connect(range_bar_, &QSlider::valueChanged, this, &FrameNumbersGroup::BarMoved);
}

QLineEdit* FrameNumbersGroup::Field(FrameField field) const
{
    switch (field) {
    case FrameField::First:
        return first_edit_;
    case FrameField::Last:
        return last_edit_;
    case FrameField::Preview:
        break;
    }
    return preview_edit_;
}

void FrameNumbersGroup::ShowNumbers()
{
    showing_ = true;
    preview_edit_->setText(QString::number(frames_.Preview()));
    first_edit_->setText(QString::number(frames_.First()));
    last_edit_->setText(QString::number(frames_.Last()));
    step_edit_->setText(QString::number(frames_.Interval()));
    range_bar_->setRange(frames_.Lowest(), frames_.Highest());
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
    showing_ = false;
}

void FrameNumbersGroup::Changed(FrameField field)
{
    ShowNumbers();
    if (field == FrameField::Preview)
        emit previewChanged();
    else
        emit rangeChanged();
}

void FrameNumbersGroup::FieldLeft(FrameField field)
{
    if (showing_)
        return;
    const auto value = typedNumber(Field(field));
    if (!value) {
        ShowNumbers();
        return;
    }
    switch (field) {
    case FrameField::Preview:
        frames_.LeavePreview(*value);
        break;
    case FrameField::First:
        frames_.LeaveFirst(*value);
        break;
    case FrameField::Last:
        frames_.LeaveLast(*value);
        break;
    }
    Changed(field);
}

void FrameNumbersGroup::IntervalLeft()
{
    if (showing_)
        return;
    if (const auto value = typedNumber(step_edit_))
        frames_.LeaveInterval(*value);
    Changed(FrameField::Last);
}

void FrameNumbersGroup::BarMoved(int value)
{
    if (showing_)
        return;
    frames_.SetFromBar(value);
    Changed(frames_.LastEntered());
}

} // namespace fw
