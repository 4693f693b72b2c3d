#include "shell/forms/image_preview.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "clips/descriptor_block.h"
#include "clips/file_avi.h"
#include "clips/forms/processing_settings_form.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/frame_numbers_group.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// The timing entries of `timing_source` replace those of `block`; titles and camera facts stay.
std::string withTimingOf(std::string block, const std::string& timing_source)
{
    if (block.empty())
        return timing_source;
    for (const char* name : { "Frame Rate", "Mark Frame", "Time at Mark Frame" }) {
        std::string value;
        if (GetDescriptorValue(timing_source, "Timing", name, value))
            SetDescriptorValue(block, "Timing", name, value);
    }
    return block;
}

// The folder of the source when it lies below the root, else the source's kind.
QString proposedSaveName(const QString& file_name, const QString& type_name)
{
    const QDir folder = QFileInfo(file_name).absoluteDir();
    if (file_name.isEmpty() || folder.isRoot())
        return type_name;
    return folder.dirName();
}

} // namespace

TImagePreview::TImagePreview(const ChildContext& context, std::unique_ptr<TBaseAVI> source, QString file_name,
    QString title, QWidget* parent)
    : TPreviewForm(context, std::move(file_name), std::move(title), parent)
    , source_(source.get())
    , frames_(source->LowestNumber(), source->HighestNumber())
{
    setObjectName(QStringLiteral("ImagePreview"));
    if (!source_->IsOpen())
        throw Error(QStringLiteral("Error creating Video display form."));
    ReadSettings();
    DisplayOwnerHooks hooks;
    hooks.paint
        = [this](QPainter& painter, const QRect& picture) { DrawPicture(painter, picture, preview_image_); };
    hooks.layout_changed = [this](const QRect&) { PlaceCropper(); };
    hooks.save_finished = [this](bool success, bool clip_file, const QString& name) {
        SaveFinished(success, clip_file, name);
    };
    if (source_->IsColour())
        hooks.color_transform = [this] { TransformColor(); };
    MakeDisplay(std::move(source), hooks);
    display_->SetFrameSize(source_->ImageWidth(), source_->ImageHeight());
    display_->resize(source_->ImageWidth(), source_->ImageHeight());
    display_->Cropper()->SetColor(values_.crop.border_color);
    connect(display_->Cropper(), &TCropShape::boundsChanged, this, [this] { CropperMoved(); });

    BuildWidgets();
    ApplyValues();
    FrameRangeChanged();
    ShowWithDisplay();
    PlaceCropper();
    IdleTick();
}

TImagePreview::~TImagePreview() = default;

void TImagePreview::ReadSettings()
{
    const QString section = source_->OptionsSection();
    if (context_.settings) {
        values_ = ReadImportPreviewValues(*context_.settings, section, source_->ImageWidth(),
            source_->ImageHeight(), source_->IsColour(), QColor(Qt::red));
        source_->LoadCompression(*context_.settings);
    } else {
        values_.Balance();
        values_.crop.allowed = !source_->IsColour();
        values_.crop.rect = FrameRect { 0, 0, source_->ImageWidth() - 1, source_->ImageHeight() - 1 };
    }
    if (values_.range_stored)
        frames_.SetRange(values_.first_number, values_.last_number, values_.interval);
    // A connected settings file holds the values the user last saved for this kind of source.
    if (!values_.settings_file.isEmpty() && QFileInfo(values_.settings_file).isFile()) {
        ProcessingSettings settings = HandOverImportValues(values_);
        if (TProcessingSettings::Run(settings, SettingsRun::LoadOnly, this))
            TakeBackImportValues(settings, values_, source_->ImageWidth(), source_->ImageHeight());
    }
    original_values_ = values_;
}

void TImagePreview::WriteSettings()
{
    values_.first_number = frames_.First();
    values_.last_number = frames_.Last();
    values_.interval = frames_.Interval();
    if (!context_.settings)
        return;
    if (settings_changed_ && !values_.settings_locked && !values_.settings_file.isEmpty()) {
        ProcessingSettings settings = HandOverImportValues(values_);
        TProcessingSettings::Run(settings, SettingsRun::SaveOnly, this);
    }
    WriteImportPreviewValues(*context_.settings, source_->OptionsSection(), values_);
}

void TImagePreview::IdleTick()
{
    if (saving_ || IsClosing() || frames_.Preview() == previewed_number_)
        return;
    ShowPreview();
}

void TImagePreview::ShowPreview()
{
    const int32_t number = frames_.Preview();
    previewed_number_ = number;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        source_->PreviewFrame(number, preview_frame_);
        preview_image_ = preview_frame_.toQImage();
    } catch (const Error& failure) {
        preview_image_ = QImage();
        QGuiApplication::restoreOverrideCursor();
        showError(failure.message());
        return;
    }
    QGuiApplication::restoreOverrideCursor();
    display_->setWindowTitle(source_->FrameFileName(number));
    display_->Seek(frames_.PreviewIndex());
    display_->RefreshPicture();
    ShowSizes();
}

void TImagePreview::Save()
{
    if (saving_ || frames_.Count() < 1)
        return;
    try {
        source_->SetFrameRange(frames_.First(), frames_.Last(), frames_.Interval());
        ApplyImportCropping(values_, *source_);
    } catch (const Error& failure) {
        showError(failure.message());
        return;
    }
    saving_ = true;
    hide();
    preview_frame_ = FrameImage();
    preview_image_ = QImage();
    display_->Saver().SaveThroughWindow(
        QStringLiteral("Save ") + source_->Pattern() + QStringLiteral(" Images As"),
        proposedSaveName(file_name_, source_->TypeName()));
}

void TImagePreview::SaveFinished(bool success, bool clip_file, const QString& final_name)
{
    saving_ = false;
    if (success) {
        // Frame files (not a re-processed clip) may be deleted now that they are saved.
        SaveSucceeded(clip_file, final_name, dynamic_cast<const TFileAVI*>(source_) != nullptr);
        return;
    }
    // A cancelled or failed save: the source reads again and the preview comes back.
    try {
        if (!source_->IsOpen())
            source_->Open(file_name_);
    } catch (const Error& failure) {
        showError(failure.message());
    }
    previewed_number_ = -1;
    show();
    display_->show();
    IdleTick();
}

void TImagePreview::FrameRangeChanged()
{
    try {
        source_->SetFrameRange(frames_.First(), frames_.Last(), frames_.Interval());
    } catch (const Error& failure) {
        // The fields keep a valid range; the source says why it has none.
        qCInfo(lcShell).noquote() << "Frame range not taken -" << failure.message();
    }
    display_->SetOwnerFrames(
        frames_.Count(), withTimingOf(display_->TimeBase().Descriptors(), source_->DescriptorText()));
    ShowFrameFields();
}

void TImagePreview::ShowFrameFields()
{
    frame_group_->ShowNumbers();
    ok_button_->setEnabled(frames_.Count() > 0);
}

} // namespace fw
