#include "imagers/capture/forms/cap_preview.h"

#include <algorithm>
#include <limits>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "imagers/imaq/imaq_api.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"
#include "shell/forms/named_widget.h"
#include "shell/forms/spin_buttons.h"
#include "shell/forms/time_bar.h"

namespace fw {

namespace {

constexpr int kMaxThreshold = 999;

// The region inside a frame of width x height pixels.
CaptureRegion ClampedInto(const CaptureRegion& region, int width, int height)
{
    return CaptureRegion { std::clamp(region.left, 0, width - 1), std::clamp(region.top, 0, height - 1),
        std::clamp(region.right, 0, width - 1), std::clamp(region.bottom, 0, height - 1) };
}

// A whole number typed into a field, or `fallback` when the text is none.
int NumberIn(const QLineEdit* field, int fallback)
{
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

void TCapPreview::BuildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildCaptureGroup());
    layout->addWidget(BuildTriggerGroup());
    layout->addWidget(BuildButtons());
    status_bar_ = MakeNamed<QLabel>(this, "StatusBar1");
    status_bar_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Texts come and go with the thread's stages; the window keeps its size.
    status_bar_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    status_bar_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    layout->addWidget(status_bar_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TCapPreview::BuildCaptureGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Capture"), this);
    group->setObjectName(QStringLiteral("CaptureGB"));
    auto* grid = new QGridLayout(group);
    total_frames_edit_ = MakeNamed<QLineEdit>(group, "TotalFramesEN");
    total_frames_edit_->setValidator(
        new QIntValidator(1, std::numeric_limits<int>::max(), total_frames_edit_));
    total_frames_edit_->setToolTip(QStringLiteral("Total Frames to Save"));
    auto* spin = new SpinButtons(group);
    spin->setObjectName(QStringLiteral("LastSB"));
    rate_box_ = MakeNamed<QComboBox>(group, "CaptureRateCB");
    rate_box_->addItems({ QStringLiteral("30 fps"), QStringLiteral("15 fps"), QStringLiteral("10 fps") });
    resolution_box_ = MakeNamed<QComboBox>(group, "ResolutionCB");
    resolution_box_->addItems({ QStringLiteral("Full"), QStringLiteral("1/2") });
    buffers_edit_ = MakeNamed<QLineEdit>(group, "BuffersEN");
    buffers_edit_->setValidator(new QIntValidator(0, 99999, buffers_edit_));
    buffers_edit_->setToolTip(QStringLiteral("Frame buffers to attempt to allocate"));
    colour_button_ = MakeNamed<QRadioButton>(group, "ColorXB", QStringLiteral("Color"));
    monochrome_button_ = MakeNamed<QRadioButton>(group, "MonochromeXB", QStringLiteral("Monochrome"));
    auto* colours = new QButtonGroup(group);
    colours->addButton(colour_button_);
    colours->addButton(monochrome_button_);
    progress_box_ = MakeNamed<QCheckBox>(group, "ProgCB", QStringLiteral("Progress"));
    progress_box_->setToolTip(QStringLiteral("Show images while capturing"));

    grid->addWidget(new QLabel(QStringLiteral("Total Frames to Save"), group), 0, 0);
    grid->addWidget(total_frames_edit_, 0, 1);
    grid->addWidget(spin, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Capture Rate"), group), 1, 0);
    grid->addWidget(rate_box_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Resolution"), group), 2, 0);
    grid->addWidget(resolution_box_, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Frame buffers to attempt to allocate"), group), 3, 0);
    grid->addWidget(buffers_edit_, 3, 1, 1, 2);
    grid->addWidget(colour_button_, 4, 0);
    grid->addWidget(monochrome_button_, 4, 1, 1, 2);
    grid->addWidget(progress_box_, 5, 0, 1, 3);

    connect(total_frames_edit_, &QLineEdit::editingFinished, this, &TCapPreview::TakeEditedFields);
    connect(spin, &SpinButtons::stepped, this, &TCapPreview::StepTotalFrames);
    connect(buffers_edit_, &QLineEdit::editingFinished, this, &TCapPreview::TakeEditedFields);
    connect(rate_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        values_.capture_rate = index;
        thread_->SetRateIndex(index);
    });
    connect(resolution_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        values_.resolution = index;
        thread_->SetDecimation(index == 1 ? kImgDecimationHalf : kImgDecimationFull);
    });
    connect(
        monochrome_button_, &QRadioButton::toggled, this, [this](bool on) { thread_->SetMonochrome(on); });
    connect(progress_box_, &QCheckBox::toggled, this, [this](bool on) {
        values_.progress = on;
        thread_->SetLiveWhileCapturing(on);
    });
    return group;
}

QWidget* TCapPreview::BuildTriggerGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Triggering"), this);
    group->setObjectName(QStringLiteral("TriggeringGB"));
    auto* grid = new QGridLayout(group);
    no_trigger_button_ = MakeNamed<QRadioButton>(group, "NoTrigXB", QStringLiteral("Immediate"));
    use_trigger_button_
        = MakeNamed<QRadioButton>(group, "UseTrigXB", QStringLiteral("Frame Compare Trigger"));
    auto* modes = new QButtonGroup(group);
    modes->addButton(no_trigger_button_);
    modes->addButton(use_trigger_button_);
    trigger_level_ = new TimeBarSlider(group);
    trigger_level_->setObjectName(QStringLiteral("TrigLevel"));
    trigger_level_->setOrientation(Qt::Horizontal);
    trigger_level_->setRange(0, kMaxThreshold);
    trigger_level_->setPageStep(50);
    trigger_level_->setToolTip(QStringLiteral("The capture starts when the picture's likeness to the "
                                              "baseline falls into the band"));
    auto* rebase = MakeNamed<QPushButton>(group, "ReBaseBtn", QStringLiteral("Baseline"));
    rebase->setToolTip(QStringLiteral("Compare with the picture as it is now"));
    region_button_ = MakeNamed<QToolButton>(group, "TriggerROISB", QStringLiteral("Region"));
    region_button_->setCheckable(true);
    region_button_->setToolTip(QStringLiteral("Compare only the framed part of the picture"));

    grid->addWidget(no_trigger_button_, 0, 0, 1, 2);
    grid->addWidget(use_trigger_button_, 0, 2, 1, 2);
    grid->addWidget(trigger_level_, 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("less sensitive"), group), 2, 0, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("more sensitive"), group), 2, 3, Qt::AlignRight);
    grid->addWidget(rebase, 3, 0, 1, 2);
    grid->addWidget(region_button_, 3, 2, 1, 2);

    connect(use_trigger_button_, &QRadioButton::toggled, this, [this](bool on) { values_.use_trigger = on; });
    connect(trigger_level_, &QSlider::valueChanged, this, [this](int threshold) {
        values_.trigger_level = threshold;
        thread_->SetThreshold(threshold);
    });
    connect(rebase, &QPushButton::clicked, this, [this] { thread_->RequestBaseline(); });
    connect(region_button_, &QToolButton::toggled, this, &TCapPreview::RegionToggled);
    return group;
}

QWidget* TCapPreview::BuildButtons()
{
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    ok_button_ = MakeNamed<QPushButton>(panel, "OkBtn", QStringLiteral("Capture"));
    ok_button_->setToolTip(QStringLiteral("Capture Video into a File"));
    ok_button_->setDefault(true);
    auto* cancel = MakeNamed<QPushButton>(panel, "CancelBtn", QStringLiteral("Cancel"));
    auto* descriptors
        = MakeNamed<QPushButton>(panel, "DescriptorsBtn", QStringLiteral("File Descriptors..."));
    row->addWidget(ok_button_);
    row->addWidget(cancel);
    row->addWidget(descriptors);
    connect(ok_button_, &QPushButton::clicked, this, &TCapPreview::Capture);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(descriptors, &QPushButton::clicked, this, &TCapPreview::EditDescriptors);
    return panel;
}

void TCapPreview::ShowValues()
{
    const QSignalBlocker quiet_rate(rate_box_);
    const QSignalBlocker quiet_resolution(resolution_box_);
    const QSignalBlocker quiet_level(trigger_level_);
    const QSignalBlocker quiet_region(region_button_);
    const QSignalBlocker quiet_progress(progress_box_);
    const QSignalBlocker quiet_mono(monochrome_button_);
    total_frames_edit_->setText(QString::number(values_.total_frames));
    rate_box_->setCurrentIndex(values_.capture_rate);
    resolution_box_->setCurrentIndex(values_.resolution);
    buffers_edit_->setText(QString::number(values_.buffers_wanted));
    colour_button_->setChecked(true);
    (values_.use_trigger ? use_trigger_button_ : no_trigger_button_)->setChecked(true);
    trigger_level_->setValue(values_.trigger_level);
    region_button_->setChecked(values_.region_on);
    progress_box_->setChecked(values_.progress);
}

void TCapPreview::TakeEditedFields()
{
    values_.total_frames = std::max(NumberIn(total_frames_edit_, values_.total_frames), 1);
    total_frames_edit_->setText(QString::number(values_.total_frames));
    const int buffers = NumberIn(buffers_edit_, thread_->BuffersWanted());
    if (buffers != thread_->BuffersWanted())
        thread_->SetBuffersWanted(buffers);
    buffers_edit_->setText(QString::number(thread_->BuffersWanted()));
}

void TCapPreview::StepTotalFrames(int direction)
{
    TakeEditedFields();
    if (direction < 0 || values_.total_frames < std::numeric_limits<int32_t>::max())
        values_.total_frames = std::max(values_.total_frames + direction, 1);
    total_frames_edit_->setText(QString::number(values_.total_frames));
}

void TCapPreview::RegionToggled(bool on)
{
    values_.region_on = on;
    PlaceRegion();
    ApplyRegion();
}

void TCapPreview::PlaceRegion()
{
    TCropShape* cropper = display_->Cropper();
    const ClipWindowLayout& layout = display_->Layout();
    cropper->setVisible(values_.region_on);
    region_placed_ = false;
    if (!values_.region_on || frame_width_ < 1 || frame_height_ < 1 || layout.HorizontalScale() <= 0.0F
        || layout.VerticalScale() <= 0.0F)
        return;
    // The picture stands upright: its bottom row is the first line the grabber delivers.
    const CaptureRegion rows
        = LinesTurnedOver(ClampedInto(values_.region, frame_width_, frame_height_), frame_height_);
    placing_region_ = true;
    cropper->SetCropInFrame(FrameCrop { rows.left, rows.top, rows.right, rows.bottom },
        layout.HorizontalScale(), layout.VerticalScale());
    placing_region_ = false;
    region_placed_ = true;
}

void TCapPreview::RegionMoved()
{
    const ClipWindowLayout& layout = display_->Layout();
    // Until the frame stands on the picture, its bounds say nothing about the region; nor do
    // they while the clip window lays itself out anew (it hides the frame meanwhile).
    if (placing_region_ || !region_placed_ || !values_.region_on || display_->Cropper()->isHidden()
        || layout.HorizontalScale() <= 0.0F)
        return;
    const FrameCrop crop = display_->Cropper()->CropInFrame(layout.HorizontalScale(), layout.VerticalScale());
    if (crop.right < crop.left || crop.bottom < crop.top)
        return;
    values_.region
        = LinesTurnedOver(CaptureRegion { crop.left, crop.top, crop.right, crop.bottom }, frame_height_);
    ApplyRegion();
}

} // namespace fw
