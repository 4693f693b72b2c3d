#include "measure/forms/track_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace fw {

namespace {

QSpinBox* SpinBox(QWidget* parent, const char* name, int low, int high, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

} // namespace

TTrackDialog::TTrackDialog(
    QWidget* parent, const QString& what, int32_t from_frame, int32_t last_frame, const TrackChoice& proposal)
    : QDialog(parent)
    , from_frame_(from_frame)
{
    setObjectName(QStringLiteral("TrackDialog"));
    setWindowTitle(QStringLiteral("Track Point"));
    auto* form = new QFormLayout(this);
    form->addRow(new QLabel(QStringLiteral("Track %1 from frame %2").arg(what).arg(from_frame), this));
    to_frame_ = SpinBox(this, "TrackToFrameSE", 0, std::max(last_frame, 0), proposal.to_frame);
    direction_ = new QLabel(this);
    direction_->setObjectName(QStringLiteral("DirectionLbl"));
    form->addRow(QStringLiteral("To frame"), to_frame_);
    form->addRow(QString(), direction_);
    using S = TrackSettings;
    template_
        = SpinBox(this, "TemplateSE", S::kMinTemplatePx, S::kMaxTemplatePx, proposal.settings.template_px);
    template_->setSuffix(QStringLiteral(" pixels"));
    search_ = SpinBox(this, "SearchSE", S::kMinTemplatePx + 2, S::kMaxSearchPx, proposal.settings.search_px);
    search_->setSuffix(QStringLiteral(" pixels"));
    min_confidence_ = new QDoubleSpinBox(this);
    min_confidence_->setObjectName(QStringLiteral("MinConfidenceSE"));
    min_confidence_->setRange(0.0, 1.0);
    min_confidence_->setDecimals(2);
    min_confidence_->setSingleStep(0.05);
    min_confidence_->setValue(proposal.settings.min_confidence);
    form->addRow(QStringLiteral("Template side"), template_);
    form->addRow(QStringLiteral("Search area side"), search_);
    form->addRow(QStringLiteral("Minimum confidence"), min_confidence_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkBtn"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(to_frame_, &QSpinBox::valueChanged, this, &TTrackDialog::ShowDirection);
    connect(template_, &QSpinBox::valueChanged, this, &TTrackDialog::KeepSearchAboveTemplate);
    KeepSearchAboveTemplate();
    ShowDirection();
}

void TTrackDialog::ShowDirection()
{
    const int32_t to = to_frame_->value();
    direction_->setText(to > from_frame_ ? QStringLiteral("forward, %1 frames").arg(to - from_frame_)
            : to < from_frame_           ? QStringLiteral("backward, %1 frames").arg(from_frame_ - to)
                                         : QStringLiteral("choose another frame"));
}

void TTrackDialog::KeepSearchAboveTemplate()
{
    search_->setMinimum(template_->value() + 2);
}

TrackChoice TTrackDialog::Choice() const
{
    return { to_frame_->value(), { template_->value(), search_->value(), min_confidence_->value() } };
}

} // namespace fw
