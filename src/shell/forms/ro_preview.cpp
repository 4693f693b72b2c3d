#include "shell/forms/ro_preview.h"

#include <algorithm>

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>

#include "clips/bayer.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "support/fw_error.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kIdleTickMs = 40;

// The folder of the sequence when it lies below the root; otherwise the camera it came from.
QString proposedSaveName(const TBayer& source)
{
    const QDir folder(source.Sequence().Folder());
    if (!source.Sequence().Folder().isEmpty() && !folder.isRoot())
        return folder.dirName();
    const BayRecord record = source.Record();
    return BayCameraTypeText(record) + QStringLiteral(" #") + QString::number(record.CameraId()) + QStringLiteral(" (")
        + QString::number(record.SessionId()) + QLatin1Char(')');
}

QStringList sequenceLabels(const TBayer& source)
{
    QStringList labels;
    for (int32_t entry = 0; entry < source.Sequence().Count(); ++entry)
        labels << source.Sequence().Name(entry);
    return labels;
}

} // namespace

TROPreview::TROPreview(
    const ChildContext& context, std::unique_ptr<TBayer> source, QString file_name, QString title, QWidget* parent)
    : TChildForm(context, nullptr, std::move(file_name), std::move(title), parent)
    , source_(source.get())
{
    setObjectName(QStringLiteral("ROPreview"));
    if (!source_->IsOpen() || source_->Sequence().Count() == 0)
        throw Error(QStringLiteral("Error creating Video display form."));
    source_->Sequence().SetFrameSelection(0, 1);
    range_ = BayerFrameRange(sequenceLabels(*source_));
    if (context_.settings) {
        values_ = ReadBayerPreviewValues(*context_.settings);
        source_->LoadCompression(*context_.settings);
    }
    original_values_ = values_;
    range_.Restore(values_.first_frame, values_.end_frame, values_.interval);
    preview_frame_ = FrameImage(source_->Width(), source_->Height(), 24);

    display_ = new TDisplayForm(context_, std::move(source), file_name_, title_);
    display_->setAttribute(Qt::WA_DeleteOnClose, false);
    display_->SetOwnerChild(this);
    DisplayOwnerHooks hooks;
    hooks.paint = [this](QPainter& painter, const QRect& picture) { PaintPicture(painter, picture); };
    hooks.save_finished
        = [this](bool success, bool clip_file, const QString& name) { SaveFinished(success, clip_file, name); };
    display_->SetHooks(hooks);
    display_->SetFrameSize(source_->Width(), source_->Height());
    display_->resize(source_->Width(), source_->Height());

    BuildWidgets();
    ApplyBayerProcessing(values_, *source_);
    ShowValues();
    FillFrameLists();
    RangeChanged();
    const bool placed_before
        = context_.settings && context_.settings->valueExists(QStringLiteral("Desktop"), objectName());
    RestorePlacement(false);
    if (!placed_before && context_.main_window)
        move(context_.main_window->frameGeometry().left(), context_.main_window->frameGeometry().bottom() + 12);
    show();
    display_->move(frameGeometry().right() + 8, y());
    display_->show();
    display_->LayoutWindow();
    RegisterChild();
    connect(&idle_timer_, &QTimer::timeout, this, &TROPreview::IdleTick);
    idle_timer_.start(kIdleTickMs);
    IdleTick();
}

TROPreview::~TROPreview()
{
    idle_timer_.stop();
    delete display_;
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
    source_->Sequence().SetFrameSelection(range_.First(), range_.Interval(), range_.Count());
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

void TROPreview::ProcessingChanged()
{
    ApplyBayerProcessing(values_, *source_);
    shown_entry_ = -1;
    IdleTick();
}

void TROPreview::RestoreOriginal()
{
    values_ = original_values_;
    ShowValues();
    ProcessingChanged();
}

void TROPreview::IdleTick()
{
    if (saving_ || IsClosing() || range_.Count() == 0 || range_.Preview() == shown_entry_)
        return;
    ShowPreview();
}

void TROPreview::ShowPreview()
{
    const int32_t entry = range_.Preview();
    shown_entry_ = entry;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // A frame that cannot be read comes out grey; the source has asked the user about it.
    source_->RenderFrame(range_.PreviewFrame(), preview_frame_.pixels());
    QGuiApplication::restoreOverrideCursor();
    preview_image_ = preview_frame_.toQImage();
    display_->setWindowTitle(QStringLiteral("Frame ") + range_.Label(entry) + QLatin1Char(' ') + title_);
    display_->Seek(range_.PreviewFrame());
    display_->RefreshPicture();
}

void TROPreview::PaintPicture(QPainter& painter, const QRect& picture)
{
    if (preview_image_.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(picture, preview_image_);
}

void TROPreview::Save()
{
    if (saving_ || range_.Count() < 1)
        return;
    RangeChanged();
    saving_ = true;
    hide();
    preview_image_ = QImage();
    display_->Saver().SaveThroughWindow(
        QStringLiteral("Save ") + title_ + QStringLiteral(" Images As"), proposedSaveName(*source_));
}

void TROPreview::SaveFinished(bool success, bool clip_file, const QString& final_name)
{
    saving_ = false;
    if (success) {
        if (clip_file) {
            if (context_.open_clip)
                context_.open_clip(final_name);
            else
                showError(QStringLiteral("Error creating Video display form."));
        }
        if (context_.add_source_file)
            context_.add_source_file(file_name_);
        close();
        return;
    }
    shown_entry_ = -1;
    show();
    display_->show();
    IdleTick();
}

void TROPreview::ChooseCompression()
{
    display_->ChooseCompression();
}

void TROPreview::EditDescriptors()
{
    display_->EditDescriptors();
}

bool TROPreview::IsSaving() const
{
    return saving_ || display_->IsSaving();
}

bool TROPreview::Poll(bool& range_stale, bool& closing)
{
    TChildForm::Poll(range_stale, closing);
    IdleTick();
    return false;
}

bool TROPreview::CanClose()
{
    if (!display_->IsSaving())
        return true;
    if (confirm(QStringLiteral("Cancel the Bayer Conversion and Save in Progress?"), title_))
        display_->Saver().RequestSaveCancel();
    return false;
}

void TROPreview::closeEvent(QCloseEvent* event)
{
    TChildForm::closeEvent(event);
    if (!event->isAccepted())
        return;
    idle_timer_.stop();
    WriteSettings();
    display_->hide();
}

void TROPreview::WriteSettings()
{
    values_.first_frame = range_.Label(range_.First());
    values_.end_frame = range_.Label(range_.Last());
    values_.interval = range_.Interval();
    if (context_.settings)
        WriteBayerPreviewValues(*context_.settings, values_);
}

} // namespace fw
