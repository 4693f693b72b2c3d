#include "measure/forms/qm_form.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "measure/forms/filter_chooser.h"
#include "measure/forms/qm_controls.h"
#include "measure/forms/qm_reference_page.h"
#include "measure/sheet_menus.h"

namespace fw {

QWidget* TQMForm::BuildUnitsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Units"));
    auto* form = new QFormLayout(page);
    linear_units_ = UnitBox(page, "LinearUnitsCB", 0, kLengthUnitCount, &LengthAngleUnit);
    angular_units_ = UnitBox(
        page, "AngularUnitsCB", kFirstAngleUnit, kLengthAngleUnitCount - kFirstAngleUnit, &LengthAngleUnit);
    linear_velocity_ = UnitBox(page, "LinearVelCB", 0, kLinearVelocityUnitCount, &VelocityUnit);
    angular_velocity_ = UnitBox(page, "AngularVelCB", kFirstAngularVelocityUnit,
        kVelocityUnitCount - kFirstAngularVelocityUnit, &VelocityUnit);
    acceleration_ = UnitBox(page, "AccelerationCB", 0, kAccelerationUnitCount, &AccelerationUnit);
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
    auto* filter = new QGroupBox(QStringLiteral("Filter of New Objects"), page);
    auto* filter_layout = new QVBoxLayout(filter);
    default_filter_ = new FilterChooser(QStringLiteral("Default"), filter);
    filter_layout->addWidget(default_filter_);
    left->addWidget(filter);
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
    connect(default_filter_, &FilterChooser::Changed, this, &TQMForm::DefaultsChanged);
    return page;
}

void TQMForm::ShowStoredValues()
{
    filling_ = true;
    const TScaler& scaler = db_.Scaler();
    SelectData(linear_units_, scaler.DisplayUnits());
    SelectData(angular_units_, scaler.AngularUnits());
    SelectData(linear_velocity_, scaler.LinearVelocityUnits());
    SelectData(angular_velocity_, scaler.AngularVelocityUnits());
    SelectData(acceleration_, scaler.AccelerationUnits());
    frame_step_->setValue(stored_.frame_step);
    auto_step_->setChecked(stored_.auto_step);
    cursor_modes_->button(int(db_.HeaderList().Cursor()))->setChecked(true);
    default_filter_->SetChoice(db_.HeaderList().DefaultFilter());
    const std::vector<VisibleChoice> choices = VisibleColumnChoices(db_.HeaderList().DefaultVisible());
    for (size_t i = 0; i < choices.size() && i < visible_checks_.size(); ++i)
        visible_checks_[i]->setChecked(choices[i].checked);
    const QString unit = QString::fromUtf8(LengthAngleUnit(scaler.DisplayUnits()).name);
    panels_[2]->setText(unit);
    reference_->ShowBase(unit);
    filling_ = false;
}

// ---------------------------------------------------------------------------------------------
// Changes

void TQMForm::UnitsChanged()
{
    if (filling_)
        return;
    db_.SetDisplayUnits(linear_units_->currentData().toInt());
    db_.SetAngularUnits(angular_units_->currentData().toInt());
    db_.SetLinearVelocityUnits(linear_velocity_->currentData().toInt());
    db_.SetAngularVelocityUnits(angular_velocity_->currentData().toInt());
    db_.SetAccelerationUnits(acceleration_->currentData().toInt());
    const QString unit = QString::fromUtf8(LengthAngleUnit(db_.Scaler().DisplayUnits()).name);
    panels_[2]->setText(unit);
    // The reference base was converted to the new length unit.
    reference_->ShowBase(unit);
    RefreshSheet();
}

void TQMForm::DefaultsChanged()
{
    if (filling_)
        return;
    stored_.frame_step = frame_step_->value();
    stored_.auto_step = auto_step_->isChecked();
    db_.HeaderList().SetCursor(CursorMode(std::max(cursor_modes_->checkedId(), 0)));
    db_.HeaderList().SetDefaultFilter(default_filter_->Choice());
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
