#include "imagers/capture/forms/cap_preview.h"

#include <algorithm>

#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "imagers/capture/cap_stream.h"
#include "imagers/capture/capture_descriptor.h"
#include "imagers/imaq/imaq.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/time_bar.h"
#include "support/settings_store.h"

namespace fw {

namespace {

// The picture before the grabber has told its size.
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kMaxThreshold = 999;

// Colours as the settings keep them: 0x00BBGGRR.
QColor ColorOf(uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

uint32_t BgrOf(const QColor& colour)
{
    return uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
}

// Hands `call` to the window's own thread; the capture thread does not wait for it.
template <typename Call> void Post(TCapPreview* window, Call call)
{
    QMetaObject::invokeMethod(window, std::move(call), Qt::QueuedConnection);
}

} // namespace

TCapPreview::TCapPreview(const ChildContext& context, std::shared_ptr<TIMAQ> imaq, QString interface_name,
    QString title, std::unique_ptr<TCaptureWaits> waits, QWidget* parent)
    : TPreviewForm(context, interface_name, std::move(title), parent)
    , imaq_(std::move(imaq))
    , opened_(QDateTime::currentDateTime())
{
    setObjectName(QStringLiteral("CapPreview"));
    setWindowTitle(title_);
    if (context_.settings)
        values_ = CaptureWindowSettings::Read(*context_.settings);

    BuildDisplay();
    thread_ = std::make_unique<TCaptureThread>(*imaq_, interface_name, MakeCallbacks(), std::move(waits));
    ApplyValuesToThread();
    BuildWidgets();
    ShowValues();
    thread_->Start();
    ShowWithDisplay();
    PlaceRegion();
    IdleTick();
}

void TCapPreview::BuildDisplay()
{
    auto stream = std::make_unique<TCapStream>();
    cap_stream_ = stream.get();
    cap_stream_->SetCompletionHandler([this](const CaptureCompletion& completion) {
        Post(this, [this, completion] { CaptureEnded(completion); });
    });
    DisplayOwnerHooks hooks;
    hooks.paint
        = [this](QPainter& painter, const QRect& picture) { DrawPicture(painter, picture, live_image_); };
    hooks.layout_changed = [this](const QRect&) { PlaceRegion(); };
    MakeDisplay(std::move(stream), hooks);
    display_->setWindowTitle(QStringLiteral("Live Video"));
    frame_width_ = kDefaultWidth;
    frame_height_ = kDefaultHeight;
    display_->SetFrameSize(frame_width_, frame_height_);
    display_->resize(frame_width_, frame_height_);
    display_->Cropper()->SetColor(ColorOf(values_.crop_color));
    connect(display_->Cropper(), &TCropShape::boundsChanged, this, [this] { RegionMoved(); });
    display_->SetOwnerFrames(
        0, CaptureDescriptorBlock(values_.time_per_frame_ms, values_.time_at_frame0_ms, opened_));
    // The live picture stands for the first frame of the capture to come.
    display_->Seek(0);
}

TCapPreview::~TCapPreview()
{
    if (!settings_written_)
        WriteSettings();
    // Nothing reaches the window once the thread has ended; a capture it was writing is written.
    thread_->Join();
}

CaptureCallbacks TCapPreview::MakeCallbacks()
{
    CaptureCallbacks callbacks;
    callbacks.status = [this](const CaptureStatus& status) {
        if (status_slot_.Put(status.text))
            Post(this, [this] { ShowStatus(); });
    };
    callbacks.live_frame = [this](const FrameImage& frame) {
        if (live_slot_.Put(frame))
            Post(this, [this] { ShowLiveFrame(); });
    };
    callbacks.properties = [this](const CaptureProperties& properties) {
        Post(this, [this, properties] { TakeProperties(properties); });
    };
    callbacks.completion = [stream = cap_stream_](
                               const CaptureCompletion& completion) { stream->SignalCompletion(completion); };
    return callbacks;
}

void TCapPreview::ApplyValuesToThread()
{
    thread_->SetRateIndex(values_.capture_rate);
    thread_->SetDecimation(values_.resolution == 1 ? kImgDecimationHalf : kImgDecimationFull);
    thread_->SetFramesRequested(values_.total_frames);
    thread_->SetThreshold(values_.trigger_level);
    thread_->SetBuffersWanted(values_.buffers_wanted);
    thread_->SetLiveWhileCapturing(values_.progress);
    ApplyRegion();
}

void TCapPreview::ApplyRegion()
{
    thread_->SetRegion(values_.region, !values_.region_on);
}

void TCapPreview::ShowLiveFrame()
{
    std::optional<FrameImage> frame = live_slot_.Take();
    if (!frame || IsClosing())
        return;
    live_frame_ = std::move(*frame);
    live_image_ = live_frame_.toQImage();
    if (live_frame_.width() != frame_width_ || live_frame_.height() != frame_height_) {
        frame_width_ = live_frame_.width();
        frame_height_ = live_frame_.height();
        display_->SetFrameSize(frame_width_, frame_height_);
        PlaceRegion();
    }
    display_->RefreshPicture();
}

void TCapPreview::ShowStatus()
{
    if (const std::optional<QString> text = status_slot_.Take())
        status_bar_->setText(*text);
}

void TCapPreview::TakeProperties(const CaptureProperties& properties)
{
    // Making the buffers set the whole frame; the window's region takes over again.
    ApplyRegion();
    colour_button_->setEnabled(properties.colour_capable);
    if (!properties.colour_capable) {
        // The grabber is monochrome already; asking for it would only make the buffers anew.
        const QSignalBlocker quiet(monochrome_button_);
        monochrome_button_->setChecked(true);
    }
    if (properties.width != frame_width_ || properties.height != frame_height_) {
        frame_width_ = properties.width;
        frame_height_ = properties.height;
        display_->SetFrameSize(frame_width_, frame_height_);
        PlaceRegion();
    }
}

void TCapPreview::IdleTick()
{
    if (IsClosing() || starting_)
        return;
    if (capturing_) {
        ShowCaptureProgress();
    } else {
        ok_button_->setEnabled(thread_->Stage() == CaptureStage::csLiveMode);
        if (!buffers_edit_->hasFocus())
            buffers_edit_->setText(QString::number(thread_->BuffersWanted()));
    }
    ShowThreadValues();
}

void TCapPreview::ShowThreadValues()
{
    trigger_level_->setSelection(thread_->Level(), kMaxThreshold);
    // After lost frames the thread lowers the rate for the next capture.
    const int rate = thread_->RateIndex();
    if (rate_box_->currentIndex() != rate) {
        const QSignalBlocker quiet(rate_box_);
        rate_box_->setCurrentIndex(rate);
        values_.capture_rate = rate;
    }
}

void TCapPreview::WriteSettings()
{
    settings_written_ = true;
    TakeEditedFields();
    values_.buffers_wanted = thread_->BuffersWanted();
    values_.time_per_frame_ms = display_->FramePeriodMs();
    values_.time_at_frame0_ms = display_->FirstFrameTimeMs();
    values_.crop_color = BgrOf(display_->Cropper()->Color());
    if (context_.settings)
        values_.Write(*context_.settings);
}

bool TCapPreview::CanClose()
{
    if (IsClosing())
        return true;
    // The file dialog is open.
    if (starting_)
        return false;
    if (!capturing_)
        return true;
    if (!confirm(QStringLiteral("Cancel Video Capture in Progress?"), title_))
        return false;
    thread_->Cancel();
    cancel_sent_ = true;
    return true;
}

void TCapPreview::closeEvent(QCloseEvent* event)
{
    TPreviewForm::closeEvent(event);
    if (!event->isAccepted())
        return;
    thread_->Terminate();
    if (thread_->Finished())
        return;
    // The window goes once the thread has let the grabber go and written what it captured;
    // meanwhile the end of a capture is still dealt with.
    setAttribute(Qt::WA_DeleteOnClose, false);
    thread_->WhenFinished([this] { Post(this, [this] { ThreadEnded(); }); });
}

void TCapPreview::ThreadEnded()
{
    if (ending_)
        delete_pending_ = true;
    else
        deleteLater();
}

} // namespace fw
