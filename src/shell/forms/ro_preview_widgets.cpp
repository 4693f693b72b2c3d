#include "shell/forms/ro_preview.h"

#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "clips/bayer.h"
#include "clips/processing_tone.h"
#include "shell/forms/named_widget.h"
#include "shell/forms/preview_form.h"

namespace fw {

void TROPreview::BuildWidgets()
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildRangeGroup());
    layout->addWidget(BuildProcessingGroup());
    layout->addWidget(BuildImagerGroup());
    layout->addWidget(BuildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QGroupBox* TROPreview::BuildRangeGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Frame Range and Interval Selection"), this);
    group->setObjectName(QStringLiteral("FrameRangeGB"));
    auto* grid = new QGridLayout(group);
    first_box_ = MakeNamed<QComboBox>(group, "FirstFrameCB");
    last_box_ = MakeNamed<QComboBox>(group, "LastFrameCB");
    for (QComboBox* box : { first_box_, last_box_ })
        box->addItems(range_.Labels());
    interval_spin_ = MakeNamed<QSpinBox>(group, "IntervalSpin");
    interval_spin_->setRange(1, std::max<int>(1, int(range_.Labels().size())));
    preview_box_ = MakeNamed<QComboBox>(group, "PreviewFrameCB");
    count_label_ = MakeNamed<QLabel>(group, "FrameCountLB");
    grid->addWidget(new QLabel(QStringLiteral("First Frame"), group), 0, 0);
    grid->addWidget(first_box_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Last Frame"), group), 0, 2);
    grid->addWidget(last_box_, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Interval"), group), 1, 0);
    grid->addWidget(interval_spin_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Preview Frame"), group), 1, 2);
    grid->addWidget(preview_box_, 1, 3);
    grid->addWidget(count_label_, 2, 0, 1, 4);
    connect(first_box_, &QComboBox::currentIndexChanged, this, &TROPreview::FirstChosen);
    connect(last_box_, &QComboBox::currentIndexChanged, this, &TROPreview::LastChosen);
    connect(interval_spin_, &QSpinBox::valueChanged, this, &TROPreview::IntervalChanged);
    connect(preview_box_, &QComboBox::currentIndexChanged, this, &TROPreview::PreviewChosen);
    return group;
}

QSlider* TROPreview::MakeTrackBar(TrackTag tag, const char* name)
{
    auto* bar = MakeProcessingTrackBar(this, name);
    track_bars_[size_t(tag)] = bar;
    connect(bar, &QSlider::valueChanged, this, [this, tag](int position) { TrackBarMoved(tag, position); });
    return bar;
}

QGroupBox* TROPreview::BuildProcessingGroup()
{
    const struct {
        TrackTag tag;
        const char* name;
        const char* caption;
    } rows[] = {
        { TrackTag::Brightness, "BrightTrackBar", "Brightness" },
        { TrackTag::RedGain, "RedTrackBar", "Red Gain" },
        { TrackTag::GreenGain, "GreenTrackBar", "Green Gain" },
        { TrackTag::BlueGain, "BlueTrackBar", "Blue Gain" },
        { TrackTag::Gamma, "GammaTrackBar", "Gamma" },
        { TrackTag::Sharpness, "SharpTrackBar", "Sharpness" },
    };
    QStringList captions;
    for (const auto& bar : rows)
        captions << QString::fromLatin1(bar.caption);
    QGroupBox* group = MakeProcessingGroup(
        this, captions, [&rows, this](int row) { return MakeTrackBar(rows[row].tag, rows[row].name); },
        locked_panel_);
    group->layout()->addWidget(BuildFilterRow(group));
    return group;
}

QWidget* TROPreview::BuildFilterRow(QWidget* group)
{
    auto* row = new QWidget(group);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    filter_box_ = MakeFilterBox(row);
    filter_button_ = MakeFilterMaskButton(row);
    color_temp_box_ = MakeNamed<QComboBox>(row, "ColorTempCB");
    color_temp_box_->setToolTip(QStringLiteral("Temperature of Light Source"));
    for (const ColorTemperature& light : kColorTemperatures)
        color_temp_box_->addItem(QString::fromLatin1(light.name));
    tone_curve_box_ = MakeNamed<QCheckBox>(row, "ToneCurveCB", QStringLiteral("Tone Curve"));
    settings_locked_box_ = MakeNamed<QCheckBox>(row, "SettingsLocked", QStringLiteral("Lock Settings"));
    grid->addWidget(new QLabel(QStringLiteral("Filter"), row), 0, 0);
    grid->addWidget(filter_box_, 0, 1);
    grid->addWidget(filter_button_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Light"), row), 0, 3);
    grid->addWidget(color_temp_box_, 0, 4);
    grid->addWidget(tone_curve_box_, 1, 1);
    grid->addWidget(settings_locked_box_, 1, 3, 1, 2);
    connect(filter_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (updating_widgets_ || index < 0)
            return;
        values_.filter_index = index;
        ProcessingChanged();
    });
    connect(filter_button_, &QToolButton::toggled, this, &TROPreview::ShowFilterMask);
    connect(color_temp_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (updating_widgets_ || index < 0)
            return;
        values_.color_temperature = index;
        ProcessingChanged();
    });
    connect(tone_curve_box_, &QCheckBox::toggled, this, [this](bool on) {
        if (updating_widgets_)
            return;
        values_.tone_curve = on;
        ProcessingChanged();
    });
    connect(settings_locked_box_, &QCheckBox::toggled, this, &TROPreview::SetSettingsLocked);
    return row;
}

QGroupBox* TROPreview::BuildImagerGroup()
{
    // Stop, record, live and setup belong to an attached imager; a sequence from disk has none.
    imager_group_ = new QGroupBox(QStringLiteral("Imager Control"), this);
    imager_group_->setObjectName(QStringLiteral("ImagerGB"));
    auto* grid = new QGridLayout(imager_group_);
    stop_button_ = MakeNamed<QPushButton>(imager_group_, "StopBtn", QStringLiteral("Stop"));
    stop_button_->setToolTip(QStringLiteral("Stop"));
    record_button_
        = MakeNamed<QPushButton>(imager_group_, "RecordBtn", QStringLiteral("Ready for Recording"));
    record_button_->setCheckable(true);
    live_button_ = MakeNamed<QPushButton>(imager_group_, "LiveBtn", QStringLiteral("Live"));
    live_button_->setCheckable(true);
    auto* setup = MakeNamed<QPushButton>(imager_group_, "SetupBtn", QStringLiteral("Imager Setup"));
    state_panel_ = MakeNamed<QLabel>(imager_group_, "StatePanel");
    temperature_panel_ = MakeNamed<QLabel>(imager_group_, "TemperaturePanel");
    error_bar_ = MakeNamed<QLabel>(imager_group_, "ErrorBar");
    error_bar_->setStyleSheet(QStringLiteral("color: #b00000;"));
    for (QLabel* panel : { state_panel_, temperature_panel_ })
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    grid->addWidget(stop_button_, 0, 0);
    grid->addWidget(record_button_, 0, 1);
    grid->addWidget(live_button_, 1, 0);
    grid->addWidget(setup, 1, 1);
    grid->addWidget(state_panel_, 2, 0);
    grid->addWidget(temperature_panel_, 2, 1);
    grid->addWidget(error_bar_, 3, 0, 1, 2);
    connect(stop_button_, &QPushButton::clicked, this, &TROPreview::StopClicked);
    connect(record_button_, &QPushButton::toggled, this, &TROPreview::RecordToggled);
    connect(live_button_, &QPushButton::toggled, this, &TROPreview::LiveToggled);
    connect(setup, &QPushButton::clicked, this, &TROPreview::SetupClicked);
    imager_group_->hide();
    return imager_group_;
}

QWidget* TROPreview::BuildButtons()
{
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    scatter_box_ = MakeNamed<QCheckBox>(panel, "ScatterCB", QStringLiteral("Save Bayer Files"));
    // Writing BAY files alongside a save is for frames coming from an imager; a sequence from
    // disk is saved as BAY files through the "Bayer Files Directory" type instead.
    scatter_box_->setEnabled(false);
    scatter_box_->setToolTip(QStringLiteral("Save the imager's raw frames as BAY files while saving"));
    connect(scatter_box_, &QCheckBox::toggled, this, [this](bool on) { values_.save_bayer_files = on; });
    grid->addWidget(scatter_box_, 0, 0, 1, 2);
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        std::function<void()> action;
        bool action_is_undo = false;
    } buttons[] = {
        { "SettingsBtn", "Settings...", "Processing Settings as Numbers, Loaded from or Saved to a File",
            [this] { OpenSettings(); } },
        { "EventBtn", "Event Frame", "Designate Current Frame as Event Time Zero", [this] { EventFrame(); } },
        { "UndoBtn", "Original", "Revert to Original", [this] { RestoreOriginal(); }, true },
        { "DescriptorsBtn", "Descriptors", "Descriptors", [this] { EditDescriptors(); } },
        { "CompressionOptionsBtn", "Compression Options", "Compression Options",
            [this] { ChooseCompression(); } },
        { "SaveBtn", "Save", "Save Images using current Processing Settings", [this] { Save(); } },
        { "CancelBtn", "Cancel", "Quit without Saving", [this] { close(); } },
    };
    int place = 1; // beside "Save Bayer Files"
    for (const auto& made : buttons) {
        auto* pushed = MakeNamed<QPushButton>(panel, made.name, QString::fromLatin1(made.caption));
        pushed->setToolTip(QString::fromLatin1(made.hint));
        if (made.action_is_undo)
            undo_button_ = pushed;
        if (QLatin1String(made.name) == QLatin1String("SaveBtn"))
            save_button_ = pushed;
        grid->addWidget(pushed, place / 2, place % 2);
        connect(pushed, &QPushButton::clicked, this, made.action);
        ++place;
    }
    return panel;
}

void TROPreview::FillFrameLists()
{
    updating_widgets_ = true;
    first_box_->setCurrentIndex(range_.First());
    last_box_->setCurrentIndex(range_.Last());
    interval_spin_->setValue(range_.Interval());
    preview_box_->clear();
    int current = 0;
    for (int32_t entry : range_.PreviewEntries()) {
        if (entry == range_.Preview())
            current = preview_box_->count();
        preview_box_->addItem(range_.Label(entry));
    }
    preview_box_->setCurrentIndex(current);
    updating_widgets_ = false;
}

void TROPreview::ShowValues()
{
    updating_widgets_ = true;
    for (size_t i = 0; i < track_bars_.size(); ++i)
        track_bars_[i]->setValue(values_.positions[i]);
    filter_box_->setCurrentIndex(values_.filter_index);
    color_temp_box_->setCurrentIndex(values_.color_temperature);
    tone_curve_box_->setChecked(values_.tone_curve);
    scatter_box_->setChecked(values_.save_bayer_files);
    settings_locked_box_->setChecked(values_.settings_locked);
    updating_widgets_ = false;
    SetSettingsLocked(values_.settings_locked);
}

} // namespace fw
