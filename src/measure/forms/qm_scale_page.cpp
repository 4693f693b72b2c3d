#include "measure/forms/qm_scale_page.h"

#include <cmath>

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "measure/forms/qm_controls.h"
#include "measure/measure_settings.h"
#include "measure/motion_data_base.h"
#include "shell/forms/display_form.h"

namespace fw {

QMScalePage::QMScalePage(TDisplayForm& display, TMotionDataBase& db, QWidget* parent)
    : QWidget(parent)
    , display_(display)
    , db_(db)
{
    setObjectName(QStringLiteral("Scale"));
    auto* form = new QFormLayout(this);
    gage_length_ = NumberEdit(this, "GageLengthEN");
    gage_units_ = UnitBox(this, "UnitCB", 0, kLengthUnitCount, &LengthAngleUnit);
    auto* gage_row = new QHBoxLayout;
    gage_row->addWidget(gage_length_);
    gage_row->addWidget(gage_units_);
    form->addRow(QStringLiteral("Known length"), gage_row);
    image_length_ = new QLineEdit(this);
    image_length_->setObjectName(QStringLiteral("ImageLenEN"));
    image_length_->setReadOnly(true);
    form->addRow(QStringLiteral("Image length (pixels)"), image_length_);
    new_factor_label_ = new QLabel(this);
    new_factor_label_->setObjectName(QStringLiteral("NewFactorLB"));
    form->addRow(QStringLiteral("New factor"), new_factor_label_);
    set_factor_ = new QPushButton(QStringLiteral("Set to New Factor"), this);
    set_factor_->setObjectName(QStringLiteral("SetFactorBtn"));
    set_factor_->setEnabled(false);
    form->addRow(QString(), set_factor_);
    scale_factor_label_ = new QLabel(this);
    scale_factor_label_->setObjectName(QStringLiteral("ScaleFactorLB"));
    form->addRow(QStringLiteral("Scale factor"), scale_factor_label_);
    auto* hint
        = new QLabel(QStringLiteral("Click the two ends of the known length on the clip window."), this);
    hint->setWordWrap(true);
    form->addRow(hint);
    connect(gage_length_, &QLineEdit::textChanged, this, &QMScalePage::UpdateNewFactor);
    connect(set_factor_, &QPushButton::clicked, this, &QMScalePage::SetNewFactor);
}

void QMScalePage::Enter()
{
    calibration_.Restart();
    new_factor_label_->clear();
    image_length_->clear();
    set_factor_->setEnabled(false);
    LoadScaling();
    emit Prompted(QStringLiteral("click Image Length Point 1"));
}

void QMScalePage::Click(QPointF image_point)
{
    if (!calibration_.Click(image_point)) {
        emit Prompted(QStringLiteral("click Image Length Point 2"));
        return;
    }
    emit Prompted(QStringLiteral("click Image Length Point 1"));
    image_length_->setText(GeneralText(calibration_.ImageLengthPx()));
    UpdateNewFactor();
}

void QMScalePage::UpdateNewFactor()
{
    const std::optional<double> factor = calibration_.FactorFor(NumberIn(gage_length_));
    if (factor)
        new_factor_label_->setText(GeneralText(*factor));
    else
        new_factor_label_->clear();
    set_factor_->setEnabled(factor.has_value());
}

void QMScalePage::SetNewFactor()
{
    const double gage_length = NumberIn(gage_length_);
    const std::optional<double> factor = calibration_.FactorFor(gage_length);
    if (!factor)
        return;
    const int units = gage_units_->currentData().toInt();
    if (!db_.SetScaleFactor(units, *factor))
        return;
    ShowFactor(*factor, units);
    std::string block = display_.TimeBase().Descriptors();
    WriteScaling(block, std::fabs(gage_length), units, *factor);
    display_.ChangeDescriptors(block);
    emit ScaleChanged();
}

void QMScalePage::LoadScaling()
{
    const ScalingEntries scaling = ReadScaling(display_.TimeBase().Descriptors());
    if (scaling.gage_length)
        gage_length_->setText(GeneralText(*scaling.gage_length));
    SelectData(gage_units_, scaling.gage_units);
    if (scaling.factor && db_.SetScaleFactor(scaling.gage_units, *scaling.factor)) {
        ShowFactor(*scaling.factor, scaling.gage_units);
        emit ScaleChanged();
    }
}

void QMScalePage::ShowFactor(double factor, int units)
{
    scale_factor_label_->setText(GeneralText(factor) + QLatin1Char(' ')
        + QString::fromUtf8(LengthAngleUnit(units).name) + QStringLiteral("/pixel"));
}

} // namespace fw
