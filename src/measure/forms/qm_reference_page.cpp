#include "measure/forms/qm_reference_page.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "measure/forms/qm_controls.h"
#include "measure/motion_data_base.h"

namespace fw {

QMReferencePage::QMReferencePage(TMotionDataBase& db, QWidget* parent)
    : QWidget(parent)
    , db_(db)
{
    setObjectName(QStringLiteral("Reference"));
    auto* layout = new QGridLayout(this);
    image_point_ = new QRadioButton(QStringLiteral("Image point pixel"), this);
    image_point_->setObjectName(QStringLiteral("ImagePointRB"));
    image_point_->setChecked(true);
    image_point_label_ = new QLabel(QStringLiteral("(0,0)"), this);
    image_point_label_->setObjectName(QStringLiteral("ImagePointLbl"));
    auto* relative = new QRadioButton(QStringLiteral("Relative to Point"), this);
    relative->setObjectName(QStringLiteral("RelativeRB"));
    reference_object_ = new QComboBox(this);
    reference_object_->setObjectName(QStringLiteral("ReferenceCB"));
    reference_object_->setEnabled(false);
    reference_point_ = new QSpinBox(this);
    reference_point_->setObjectName(QStringLiteral("RefPointSpin"));
    reference_point_->setRange(1, 1);
    reference_base_ = new QCheckBox(QStringLiteral("Reference Base"), this);
    reference_base_->setObjectName(QStringLiteral("RefBaseCB"));
    base_x_ = NumberEdit(this, "RefBaseXEN");
    base_y_ = NumberEdit(this, "RefBaseYEN");
    base_x_->setText(QStringLiteral("0"));
    base_y_->setText(QStringLiteral("0"));
    offset_units_ = new QLabel(this);
    offset_units_->setObjectName(QStringLiteral("OffsetUnitsLbl"));
    layout->addWidget(image_point_, 0, 0);
    layout->addWidget(image_point_label_, 0, 1);
    layout->addWidget(relative, 1, 0);
    layout->addWidget(reference_object_, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Point"), this), 2, 0, Qt::AlignRight);
    layout->addWidget(reference_point_, 2, 1);
    layout->addWidget(reference_base_, 3, 0);
    layout->addWidget(new QLabel(QStringLiteral("X"), this), 4, 0, Qt::AlignRight);
    layout->addWidget(base_x_, 4, 1);
    layout->addWidget(new QLabel(QStringLiteral("Y"), this), 5, 0, Qt::AlignRight);
    layout->addWidget(base_y_, 5, 1);
    layout->addWidget(offset_units_, 4, 2);
    layout->setRowStretch(6, 1);
    connect(image_point_, &QRadioButton::toggled, this, &QMReferencePage::ApplyReference);
    connect(reference_object_, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_)
            return;
        filling_ = true;
        reference_point_->setValue(1);
        filling_ = false;
        ApplyReference();
    });
    connect(reference_point_, &QSpinBox::valueChanged, this, &QMReferencePage::ApplyReference);
    connect(reference_base_, &QCheckBox::toggled, this, &QMReferencePage::ApplyReference);
    connect(base_x_, &QLineEdit::editingFinished, this, &QMReferencePage::ApplyReference);
    connect(base_y_, &QLineEdit::editingFinished, this, &QMReferencePage::ApplyReference);
}

QString QMReferencePage::PromptText() const
{
    return image_point_->isChecked() ? QStringLiteral("Click on image to set point") : QString();
}

void QMReferencePage::Click(QPointF image_point)
{
    if (!image_point_->isChecked())
        return;
    db_.SetFixedReferencePoint(ImagePoint { float(image_point.x()), float(image_point.y()) });
    image_point_label_->setText(QStringLiteral("(") + GeneralText(image_point.x(), 5) + QLatin1Char(',')
        + GeneralText(image_point.y(), 5) + QLatin1Char(')'));
    emit FixedPointSet();
}

void QMReferencePage::RefillObjectChoice()
{
    const QString chosen = reference_object_->currentText();
    filling_ = true;
    reference_object_->clear();
    for (const TObjDef* def : db_.UserObjects())
        reference_object_->addItem(def->Name());
    const int index = reference_object_->findText(chosen);
    reference_object_->setCurrentIndex(std::max(index, 0));
    filling_ = false;
}

void QMReferencePage::FallBackToImagePoint()
{
    filling_ = true;
    image_point_->setChecked(true);
    filling_ = false;
    ApplyReference();
}

void QMReferencePage::ShowBase(const QString& unit)
{
    base_x_->setText(GeneralText(db_.Referencer().BaseX()));
    base_y_->setText(GeneralText(db_.Referencer().BaseY()));
    offset_units_->setText(unit);
}

void QMReferencePage::ApplyReference()
{
    if (filling_)
        return;
    const bool fixed = image_point_->isChecked();
    reference_object_->setEnabled(!fixed);
    reference_point_->setEnabled(!fixed);
    TObjDef* reference = fixed ? nullptr : db_.HeaderList().FindByName(reference_object_->currentText());
    if (reference) {
        filling_ = true;
        reference_point_->setMaximum(std::max(reference->PointCount(), 1));
        filling_ = false;
    }
    db_.SetMovingReference(reference, reference_point_->value());
    db_.SetReferenceBase(reference_base_->isChecked(), NumberIn(base_x_), NumberIn(base_y_));
    emit ReferenceChanged();
}

} // namespace fw
