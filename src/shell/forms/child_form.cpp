#include "shell/forms/child_form.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "clips/frame_image.h"
#include "shell/forms/child_windows.h"
#include "shell/forms/new_window_place.h"
#include "shell/window_placement.h"
#include "support/settings_store.h"

namespace fw {

namespace {

// Ends frame access on every path out of a frame copy.
class FrameAccessGuard {
public:
    explicit FrameAccessGuard(TAVISTREAM& stream)
        : stream_(stream)
    {
        open_ = stream_.BeginFrameAccess(handle_);
    }
    ~FrameAccessGuard()
    {
        if (open_)
            stream_.EndFrameAccess(handle_);
    }
    FrameAccessGuard(const FrameAccessGuard&) = delete;
    FrameAccessGuard& operator=(const FrameAccessGuard&) = delete;

    bool isOpen() const { return open_; }
    FrameAccess* handle() const { return handle_; }

private:
    TAVISTREAM& stream_;
    FrameAccess* handle_ = nullptr;
    bool open_ = false;
};

QRect screenOf(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TChildForm::TChildForm(const ChildContext& context, std::unique_ptr<TAVISTREAM> stream, QString file_name,
    QString title, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , context_(context)
    , stream_(std::move(stream))
    , file_name_(std::move(file_name))
    , title_(std::move(title))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title_);
}

TChildForm::~TChildForm()
{
    ReleaseSignalGraph();
    if (registered_ && context_.unregister_child)
        context_.unregister_child(this);
    if (placement_restored_)
        StorePlacement();
}

int32_t TChildForm::CurrentIndex()
{
    return shown_index_;
}

void TChildForm::UserSeek(int32_t index)
{
    Seek(index);
    user_moved_ = true;
}

void TChildForm::Seek(int32_t index)
{
    requested_index_ = index;
    Redraw();
}

float TChildForm::CurrentTime()
{
    return current_time_ms_;
}

void TChildForm::SeekTime(double time_ms)
{
    Seek(time_base_.IndexAtTime(time_ms));
}

void TChildForm::UserSeekTime(double time_ms)
{
    UserSeek(time_base_.IndexAtTime(time_ms));
}

float TChildForm::EndTime()
{
    return 0.0f;
}

int32_t TChildForm::LastIndex()
{
    return 0;
}

int TChildForm::DeviceKind()
{
    return 0;
}

void TChildForm::MasterRecord(int /*mode*/) { }

void TChildForm::EnableQuickMeasure(bool enable)
{
    quick_measure_allowed_ = enable;
}

void TChildForm::EnableSignalGraph(bool enable)
{
    signal_graph_allowed_ = enable;
}

void TChildForm::SetSettingsFile(const QString& /*file_name*/) { }

void TChildForm::SetApproveMode(bool /*approve*/) { }

bool TChildForm::Redraw()
{
    bool drew = force_redraw_;
    if (!closing_ && requested_index_ != shown_index_) {
        shown_index_ = requested_index_;
        current_time_ms_ = static_cast<float>(time_base_.FrameTime(shown_index_));
        drew = true;
        if (SignalGraphWindow* graph = SignalGraph(); graph && graph_window_->isVisible())
            graph->VideoTimeChanged(current_time_ms_);
    }
    force_redraw_ = false;
    return drew;
}

// Save As and Quick Measure come with their own windows; until then the main window keeps these
// commands disabled.
void TChildForm::ChooseCompression()
{
    if (stream_ && stream_->ChooseCompression(this) && context_.settings)
        stream_->StoreCompression(*context_.settings);
}
void TChildForm::EditDescriptors()
{
    if (context_.edit_descriptors)
        context_.edit_descriptors(*this);
}
void TChildForm::SaveAs() { }
void TChildForm::OpenQuickMeasure() { }

void TChildForm::OpenSignalGraph()
{
    if (!signal_graph_allowed_)
        return;
    SignalGraphWindow* graph = SignalGraph();
    if (!graph) {
        graph = CreateSignalGraph(this, this, context_.settings);
        if (!graph)
            return;
        AdoptSignalGraph(graph);
    }
    QWidget* window = graph->Window();
    window->show();
    window->raise();
    window->activateWindow();
    graph->VideoTimeChanged(CurrentTime());
    // A new window, or one closed since, has no chart yet: the user chooses the signals now.
    if (!graph->HasSignals())
        graph->ChooseAndPlot({});
}

SignalGraphWindow* TChildForm::SignalGraph() const
{
    return graph_window_ ? graph_ : nullptr;
}

void TChildForm::AdoptSignalGraph(SignalGraphWindow* graph)
{
    if (SignalGraph() == graph)
        return;
    ReleaseSignalGraph();
    graph_ = graph;
    graph_window_ = graph ? graph->Window() : nullptr;
    if (graph && graph->Followed() != this)
        graph->Follow(this);
}

void TChildForm::ReleaseSignalGraph()
{
    SignalGraphWindow* graph = SignalGraph();
    graph_ = nullptr;
    if (!graph)
        return;
    QWidget* window = graph_window_;
    graph_window_ = nullptr;
    if (graph->Followed() == this)
        graph->Follow(nullptr);
    // This window's own graph closes with it (storing its place and settings); a graph lent by
    // the main window stays open, following nothing.
    if (window->parentWidget() == this)
        window->close();
}

void TChildForm::CopyFrame()
{
    if (!stream_ || shown_index_ < 0)
        return;
    FrameAccessGuard access(*stream_);
    if (!access.isOpen())
        return;
    int32_t size = 0;
    const uint8_t* bytes = nullptr;
    if (!stream_->GetFrame(access.handle(), shown_index_, size, bytes) || !bytes || size <= 0)
        return;
    // The decoder's bytes are checked before they reach the clipboard.
    const FrameImage frame = FrameImage::fromPacked(bytes, static_cast<size_t>(size));
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(frame.toQImage());
}

bool TChildForm::Poll(bool& range_stale, bool& closing)
{
    if (time_base_.IsSet())
        range_stale = !closing_;
    closing = closing_;
    return false;
}

bool TChildForm::CanClose()
{
    return true;
}

bool TChildForm::UserMovedTime(float& time_ms)
{
    if (!user_moved_)
        return false;
    user_moved_ = false;
    time_ms = current_time_ms_;
    return true;
}

void TChildForm::SetFlashing(bool on)
{
    flashing_ = on;
    if (!on && flash_state_) {
        flash_state_ = false;
        setWindowTitle(title_);
    }
}

// Window managers have no caption inversion: the marker in the title stands in for it.
void TChildForm::FlashCaption()
{
    if (!flashing_)
        return;
    flash_state_ = !flash_state_;
    setWindowTitle(flash_state_ ? QStringLiteral("\u25B6 ") + title_ : title_);
}

void TChildForm::closeEvent(QCloseEvent* event)
{
    if (!CanClose()) {
        event->ignore();
        return;
    }
    closing_ = true;
    event->accept();
}

void TChildForm::SetFramePeriod(double period_ms)
{
    time_base_.SetFramePeriod(period_ms);
    shown_index_ = -1;
    TimeBaseUpdated();
    emit timeBaseChanged();
}

void TChildForm::SetFirstFrameTime(double time_ms)
{
    time_base_.SetFirstFrameTime(time_ms);
    shown_index_ = -1;
    TimeBaseUpdated();
    emit timeBaseChanged();
}

void TChildForm::SetFirstFrameNumber(int32_t number)
{
    time_base_.SetFirstFrameNumber(number);
    shown_index_ = -1;
    TimeBaseUpdated();
    emit timeBaseChanged();
}

bool TChildForm::ApplyDescriptors(const std::string& block)
{
    if (!time_base_.ApplyDescriptors(block))
        return false;
    shown_index_ = -1;
    TimeBaseUpdated();
    emit timeBaseChanged();
    return true;
}

void TChildForm::SetTiming(double period_ms, double first_frame_time_ms)
{
    if (float(period_ms) != FramePeriodMs())
        SetFramePeriod(period_ms);
    if (float(first_frame_time_ms) != FirstFrameTimeMs())
        SetFirstFrameTime(first_frame_time_ms);
}

void TChildForm::RestoreTimeBase(const ClipTimeBase& saved)
{
    time_base_ = saved;
    shown_index_ = -1;
    TimeBaseUpdated();
    emit timeBaseChanged();
}

void TChildForm::ChangeDescriptors(const std::string& block)
{
    const std::string edited = block;
    time_base_.SetDescriptors(edited);
    ApplyDescriptors(edited);
    descriptors_changed_ = true;
    descriptor_save_confirmed_ = false;
}

void TChildForm::RegisterChild()
{
    if (registered_)
        return;
    registered_ = true;
    if (context_.register_child)
        context_.register_child(this);
}

void TChildForm::StorePlacement()
{
    if (!context_.settings || objectName().isEmpty())
        return;
    const QRect frame = geometry();
    const WindowPlacement placement { y(), x(), frame.width(), frame.height(),
        static_cast<int32_t>(options_) };
    WritePlacement(*context_.settings, objectName(), placement, sizeable_);
}

void TChildForm::RestorePlacement(bool sizeable)
{
    sizeable_ = sizeable;
    placement_restored_ = true;
    if (!context_.settings || objectName().isEmpty())
        return;
    const WindowPlacement current { y(), x(), width(), height(), static_cast<int32_t>(options_) };
    const WindowPlacement placement
        = ReadPlacement(*context_.settings, objectName(), current, screenOf(*this));
    move(placement.left, placement.top);
    if (sizeable && placement.width > 0 && placement.height > 0)
        resize(placement.width, placement.height);
    KeepWindowOnScreen(*this);
    options_ = static_cast<uint32_t>(placement.extra);
}

} // namespace fw
