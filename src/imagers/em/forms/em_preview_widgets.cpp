#include "imagers/em/forms/em_preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "imagers/em/em_processing.h"
#include "shell/forms/frame_numbers_group.h"
#include "shell/forms/named_widget.h"

namespace fw {

void TEMPreview::BuildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildFrameGroup());
    layout->addWidget(BuildProcessingGroup());
    layout->addWidget(BuildButtons());
    layout->addWidget(BuildImagerGroup());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TEMPreview::BuildFrameGroup()
{
    frame_group_ = new FrameNumbersGroup(frames_, { "PreviewSB", "FirstSB", "LastSB" }, this);
    frame_group_->Field(FrameField::Preview)->setToolTip(QStringLiteral("Selects Frame to Preview"));
    frame_group_->Field(FrameField::First)->setToolTip(QStringLiteral("First Frame to Save"));
    frame_group_->Field(FrameField::Last)->setToolTip(QStringLiteral("Last Frame to Save"));
    frame_group_->IntervalField()->setToolTip(QStringLiteral("Frame Sampling Interval"));
    connect(frame_group_, &FrameNumbersGroup::rangeChanged, this, &TEMPreview::FrameRangeChanged);
    return frame_group_;
}

QSlider* TEMPreview::MakeBar(Bar bar, const char* name)
{
    QSlider* slider = MakeProcessingTrackBar(nullptr, name);
    slider->setRange(0, kEmTrackMax);
    bars_[size_t(bar)] = slider;
    connect(slider, &QSlider::valueChanged, this, [this, bar](int position) { BarMoved(bar, position); });
    return slider;
}

QWidget* TEMPreview::BuildProcessingGroup()
{
    const std::array<const char*, 3> names { "BrightTrackBar", "GammaTrackBar", "SharpTrackBar" };
    const QStringList captions { QStringLiteral("Brightness"), QStringLiteral("Gamma"),
        QStringLiteral("Sharpen/Blur") };
    QGroupBox* group = MakeProcessingGroup(
        this, captions,
        [&](int row) {
            QSlider* bar = MakeBar(Bar(row), names[size_t(row)]);
            bar->setToolTip(captions[row]);
            return bar;
        },
        locked_panel_);
    group->layout()->addWidget(BuildFilterRow(group));
    return group;
}

QWidget* TEMPreview::BuildFilterRow(QWidget* group)
{
    auto* row = new QWidget(group);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    filter_box_ = MakeFilterBox(row);
    filter_button_ = MakeFilterMaskButton(row);
    mirror_box_ = MakeNamed<QCheckBox>(row, "MirrorXB", QStringLiteral("Mirror"));
    invert_box_ = MakeNamed<QCheckBox>(row, "InvertXB", QStringLiteral("Invert"));
    settings_locked_box_ = MakeNamed<QCheckBox>(row, "SettingsLocked", QStringLiteral("Settings Lock"));
    line->addWidget(new QLabel(QStringLiteral("Filter"), row));
    line->addWidget(filter_box_);
    line->addWidget(filter_button_);
    line->addWidget(mirror_box_);
    line->addWidget(invert_box_);
    line->addStretch();
    line->addWidget(settings_locked_box_);
    connect(filter_box_, &QComboBox::currentIndexChanged, this, &TEMPreview::FilterChosen);
    connect(filter_button_, &QToolButton::toggled, this, &TEMPreview::ShowFilterMask);
    connect(mirror_box_, &QCheckBox::toggled, this, [this] { FlipsChanged(); });
    connect(invert_box_, &QCheckBox::toggled, this, [this] { FlipsChanged(); });
    connect(settings_locked_box_, &QCheckBox::toggled, this, &TEMPreview::SetSettingsLocked);
    return row;
}

QWidget* TEMPreview::BuildButtons()
{
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    crop_button_ = MakeNamed<QToolButton>(panel, "CropSB", QStringLiteral("Crop Images"));
    crop_button_->setCheckable(true);
    crop_button_->setToolTip(QStringLiteral("Save only the framed part of the images"));
    undo_button_ = MakeNamed<QPushButton>(panel, "UndoBtn", QStringLiteral("Original"));
    auto* balance = MakeNamed<QPushButton>(panel, "BalanceBtn", QStringLiteral("Balance"));
    auto* settings = MakeNamed<QPushButton>(panel, "SettingsBtn", QStringLiteral("Load/Save/Lock Settings"));
    auto* compression
        = MakeNamed<QPushButton>(panel, "CompressionOptionsBtn", QStringLiteral("Compression Options..."));
    auto* descriptors
        = MakeNamed<QPushButton>(panel, "DescriptorsBtn", QStringLiteral("File Descriptors..."));
    ok_button_ = MakeNamed<QPushButton>(panel, "OkBtn", QStringLiteral("Save"));
    ok_button_->setToolTip(QStringLiteral("Save Images using current Processing Settings"));
    ok_button_->setDefault(true);
    auto* cancel = MakeNamed<QPushButton>(panel, "CancelBtn", QStringLiteral("Cancel"));
    cancel->setToolTip(QStringLiteral("Quit without Saving"));
    grid->addWidget(crop_button_, 0, 0);
    grid->addWidget(undo_button_, 0, 1);
    grid->addWidget(balance, 0, 2);
    grid->addWidget(settings, 1, 0, 1, 3);
    grid->addWidget(compression, 2, 0, 1, 2);
    grid->addWidget(descriptors, 2, 2);
    grid->addWidget(ok_button_, 3, 1);
    grid->addWidget(cancel, 3, 2);
    connect(crop_button_, &QToolButton::toggled, this, &TEMPreview::CroppingToggled);
    connect(undo_button_, &QPushButton::clicked, this, &TEMPreview::RestoreDefaults);
    connect(balance, &QPushButton::clicked, this, &TEMPreview::RestoreDefaults);
    connect(settings, &QPushButton::clicked, this, &TEMPreview::OpenSettings);
    connect(compression, &QPushButton::clicked, this, &TEMPreview::ChooseCompression);
    connect(descriptors, &QPushButton::clicked, this, &TEMPreview::EditDescriptors);
    connect(ok_button_, &QPushButton::clicked, this, &TEMPreview::Save);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    return panel;
}

QWidget* TEMPreview::BuildImagerGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Imager Control"), this);
    group->setObjectName(QStringLiteral("ImagerGB"));
    auto* grid = new QGridLayout(group);
    stop_button_ = MakeNamed<QPushButton>(group, "StopBtn", QStringLiteral("Stop"));
    stop_button_->setToolTip(QStringLiteral("Stop"));
    record_button_ = MakeNamed<QPushButton>(group, "RecordBtn", QStringLiteral("Ready for Recording"));
    record_button_->setCheckable(true);
    status_bar_ = MakeNamed<QLabel>(group, "StatusBar");
    status_bar_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    error_bar_ = MakeNamed<QLabel>(group, "ErrorBar");
    error_bar_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    error_bar_->setStyleSheet(QStringLiteral("color: #b00000;"));
    grid->addWidget(stop_button_, 0, 0);
    grid->addWidget(record_button_, 0, 1);
    grid->addWidget(status_bar_, 1, 0);
    grid->addWidget(error_bar_, 1, 1);
    connect(stop_button_, &QPushButton::clicked, this, &TEMPreview::StopClicked);
    connect(record_button_, &QPushButton::toggled, this, &TEMPreview::RecordToggled);
    return group;
}

void TEMPreview::ShowValues()
{
    showing_values_ = true;
    bars_[size_t(Bar::Brightness)]->setValue(EmBrightnessPosition(values_.brightness));
    bars_[size_t(Bar::Gamma)]->setValue(EmGammaPosition(values_.gamma));
    bars_[size_t(Bar::Sharpness)]->setValue(EmSharpnessPosition(values_.sharpness));
    filter_box_->setCurrentIndex(values_.filter);
    mirror_box_->setChecked(values_.mirror);
    invert_box_->setChecked(values_.invert);
    crop_button_->setChecked(values_.cropping);
    settings_locked_box_->setChecked(settings_locked_);
    showing_values_ = false;
    SetSettingsLocked(settings_locked_);
}

} // namespace fw
