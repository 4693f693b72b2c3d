#include "shell/forms/ro_preview.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "clips/bayer.h"
#include "clips/forms/custom_color_form.h"
#include "clips/forms/processing_settings_form.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "support/fw_error.h"
#include "support/settings_store.h"

namespace fw {

namespace {

// The folder of the sequence when it lies below the root; otherwise the camera it came from.
QString proposedSaveName(const TBayer& source)
{
    const QDir folder(source.SourceFolder());
    if (!source.SourceFolder().isEmpty() && !folder.isRoot())
        return folder.dirName();
    const BayRecord record = source.Record();
    return BayCameraTypeText(record) + QStringLiteral(" #") + QString::number(record.CameraId())
        + QStringLiteral(" (") + QString::number(record.SessionId()) + QLatin1Char(')');
}

bool IsClipName(const QString& file_name)
{
    return file_name.endsWith(QStringLiteral(".avi"), Qt::CaseInsensitive)
        || file_name.endsWith(QStringLiteral(".kfs"), Qt::CaseInsensitive);
}

// Approving writes the window's own clip: a KFS clip for a .kfs name, else an AVI clip (the
// stream's save types 2 and 1).
int ApprovedClipType(const QString& file_name)
{
    return file_name.endsWith(QStringLiteral(".kfs"), Qt::CaseInsensitive) ? 2 : 1;
}

QStringList sequenceLabels(const TBayer& source)
{
    QStringList labels;
    for (int32_t entry = 0; entry < source.EntryCount(); ++entry)
        labels << source.EntryLabel(entry);
    return labels;
}

} // namespace

TROPreview::TROPreview(const ChildContext& context, std::unique_ptr<TBayer> source, QString file_name,
    QString title, QWidget* parent)
    : TPreviewForm(context, std::move(file_name), std::move(title), parent)
    , source_(source.get())
{
    setObjectName(QStringLiteral("ROPreview"));
    if (!source_->IsOpen() || source_->EntryCount() == 0)
        throw Error(QStringLiteral("Error creating Video display form."));
    source_->SelectEntries(0, 1);
    range_ = BayerFrameRange(sequenceLabels(*source_));
    if (context_.settings) {
        values_ = ReadBayerPreviewValues(*context_.settings);
        source_->LoadCompression(*context_.settings);
    }
    LoadConnectedSettings();
    original_values_ = values_;
    // A range never chosen is the whole recording; the stored default "1" would otherwise pick
    // one frame out of an imager's recording, whose frames are numbered around the trigger.
    if (RangeStored())
        range_.Restore(values_.first_frame, values_.end_frame, values_.interval);
    else
        range_.SetInterval(values_.interval);
    preview_frame_ = FrameImage(source_->Width(), source_->Height(), 24);

    DisplayOwnerHooks hooks;
    hooks.paint
        = [this](QPainter& painter, const QRect& picture) { DrawPicture(painter, picture, preview_image_); };
    hooks.save_finished = [this](bool success, bool clip_file, const QString& name) {
        SaveFinished(success, clip_file, name);
    };
    hooks.color_transform = [this] { TransformColor(); };
    MakeDisplay(std::move(source), hooks);
    display_->SetFrameSize(source_->Width(), source_->Height());
    display_->resize(source_->Width(), source_->Height());

    BuildWidgets();
    InstallImagerHandlers();
    ApplyBayerProcessing(values_, *source_);
    ShowValues();
    FillFrameLists();
    RangeChanged();
    ShowWithDisplay();
    IdleTick();
}

bool TROPreview::RangeStored() const
{
    return context_.settings && BayerRangeStored(*context_.settings);
}

TROPreview::~TROPreview()
{
    if (imager_) {
        EndLive();
        imager_->RemoveHandlers();
    }
}

void TROPreview::FirstChosen(int entry)
{
    if (updating_widgets_ || entry < 0)
        return;
    range_.SetFirst(entry);
    FillFrameLists();
    RangeChanged();
}

void TROPreview::LastChosen(int entry)
{
    if (updating_widgets_ || entry < 0)
        return;
    range_.SetLast(entry);
    FillFrameLists();
    RangeChanged();
}

void TROPreview::IntervalChanged(int interval)
{
    if (updating_widgets_)
        return;
    range_.SetInterval(interval);
    FillFrameLists();
    RangeChanged();
}

void TROPreview::PreviewChosen(int index)
{
    const std::vector<int32_t> entries = range_.PreviewEntries();
    if (updating_widgets_ || index < 0 || size_t(index) >= entries.size())
        return;
    range_.SetPreview(entries[size_t(index)]);
    IdleTick();
}

void TROPreview::RangeChanged()
{
    source_->SelectEntries(range_.First(), range_.Interval(), range_.Count());
    display_->SetOwnerFrames(range_.Count(), source_->Descriptors());
    if (event_entry_ >= 0) {
        const double rate = std::max(source_->FrameRate(), 1);
        display_->SetTiming(range_.FramePeriodMs(rate), range_.FirstFrameTimeMs(event_entry_, 1000.0 / rate));
    }
    count_label_->setText(QStringLiteral("%1 Frames").arg(range_.Count()));
    // The previewed frame has a new place in the clip.
    shown_entry_ = -1;
}

void TROPreview::EventFrame()
{
    clip_changed_ = true;
    event_entry_ = range_.Preview();
    RangeChanged();
    IdleTick();
}

void TROPreview::TrackBarMoved(TrackTag tag, int position)
{
    if (updating_widgets_ || !TrackChangeTaken(values_.Value(tag), TrackValue(tag, position)))
        return;
    values_.SetPosition(tag, position);
    ProcessingChanged();
}

void TROPreview::ShowFilterMask(bool on)
{
    source_->Pipeline().SetShowFilterMask(on);
    filter_button_->setToolTip(on ? QStringLiteral("Show Color Image") : QStringLiteral("Show Filter Mask"));
    shown_entry_ = -1;
    IdleTick();
}

void TROPreview::SetSettingsLocked(bool locked)
{
    if (!updating_widgets_ && values_.settings_locked != locked) {
        values_.settings_locked = locked;
        settings_changed_ = true;
    }
    for (QSlider* bar : track_bars_)
        bar->setEnabled(!locked);
    const std::array<QWidget*, 4> controls { filter_box_, color_temp_box_, tone_curve_box_, undo_button_ };
    for (QWidget* control : controls)
        control->setEnabled(!locked);
    locked_panel_->setVisible(locked);
    locked_panel_->raise();
}

void TROPreview::TransformColor()
{
    if (values_.settings_locked || range_.Count() == 0 || !context_.settings
        || !source_->Pipeline().ColorInterpolation())
        return;
    const QPointF reticle = display_->Reticle();
    const int x = std::clamp(int(reticle.x()), 0, source_->Width() - 1);
    const int y = std::clamp(source_->Height() - 1 - int(reticle.y()), 0, source_->Height() - 1);
    // The pixel as the interpolation gives it, before the pipeline.
    FrameImage raw(source_->Width(), source_->Height(), 24);
    source_->SetProcessing(false);
    const bool read = source_->RenderFrame(range_.PreviewFrame(), raw.pixels()) == kBayFrameDone;
    source_->SetProcessing(true);
    if (!read)
        return;
    const uint8_t* raw_bytes = raw.topDownRow(y) + size_t(x) * 3;
    const uint8_t* shown = preview_frame_.topDownRow(y) + size_t(x) * 3;
    ColorPickRequest request;
    request.pixel = PixelColor { raw_bytes[2], raw_bytes[1], raw_bytes[0] };
    request.shown = PixelColor { shown[2], shown[1], shown[0] };
    request.levels = source_->Pipeline().Levels();
    request.gamma = source_->Pipeline().Gamma();
    request.brightness = values_.Value(TrackTag::Brightness);
    request.tone_curve = values_.tone_curve;
    TCustomColorForm form(*context_.settings, this);
    form.PlaceOver(display_->frameGeometry());
    form.Run(request, [this](const ColorTransformResult& result) { TakeColorTransform(result); });
}

void TROPreview::TakeColorTransform(const ColorTransformResult& result)
{
    values_.SetPosition(TrackTag::Brightness, TrackPosition(TrackTag::Brightness, result.split.brightness));
    const TrackTag gains[] = { TrackTag::RedGain, TrackTag::GreenGain, TrackTag::BlueGain };
    for (size_t channel = 0; channel < 3; ++channel)
        values_.SetPosition(
            gains[channel], TrackPosition(gains[channel], result.split.channel_gains[channel]));
    ShowValues();
    ProcessingChanged();
}

bool TROPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == locked_panel_ && event->type() == QEvent::MouseButtonDblClick) {
        OpenSettings();
        return true;
    }
    return TPreviewForm::eventFilter(watched, event);
}

void TROPreview::ProcessingChanged()
{
    settings_changed_ = true;
    ApplyBayerProcessing(values_, *source_);
    shown_entry_ = -1;
    IdleTick();
}

void TROPreview::RestoreOriginal()
{
    values_.positions = original_values_.positions;
    values_.filter_index = original_values_.filter_index;
    values_.color_temperature = original_values_.color_temperature;
    values_.tone_curve = original_values_.tone_curve;
    ShowValues();
    ProcessingChanged();
}

void TROPreview::LoadConnectedSettings()
{
    // A connected settings file holds the values the user last saved for this kind of source.
    if (values_.settings_file.isEmpty() || !QFileInfo(values_.settings_file).isFile())
        return;
    ProcessingSettings settings = HandOverBayerValues(values_);
    if (TProcessingSettings::Run(settings, SettingsRun::LoadOnly, this))
        TakeBackBayerValues(settings, values_);
}

void TROPreview::OpenSettings()
{
    ProcessingSettings settings = HandOverBayerValues(values_);
    if (!TProcessingSettings::Run(settings, SettingsRun::Interactive, this))
        return;
    TakeBackBayerValues(settings, values_);
    ShowValues();
    ProcessingChanged();
}

void TROPreview::IdleTick()
{
    if (saving_ || IsClosing() || live_)
        return;
    if (imager_refresh_pending_ && imager_) {
        imager_refresh_pending_ = false;
        if (imager_->RefreshRange())
            ReloadFrameLists();
    }
    if (range_.Count() == 0 || range_.Preview() == shown_entry_)
        return;
    ShowPreview();
}

void TROPreview::ShowPreview()
{
    const int32_t entry = range_.Preview();
    shown_entry_ = entry;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // A frame that cannot be read comes out grey once the user has stopped retrying it.
    while (source_->RenderFrame(range_.PreviewFrame(), preview_frame_.pixels()) == kAskRetry) { }
    QGuiApplication::restoreOverrideCursor();
    preview_image_ = preview_frame_.toQImage();
    display_->setWindowTitle(QStringLiteral("Frame ") + range_.Label(entry) + QLatin1Char(' ') + title_);
    display_->Seek(range_.PreviewFrame());
    display_->RefreshPicture();
}

void TROPreview::Save()
{
    if (saving_ || range_.Count() < 1)
        return;
    RangeChanged();
    // Raw frames go out as BAY files beside the saved ones only when they come from an imager.
    source_->SetSaveBayerFiles(imager_ && values_.save_bayer_files);
    saving_ = true;
    hide();
    preview_image_ = QImage();
    // Approving writes over the window's own clip; frame files are never written over.
    if (approve_ && IsClipName(file_name_)) {
        if (settings_changed_ || clip_changed_) {
            display_->Saver().SaveTo(ApprovedClipType(file_name_), file_name_);
        } else {
            saving_ = false;
            close();
        }
        return;
    }
    display_->Saver().SaveThroughWindow(
        QStringLiteral("Save ") + title_ + QStringLiteral(" Images As"), proposedSaveName(*source_));
}

void TROPreview::SaveFinished(bool success, bool clip_file, const QString& final_name)
{
    saving_ = false;
    if (success && (!imager_ || auto_detach_ || approve_)) {
        SaveSucceeded(clip_file, final_name, !imager_);
        return;
    }
    if (success && clip_file && context_.open_clip)
        context_.open_clip(final_name);
    // Over an imager kept attached: ready for the next download.
    imager_refresh_pending_ = imager_ != nullptr;
    shown_entry_ = -1;
    show();
    display_->show();
    IdleTick();
}

void TROPreview::SetApproveMode(bool approve)
{
    approve_ = approve;
    save_button_->setText(approve ? QStringLiteral("Approve") : QStringLiteral("Save"));
}

void TROPreview::EditDescriptors()
{
    TPreviewForm::EditDescriptors();
    clip_changed_ = true;
}

void TROPreview::WriteSettings()
{
    values_.first_frame = range_.Label(range_.First());
    values_.end_frame = range_.Label(range_.Last());
    values_.interval = range_.Interval();
    if (settings_changed_ && !values_.settings_locked && !values_.settings_file.isEmpty()) {
        ProcessingSettings settings = HandOverBayerValues(values_);
        TProcessingSettings::Run(settings, SettingsRun::SaveOnly, this);
    }
    if (context_.settings)
        WriteBayerPreviewValues(*context_.settings, values_);
}

} // namespace fw
