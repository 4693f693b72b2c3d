#include "shell/forms/image_preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/forms/frame_numbers_group.h"
#include "shell/forms/named_widget.h"

namespace fw {

void TImagePreview::BuildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildFrameGroup());
    layout->addWidget(BuildProcessingGroup());
    layout->addWidget(BuildButtons());
    layout->addStretch();
}

QWidget* TImagePreview::BuildFrameGroup()
{
    frame_group_ = new FrameNumbersGroup(frames_, { "PreviewSpin", "FirstSpin", "LastSpin" }, this);
    connect(frame_group_, &FrameNumbersGroup::rangeChanged, this, &TImagePreview::FrameRangeChanged);
    return frame_group_;
}

QSlider* TImagePreview::MakeTrackBar(TrackTag tag, const char* name)
{
    auto* bar = MakeProcessingTrackBar(nullptr, name);
    track_bars_[size_t(tag)] = bar;
    connect(bar, &QSlider::valueChanged, this, [this, tag](int position) { TrackBarMoved(tag, position); });
    return bar;
}

QWidget* TImagePreview::BuildProcessingGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Image Processing Settings"), this);
    auto* outer = new QVBoxLayout(group);
    auto* bars = new QWidget(group);
    auto* grid = new QGridLayout(bars);
    grid->setContentsMargins(0, 0, 0, 0);
    struct Row {
        TrackTag tag;
        const char* name;
        const char* caption;
    };
    const std::array<Row, 6> rows = { { { TrackTag::RedGain, "RedTrackBar", "Red Gain" },
        { TrackTag::GreenGain, "GreenTrackBar", "Green Gain" },
        { TrackTag::BlueGain, "BlueTrackBar", "Blue Gain" },
        { TrackTag::Brightness, "BrightTrackBar", "Brightness" },
        { TrackTag::Gamma, "GammaTrackBar", "Gamma" },
        { TrackTag::Sharpness, "SharpTrackBar", "Sharpen/Blur" } } };
    for (int i = 0; i < int(rows.size()); ++i) {
        const Row& row = rows[size_t(i)];
        auto* label = new QLabel(QString::fromLatin1(row.caption), bars);
        track_labels_[size_t(row.tag)] = label;
        grid->addWidget(label, i, 0);
        grid->addWidget(MakeTrackBar(row.tag, row.name), i, 1);
    }
    // Grey pictures have one channel: the colour gains would do nothing.
    for (TrackTag tag : { TrackTag::RedGain, TrackTag::GreenGain, TrackTag::BlueGain }) {
        track_bars_[size_t(tag)]->setVisible(source_->IsColour());
        track_labels_[size_t(tag)]->setVisible(source_->IsColour());
    }
    outer->addWidget(StackUnderLockedPanel(group, bars, this, locked_panel_));

    auto* filter_row = new QHBoxLayout;
    filter_row->addWidget(new QLabel(QStringLiteral("Filter"), group));
    filter_box_ = MakeFilterBox(group);
    filter_row->addWidget(filter_box_);
    filter_button_ = MakeFilterMaskButton(group);
    filter_row->addWidget(filter_button_);
    settings_locked_ = MakeNamed<QCheckBox>(group, "SettingsLocked", QStringLiteral("Lock Settings"));
    filter_row->addStretch();
    filter_row->addWidget(settings_locked_);
    outer->addLayout(filter_row);
    connect(filter_box_, &QComboBox::currentIndexChanged, this, &TImagePreview::FilterChosen);
    connect(filter_button_, &QToolButton::toggled, this, &TImagePreview::ShowFilterMask);
    connect(settings_locked_, &QCheckBox::toggled, this, &TImagePreview::SetSettingsLocked);
    return group;
}

QWidget* TImagePreview::BuildButtons()
{
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    crop_button_ = MakeNamed<QToolButton>(panel, "CropSB", QStringLiteral("Crop Images"));
    crop_button_->setCheckable(true);
    crop_size_button_ = MakeNamed<QToolButton>(panel, "CropSizeSB", QStringLiteral("Crop Size"));
    save_size_button_ = MakeNamed<QToolButton>(panel, "SaveSizeSB", QStringLiteral("Save Size"));
    cropping_label_ = new QLabel(panel);
    cropping_label_->setObjectName(QStringLiteral("CroppingLB"));
    cropping_label_->setToolTip(QStringLiteral("Size of Image or Cropped Area"));
    saving_label_ = new QLabel(panel);
    saving_label_->setObjectName(QStringLiteral("SavingLB"));
    saving_label_->setToolTip(QStringLiteral("Size of the saved frames"));
    grid->addWidget(crop_button_, 0, 0);
    grid->addWidget(crop_size_button_, 0, 1);
    grid->addWidget(cropping_label_, 0, 2);
    grid->addWidget(save_size_button_, 1, 1);
    grid->addWidget(saving_label_, 1, 2);
    // Only grey pictures can be cropped and resized.
    for (QToolButton* button : { crop_button_, crop_size_button_, save_size_button_ })
        button->setEnabled(values_.crop.allowed);

    settings_button_
        = MakeNamed<QPushButton>(panel, "SettingsBtn", QStringLiteral("Image Process/Crop/Resize Settings"));
    undo_button_ = MakeNamed<QPushButton>(panel, "UndoBtn", QStringLiteral("Original"));
    balance_button_ = MakeNamed<QPushButton>(panel, "BalanceBtn", QStringLiteral("Balance"));
    auto* compression
        = MakeNamed<QPushButton>(panel, "CompressionOptionsBtn", QStringLiteral("Compression Options..."));
    auto* descriptors
        = MakeNamed<QPushButton>(panel, "DescriptorsBtn", QStringLiteral("File Descriptors..."));
    ok_button_ = MakeNamed<QPushButton>(panel, "OkBtn", QStringLiteral("Save"));
    ok_button_->setDefault(true);
    auto* cancel = MakeNamed<QPushButton>(panel, "CancelBtn", QStringLiteral("Cancel"));
    grid->addWidget(settings_button_, 2, 0, 1, 3);
    grid->addWidget(undo_button_, 3, 0);
    grid->addWidget(balance_button_, 3, 1);
    grid->addWidget(compression, 4, 0);
    grid->addWidget(descriptors, 4, 1);
    grid->addWidget(ok_button_, 5, 1);
    grid->addWidget(cancel, 5, 2);

    connect(crop_button_, &QToolButton::toggled, this, &TImagePreview::CroppingToggled);
    connect(crop_size_button_, &QToolButton::clicked, this, &TImagePreview::OpenSettings);
    connect(save_size_button_, &QToolButton::clicked, this, &TImagePreview::OpenSettings);
    connect(settings_button_, &QPushButton::clicked, this, &TImagePreview::OpenSettings);
    connect(undo_button_, &QPushButton::clicked, this, &TImagePreview::RestoreOriginal);
    connect(balance_button_, &QPushButton::clicked, this, &TImagePreview::BalanceSettings);
    connect(compression, &QPushButton::clicked, this, &TImagePreview::ChooseCompression);
    connect(descriptors, &QPushButton::clicked, this, &TImagePreview::EditDescriptors);
    connect(ok_button_, &QPushButton::clicked, this, &TImagePreview::Save);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    return panel;
}

} // namespace fw
