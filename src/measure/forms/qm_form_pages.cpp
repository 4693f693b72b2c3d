#include "measure/forms/qm_form.h"

#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "measure/sheet_menus.h"
#include "shell/forms/display_form.h"
#include "support/fw_error.h"

namespace fw {

namespace {

QComboBox* unitBox(QWidget* parent, const char* name, int first, int count, const UnitEntry& (*table)(int))
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (int i = first; i < first + count; ++i)
        box->addItem(QString::fromUtf8(table(i).name), i);
    return box;
}

void selectData(QComboBox* box, int value)
{
    const int index = box->findData(value);
    box->setCurrentIndex(index >= 0 ? index : 0);
}

QLineEdit* numberEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    auto* validator = new QDoubleValidator(edit);
    validator->setLocale(QLocale::c());
    edit->setValidator(validator);
    return edit;
}

double numberIn(const QLineEdit* edit)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(edit->text().trimmed(), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QString generalText(double value, int digits = 6)
{
    return QString::number(value, 'g', digits);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Building

QWidget* TQMForm::BuildScalePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Scale"));
    auto* form = new QFormLayout(page);
    gage_length_ = numberEdit(page, "GageLengthEN");
    gage_units_ = unitBox(page, "UnitCB", 0, kLengthUnitCount, &LengthAngleUnit);
    auto* gage_row = new QHBoxLayout;
    gage_row->addWidget(gage_length_);
    gage_row->addWidget(gage_units_);
    form->addRow(QStringLiteral("Known length"), gage_row);
    image_length_ = new QLineEdit(page);
    image_length_->setObjectName(QStringLiteral("ImageLenEN"));
    image_length_->setReadOnly(true);
    form->addRow(QStringLiteral("Image length (pixels)"), image_length_);
    new_factor_label_ = new QLabel(page);
    new_factor_label_->setObjectName(QStringLiteral("NewFactorLB"));
    form->addRow(QStringLiteral("New factor"), new_factor_label_);
    set_factor_ = new QPushButton(QStringLiteral("Set to New Factor"), page);
    set_factor_->setObjectName(QStringLiteral("SetFactorBtn"));
    set_factor_->setEnabled(false);
    form->addRow(QString(), set_factor_);
    scale_factor_label_ = new QLabel(page);
    scale_factor_label_->setObjectName(QStringLiteral("ScaleFactorLB"));
    form->addRow(QStringLiteral("Scale factor"), scale_factor_label_);
    auto* hint
        = new QLabel(QStringLiteral("Click the two ends of the known length on the clip window."), page);
    hint->setWordWrap(true);
    form->addRow(hint);
    connect(gage_length_, &QLineEdit::textChanged, this, &TQMForm::UpdateNewFactor);
    connect(set_factor_, &QPushButton::clicked, this, &TQMForm::SetNewFactor);
    return page;
}

QWidget* TQMForm::BuildUnitsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Units"));
    auto* form = new QFormLayout(page);
    linear_units_ = unitBox(page, "LinearUnitsCB", 0, kLengthUnitCount, &LengthAngleUnit);
    angular_units_ = unitBox(
        page, "AngularUnitsCB", kFirstAngleUnit, kLengthAngleUnitCount - kFirstAngleUnit, &LengthAngleUnit);
    linear_velocity_ = unitBox(page, "LinearVelCB", 0, kLinearVelocityUnitCount, &VelocityUnit);
    angular_velocity_ = unitBox(page, "AngularVelCB", kFirstAngularVelocityUnit,
        kVelocityUnitCount - kFirstAngularVelocityUnit, &VelocityUnit);
    acceleration_ = unitBox(page, "AccelerationCB", 0, kAccelerationUnitCount, &AccelerationUnit);
    form->addRow(QStringLiteral("Length"), linear_units_);
    form->addRow(QStringLiteral("Angle"), angular_units_);
    form->addRow(QStringLiteral("Velocity"), linear_velocity_);
    form->addRow(QStringLiteral("Angular velocity"), angular_velocity_);
    form->addRow(QStringLiteral("Acceleration"), acceleration_);
    for (QComboBox* box :
        { linear_units_, angular_units_, linear_velocity_, angular_velocity_, acceleration_ })
        connect(box, &QComboBox::currentIndexChanged, this, &TQMForm::UnitsChanged);
    return page;
}

QWidget* TQMForm::BuildReferencePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Reference"));
    auto* layout = new QGridLayout(page);
    image_point_ = new QRadioButton(QStringLiteral("Image point pixel"), page);
    image_point_->setObjectName(QStringLiteral("ImagePointRB"));
    image_point_->setChecked(true);
    image_point_label_ = new QLabel(QStringLiteral("(0,0)"), page);
    image_point_label_->setObjectName(QStringLiteral("ImagePointLbl"));
    relative_ = new QRadioButton(QStringLiteral("Relative to Point"), page);
    relative_->setObjectName(QStringLiteral("RelativeRB"));
    reference_object_ = new QComboBox(page);
    reference_object_->setObjectName(QStringLiteral("ReferenceCB"));
    reference_object_->setEnabled(false);
    reference_point_ = new QSpinBox(page);
    reference_point_->setObjectName(QStringLiteral("RefPointSpin"));
    reference_point_->setRange(1, 1);
    reference_base_ = new QCheckBox(QStringLiteral("Reference Base"), page);
    reference_base_->setObjectName(QStringLiteral("RefBaseCB"));
    base_x_ = numberEdit(page, "RefBaseXEN");
    base_y_ = numberEdit(page, "RefBaseYEN");
    base_x_->setText(QStringLiteral("0"));
    base_y_->setText(QStringLiteral("0"));
    offset_units_ = new QLabel(page);
    offset_units_->setObjectName(QStringLiteral("OffsetUnitsLbl"));
    layout->addWidget(image_point_, 0, 0);
    layout->addWidget(image_point_label_, 0, 1);
    layout->addWidget(relative_, 1, 0);
    layout->addWidget(reference_object_, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Point"), page), 2, 0, Qt::AlignRight);
    layout->addWidget(reference_point_, 2, 1);
    layout->addWidget(reference_base_, 3, 0);
    layout->addWidget(new QLabel(QStringLiteral("X"), page), 4, 0, Qt::AlignRight);
    layout->addWidget(base_x_, 4, 1);
    layout->addWidget(new QLabel(QStringLiteral("Y"), page), 5, 0, Qt::AlignRight);
    layout->addWidget(base_y_, 5, 1);
    layout->addWidget(offset_units_, 4, 2);
    layout->setRowStretch(6, 1);
    connect(image_point_, &QRadioButton::toggled, this, &TQMForm::ReferenceChanged);
    connect(reference_object_, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_)
            return;
        filling_ = true;
        reference_point_->setValue(1);
        filling_ = false;
        ReferenceChanged();
    });
    connect(reference_point_, &QSpinBox::valueChanged, this, &TQMForm::ReferenceChanged);
    connect(reference_base_, &QCheckBox::toggled, this, &TQMForm::ReferenceChanged);
    connect(base_x_, &QLineEdit::editingFinished, this, &TQMForm::ReferenceChanged);
    connect(base_y_, &QLineEdit::editingFinished, this, &TQMForm::ReferenceChanged);
    return page;
}

QWidget* TQMForm::BuildDefaultsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Defaults"));
    auto* layout = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* framing = new QGroupBox(QStringLiteral("Frame Positioning"), page);
    auto* framing_layout = new QFormLayout(framing);
    frame_step_ = new QSpinBox(framing);
    frame_step_->setObjectName(QStringLiteral("FrameStepEdit"));
    frame_step_->setRange(kMinFrameStep, kMaxFrameStep);
    auto_step_ = new QCheckBox(QStringLiteral("&Auto Step"), framing);
    auto_step_->setObjectName(QStringLiteral("AutoStepCB"));
    framing_layout->addRow(QStringLiteral("Frame step"), frame_step_);
    framing_layout->addRow(auto_step_);
    left->addWidget(framing);
    auto* cursor = new QGroupBox(QStringLiteral("Cursor Positioning"), page);
    auto* cursor_layout = new QVBoxLayout(cursor);
    cursor_modes_ = new QButtonGroup(cursor);
    const std::array<const char*, 3> captions = { "&None", "&Simple", "S&mart" };
    const std::array<const char*, 3> names = { "CursorNoneRB", "CursorSimpleRB", "CursorSmartRB" };
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(captions[size_t(i)]), cursor);
        button->setObjectName(QString::fromLatin1(names[size_t(i)]));
        cursor_modes_->addButton(button, i);
        cursor_layout->addWidget(button);
    }
    left->addWidget(cursor);
    left->addStretch();
    layout->addLayout(left);
    auto* visible = new QGroupBox(QStringLiteral("Visible Columns"), page);
    auto* visible_layout = new QGridLayout(visible);
    const std::vector<VisibleChoice> choices = VisibleColumnChoices(kDefaultVisibleSet);
    const int rows = int(choices.size() + 1) / 2;
    for (const VisibleChoice& choice : choices) {
        auto* check = new QCheckBox(choice.name, visible);
        check->setObjectName(QStringLiteral("Visible%1").arg(int(choice.kind)));
        const int at = int(visible_checks_.size());
        visible_checks_.push_back(check);
        visible_layout->addWidget(check, at % rows, at / rows);
        connect(check, &QCheckBox::toggled, this, &TQMForm::VisibleChoicesChanged);
    }
    layout->addWidget(visible);
    connect(frame_step_, &QSpinBox::valueChanged, this, &TQMForm::DefaultsChanged);
    connect(auto_step_, &QCheckBox::toggled, this, &TQMForm::DefaultsChanged);
    connect(cursor_modes_, &QButtonGroup::idClicked, this, &TQMForm::DefaultsChanged);
    return page;
}

void TQMForm::ShowStoredValues()
{
    filling_ = true;
    const TScaler& scaler = db_.Scaler();
    selectData(linear_units_, scaler.DisplayUnits());
    selectData(angular_units_, scaler.AngularUnits());
    selectData(linear_velocity_, scaler.LinearVelocityUnits());
    selectData(angular_velocity_, scaler.AngularVelocityUnits());
    selectData(acceleration_, scaler.AccelerationUnits());
    frame_step_->setValue(stored_.frame_step);
    auto_step_->setChecked(stored_.auto_step);
    cursor_modes_->button(int(db_.HeaderList().Cursor()))->setChecked(true);
    const std::vector<VisibleChoice> choices = VisibleColumnChoices(db_.HeaderList().DefaultVisible());
    for (size_t i = 0; i < choices.size() && i < visible_checks_.size(); ++i)
        visible_checks_[i]->setChecked(choices[i].checked);
    const QString unit = QString::fromUtf8(LengthAngleUnit(scaler.DisplayUnits()).name);
    panels_[2]->setText(unit);
    offset_units_->setText(unit);
    filling_ = false;
}

// ---------------------------------------------------------------------------------------------
// Pages

void TQMForm::PageEntered(int index)
{
    const QMPage page = QMPage(index);
    if (page == QMPage::Collection) {
        resize(stored_.grid_width.value_or(design_size_.width()),
            stored_.grid_height.value_or(design_size_.height()));
        UpdateTarget();
        UpdatePrediction();
    } else if (size() != design_size_ && isVisible()) {
        // Leaving the sheet keeps its size for the next visit.
        if (stored_.grid_width || width() != design_size_.width()) {
            stored_.grid_width = width();
            stored_.grid_height = height();
        }
        resize(design_size_);
    }
    switch (page) {
    case QMPage::Scale:
        scale_clicks_ = 0;
        new_factor_label_->clear();
        image_length_->clear();
        set_factor_->setEnabled(false);
        LoadScaling();
        Prompt(QStringLiteral("click Image Length Point 1"));
        break;
    case QMPage::Reference:
        Prompt(image_point_->isChecked() ? QStringLiteral("Click on image to set point") : QString());
        break;
    case QMPage::Collection:
        break;
    default:
        Prompt(QString());
        break;
    }
}

void TQMForm::ScaleClick(QPointF point)
{
    scale_points_[size_t(scale_clicks_)] = point;
    scale_clicks_ = (scale_clicks_ + 1) % 2;
    if (scale_clicks_ == 1) {
        Prompt(QStringLiteral("click Image Length Point 2"));
        return;
    }
    Prompt(QStringLiteral("click Image Length Point 1"));
    const QPointF span = scale_points_[1] - scale_points_[0];
    image_length_px_ = std::hypot(span.x(), span.y());
    image_length_->setText(generalText(image_length_px_));
    UpdateNewFactor();
}

void TQMForm::UpdateNewFactor()
{
    const double gage = std::fabs(numberIn(gage_length_));
    if (image_length_px_ > 0.0 && gage > 0.0) {
        new_factor_ = gage / image_length_px_;
        new_factor_label_->setText(generalText(new_factor_));
        set_factor_->setEnabled(true);
    } else {
        new_factor_ = 0.0;
        new_factor_label_->clear();
        set_factor_->setEnabled(false);
    }
}

void TQMForm::SetNewFactor()
{
    if (new_factor_ <= 0.0)
        return;
    const int units = gage_units_->currentData().toInt();
    if (!db_.SetScaleFactor(units, new_factor_))
        return;
    scale_factor_label_->setText(generalText(new_factor_) + QLatin1Char(' ')
        + QString::fromUtf8(LengthAngleUnit(units).name) + QStringLiteral("/pixel"));
    std::string block = display_.TimeBase().Descriptors();
    WriteScaling(block, std::fabs(numberIn(gage_length_)), units, new_factor_);
    display_.ChangeDescriptors(block);
    RefreshSheet();
}

void TQMForm::LoadScaling()
{
    const ScalingEntries scaling = ReadScaling(display_.TimeBase().Descriptors());
    filling_ = true;
    if (scaling.gage_length)
        gage_length_->setText(generalText(*scaling.gage_length));
    selectData(gage_units_, scaling.gage_units);
    filling_ = false;
    if (scaling.factor && db_.SetScaleFactor(scaling.gage_units, *scaling.factor)) {
        scale_factor_label_->setText(generalText(*scaling.factor) + QLatin1Char(' ')
            + QString::fromUtf8(LengthAngleUnit(scaling.gage_units).name) + QStringLiteral("/pixel"));
        RefreshSheet();
    }
}

void TQMForm::ReferenceClick(QPointF point)
{
    if (!image_point_->isChecked())
        return;
    db_.SetFixedReferencePoint(ImagePoint { float(point.x()), float(point.y()) });
    image_point_label_->setText(QStringLiteral("(") + generalText(point.x(), 5) + QLatin1Char(',')
        + generalText(point.y(), 5) + QLatin1Char(')'));
    RefreshSheet();
}

void TQMForm::ReferenceChanged()
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
    db_.SetReferenceBase(reference_base_->isChecked(), numberIn(base_x_), numberIn(base_y_));
    if (Page() == QMPage::Reference)
        Prompt(fixed ? QStringLiteral("Click on image to set point") : QString());
    RefreshSheet();
}

void TQMForm::UnitsChanged()
{
    if (filling_)
        return;
    db_.SetDisplayUnits(linear_units_->currentData().toInt());
    db_.SetAngularUnits(angular_units_->currentData().toInt());
    db_.SetLinearVelocityUnits(linear_velocity_->currentData().toInt());
    db_.SetAngularVelocityUnits(angular_velocity_->currentData().toInt());
    db_.SetAccelerationUnits(acceleration_->currentData().toInt());
    // The reference base was converted to the new length unit.
    base_x_->setText(generalText(db_.Referencer().BaseX()));
    base_y_->setText(generalText(db_.Referencer().BaseY()));
    const QString unit = QString::fromUtf8(LengthAngleUnit(db_.Scaler().DisplayUnits()).name);
    panels_[2]->setText(unit);
    offset_units_->setText(unit);
    RefreshSheet();
}

void TQMForm::DefaultsChanged()
{
    if (filling_)
        return;
    stored_.frame_step = frame_step_->value();
    stored_.auto_step = auto_step_->isChecked();
    db_.HeaderList().SetCursor(CursorMode(std::max(cursor_modes_->checkedId(), 0)));
    UpdatePrediction();
}

void TQMForm::VisibleChoicesChanged()
{
    if (filling_)
        return;
    std::vector<VisibleChoice> choices = VisibleColumnChoices(0);
    for (size_t i = 0; i < choices.size() && i < visible_checks_.size(); ++i)
        choices[i].checked = visible_checks_[i]->isChecked();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    db_.ApplyDefaultVisible(VisibleSetOf(choices));
    RefreshSheet();
    QGuiApplication::restoreOverrideCursor();
}

} // namespace fw
