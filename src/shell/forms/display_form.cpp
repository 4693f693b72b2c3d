#include "shell/forms/display_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <typeinfo>

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSlider>

#include "clips/descriptor_block.h"
#include "clips/frame_image.h"
#include "shell/display_layout.h"
#include "shell/forms/frame_view.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kLegendHeight = 22;
constexpr int kControlsHeight = 28;
constexpr int kFramePanelWidth = 70;
constexpr int kReticlePanelWidth = 120;
constexpr int kTimeValueWidth = 90;
constexpr int kTimeUnitWidth = 30;
constexpr int kMinimumControlsWidth = 225;

const char* const kCompressorTable[] = {
    "IV31 - Intel Indeo\u00AE R3.1",
    "IV32 - Intel Indeo\u00AE R3.2",
    "IV41 - Intel Indeo\u00AE Video Interactive 32-bit Driver",
    "IV50 - Intel Indeo\u00AE Video 5.0",
    "MPG4 - MPEG-4 Video High Speed Compressor (MT)",
    "MRLE - Microsoft RLE",
    "MSVC - Microsoft Video 1",
    "TR20 - Duck TrueMotion Codec",
    "UCOD - ClearVideo Decoder Driver",
    "VDOM - VDOnet VDOWave Video Codec",
    "VIVO - Vivo H.263 Video CODEC Version 2.0.0",
};

QLabel* makePanel(QWidget* parent, const char* name, int width, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFixedSize(width, kLegendHeight);
    return label;
}

// Fixed notation with 5 significant digits and 1 decimal.
QString reticleText(float value)
{
    const double rounded = QString::number(double(value), 'g', 5).toDouble();
    if (std::fabs(rounded) >= 1e5)
        return QString::number(rounded, 'e', 4);
    return QString::number(rounded, 'f', 1);
}

int screenHeightOf(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().height() : 0;
}

} // namespace

TDisplayForm::TDisplayForm(const ChildContext& context, std::unique_ptr<TAVISTREAM> stream, QString file_name,
    QString title, QWidget* parent)
    : TChildForm(context, std::move(stream), std::move(file_name), std::move(title), parent)
{
    setObjectName(QStringLiteral("DisplayForm"));
    BuildWidgets();
    BuildMenu();
    // Sources other than a plain clip file are painted and driven by the window that owns them.
    stand_alone_ = stream_ && typeid(*stream_) == typeid(TAVISTREAM);
    if (stand_alone_)
        OpenClip();
    RestorePlacement(true);
    shown_index_ = -1;
    requested_index_ = -2;
    UpdateMenu();
    Redraw();
    LayoutWindow();
    if (stand_alone_) {
        show();
        RegisterChild();
    }
}

TDisplayForm::~TDisplayForm()
{
    // The shown frame belongs to the decoder: let go of it before the decoder goes.
    paint_box_->clear();
    if (frames_open_) {
        stream_->EndFrameAccess(frame_access_);
        frames_open_ = false;
    }
    if (stand_alone_ && stream_) {
        stream_->Close();
        WriteDescriptors();
    }
}

QString TDisplayForm::DriverHint(uint32_t compressor)
{
    const QString code = fourccText(compressor).toUpper();
    QString hint = code;
    for (const char* entry : kCompressorTable) {
        const QString text = QString::fromUtf8(entry);
        if (text.contains(code))
            hint = text;
    }
    return hint;
}

QString TDisplayForm::OpenFailureMessage(
    const QString& path, bool info_readable, uint32_t compressor, const QString& failure)
{
    QString message = QStringLiteral("File ") + path;
    if (info_readable)
        message += QStringLiteral(" requires driver ") + DriverHint(compressor);
    return message + QLatin1Char('\r') + failure;
}

void TDisplayForm::OpenClip()
{
    TAVISTREAM& stream = *stream_;
    const QString access_failed = QStringLiteral(" Open Frame Access Failed");
    try {
        stream.Open(file_name_);
        if (!stream.IsOpen())
            throw Error(stream.GetShortName() + access_failed);
        frame_count_ = stream.FrameCount();
        if (!stream.BeginFrameAccess(frame_access_))
            throw Error(stream.GetShortName() + access_failed);
        frames_open_ = true;
        if (frame_count_ < 1 || !ShowFrame(0))
            throw Error(stream.GetShortName() + access_failed);
    } catch (const std::exception& failure) {
        TAVIStreamInfo info;
        const bool readable = stream.GetInfo(info);
        paint_box_->clear();
        if (frames_open_)
            stream.EndFrameAccess(frame_access_);
        frames_open_ = false;
        stream.Close();
        const QString text = QString::fromStdString(failure.what());
        throw Error(OpenFailureMessage(file_name_, readable, info.fccHandler, text));
    }
    frame_bar_->setRange(0, frame_count_ - 1);
    frame_bar_->setValue(0);
    frame_bar_->setTickInterval(std::max(1, frame_count_ / 10));
    ReadDescriptors();
}

void TDisplayForm::ReadDescriptors()
{
    std::array<uint8_t, kDescriptorChunkSize> buffer {};
    int32_t size = kDescriptorChunkSize;
    std::string text;
    if (stream_->ReadData(kDescriptorChunkId, buffer.data(), size) && size > 0)
        text = DescriptorFromChunk(buffer.data(), size_t(std::min(size, kDescriptorChunkSize)));
    time_base_.SetDescriptors(text);
    ApplyDescriptors(text);
}

void TDisplayForm::WriteDescriptors()
{
    if (!descriptors_changed_ || file_name_.isEmpty())
        return;
    const auto chunk = DescriptorChunkBytes(time_base_.Descriptors());
    if (!stream_->WriteData(kDescriptorChunkId, chunk.data(), int32_t(chunk.size())))
        showError(QStringLiteral("Could not Save Description Changes to File ") + file_name_);
}

bool TDisplayForm::ShowFrame(int32_t index)
{
    int32_t size = 0;
    const uint8_t* bytes = nullptr;
    if (!stream_->GetFrame(frame_access_, index, size, bytes) || !bytes || size <= 0
        || !paint_box_->setPackedFrame(bytes, size_t(size))) {
        paint_box_->clear();
        return false;
    }
    BitmapInfoHeader header;
    std::memcpy(&header, bytes, sizeof header);
    if (header.biWidth != frame_width_ || header.biHeight != frame_height_) {
        frame_width_ = header.biWidth;
        frame_height_ = header.biHeight;
        if (isVisible())
            LayoutWindow();
    }
    return true;
}

int32_t TDisplayForm::CurrentIndex()
{
    return shown_index_;
}

void TDisplayForm::Seek(int32_t index)
{
    TChildForm::Seek(std::clamp(index, 0, std::max(0, frame_count_ - 1)));
}

float TDisplayForm::EndTime()
{
    if (!frames_open_)
        return FirstFrameTimeMs();
    return float(time_base_.FrameTime(frame_count_ - 1));
}

int32_t TDisplayForm::LastIndex()
{
    return frames_open_ ? frame_count_ - 1 : 0;
}

bool TDisplayForm::Redraw()
{
    if (frames_open_)
        requested_index_ = std::clamp(requested_index_, 0, std::max(0, frame_count_ - 1));
    if (!TChildForm::Redraw())
        return false;
    if (frames_open_)
        ShowFrame(shown_index_);
    ShowCounters();
    return true;
}

bool TDisplayForm::Poll(bool& range_stale, bool& closing)
{
    TChildForm::Poll(range_stale, closing);
    if (closing_)
        return false;
    return Redraw();
}

bool TDisplayForm::CanClose()
{
    if (typeid(*this) != typeid(TDisplayForm) || !descriptors_changed_ || file_name_.isEmpty()
        || descriptor_save_confirmed_)
        return true;
    PromptButton answer = PromptButton::No;
    try {
        answer = askUser(PromptKind::Confirmation, title_,
            QStringLiteral("Save Description Changes to File ") + file_name_ + QLatin1Char('?'),
            PromptButton::Yes | PromptButton::No | PromptButton::Cancel);
    } catch (const std::exception&) {
        answer = PromptButton::No;
    }
    if (answer == PromptButton::Cancel)
        return false;
    if (answer == PromptButton::Yes)
        descriptor_save_confirmed_ = true;
    else
        descriptors_changed_ = false;
    return true;
}

void TDisplayForm::EnableQuickMeasure(bool enable)
{
    TChildForm::EnableQuickMeasure(enable && stand_alone_);
}

void TDisplayForm::EnableSignalGraph(bool enable)
{
    TChildForm::EnableSignalGraph(enable && stand_alone_);
}

void TDisplayForm::TimeBaseUpdated()
{
    Redraw();
}

void TDisplayForm::ShowCounters()
{
    frame_panel_->setText(QString::number(time_base_.ShownNumber(shown_index_)));
    const ShownTime shown = time_base_.ShowTime(current_time_ms_);
    time_value_->setText(shown.text);
    time_unit_->setText(shown.unit);
    time_panel_->setToolTip(shown.hint);
    time_value_->setToolTip(shown.hint);
    if (frames_open_ && frame_bar_->value() != shown_index_) {
        updating_frame_bar_ = true;
        frame_bar_->setValue(shown_index_);
        updating_frame_bar_ = false;
    }
}

void TDisplayForm::ShowReticle(int mouse_x, int mouse_y)
{
    if (!(options_ & voReticlePosition))
        return;
    const ReticlePoint point
        = ReticleAt(mouse_x, mouse_y, paint_box_->width(), paint_box_->height(), frame_width_, frame_height_);
    reticle_x_ = point.x;
    reticle_y_ = point.y;
    reticle_panel_->setText(reticleText(reticle_x_) + QStringLiteral(", ") + reticleText(reticle_y_));
}

void TDisplayForm::FrameBarMoved(int position)
{
    if (!updating_frame_bar_)
        UserSeek(position);
}

void TDisplayForm::BuildWidgets()
{
    paint_box_ = new FrameView(this);
    paint_box_->setToolTip(QStringLiteral("Right-Click for Settings"));
    connect(paint_box_, &FrameView::mouseMovedOver, this, &TDisplayForm::ShowReticle);

    legend_ = new QWidget(this);
    legend_->setObjectName(QStringLiteral("LegendPanel"));
    frame_panel_ = makePanel(legend_, "FramePanel", kFramePanelWidth, Qt::AlignHCenter);
    reticle_panel_ = makePanel(legend_, "ReticlePanel", kReticlePanelWidth, Qt::AlignHCenter);
    time_panel_ = new QWidget(legend_);
    time_panel_->setObjectName(QStringLiteral("TimePanel"));
    time_panel_->setFixedSize(kTimeValueWidth + kTimeUnitWidth, kLegendHeight);
    time_value_ = makePanel(time_panel_, "TimeLabel", kTimeValueWidth, Qt::AlignRight);
    time_unit_ = new QLabel(time_panel_);
    time_unit_->setObjectName(QStringLiteral("TimeUnits"));
    time_unit_->setGeometry(kTimeValueWidth, 0, kTimeUnitWidth, kLegendHeight);
    time_unit_->setAlignment(Qt::AlignCenter);

    controls_ = new QWidget(this);
    controls_->setObjectName(QStringLiteral("ControlsPanel"));
    frame_bar_ = new QSlider(Qt::Horizontal, controls_);
    frame_bar_->setObjectName(QStringLiteral("FrameBar"));
    frame_bar_->setRange(0, 0);
    frame_bar_->setTickPosition(QSlider::TicksBelow);
    connect(frame_bar_, &QSlider::valueChanged, this, &TDisplayForm::FrameBarMoved);
    setFocusPolicy(Qt::StrongFocus);
}

void TDisplayForm::BuildMenu()
{
    popup_menu_ = new QMenu(this);
    popup_menu_->setObjectName(QStringLiteral("DisplayPopupMenu"));
    auto item = [this](const char* name, const QString& caption, ViewOption option) {
        QAction* action = popup_menu_->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, option](bool on) { SetViewOption(option, on); });
        return action;
    };
    size_items_[0] = item("HalfSize", QStringLiteral("&Half Size"), voHalfSize);
    size_items_[1] = item("FullSize", QStringLiteral("&Full Size"), voFullSize);
    size_items_[2] = item("DoubleSize", QStringLiteral("&Double Size"), voDoubleSize);
    size_items_[3] = item("AnySize", QStringLiteral("Any Si&ze"), voAnySize);
    popup_menu_->addSeparator();
    frame_counter_item_ = item("FrameCounter", QStringLiteral("Fra&me Counter"), voFrameCounter);
    time_counter_item_ = item("TimeCounter", QStringLiteral("&Time Counter"), voTimeCounter);
    reticle_item_ = item("ReticlePosition", QStringLiteral("&Reticle Position"), voReticlePosition);
    aspect_item_
        = item("PreserveAspectRatio", QStringLiteral("Preserve &Aspect Ratio"), voPreserveAspectRatio);
    popup_menu_->addSeparator();
    copy_frame_item_ = popup_menu_->addAction(QStringLiteral("Full Resolution Frame"));
    copy_frame_item_->setObjectName(QStringLiteral("CopyFrameItem"));
    copy_frame_item_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    copy_frame_item_->setShortcutContext(Qt::WindowShortcut);
    connect(copy_frame_item_, &QAction::triggered, this, [this] { CopyFrame(); });
    addAction(copy_frame_item_);
}

void TDisplayForm::UpdateMenu()
{
    const ViewOption sizes[4] = { voHalfSize, voFullSize, voDoubleSize, voAnySize };
    for (int i = 0; i < 4; ++i)
        size_items_[i]->setChecked((options_ & sizes[i]) != 0);
    frame_counter_item_->setChecked(options_ & voFrameCounter);
    time_counter_item_->setChecked(options_ & voTimeCounter);
    reticle_item_->setChecked(options_ & voReticlePosition);
    aspect_item_->setChecked(options_ & voPreserveAspectRatio);
    copy_frame_item_->setEnabled(frames_open_);
    paint_box_->setCursor((options_ & voReticlePosition) ? Qt::CrossCursor : Qt::ArrowCursor);
}

void TDisplayForm::SetViewOption(ViewOption item, bool on)
{
    constexpr uint32_t size_bits = voHalfSize | voFullSize | voDoubleSize | voAnySize;
    if (item & size_bits) {
        // The size items act as one choice.
        options_ &= ~size_bits;
        if (on)
            options_ |= item;
    } else if (on) {
        options_ |= item;
    } else {
        options_ &= ~uint32_t(item);
    }
    LayoutWindow();
    UpdateMenu();
}

void TDisplayForm::UpdateLegendVisibility()
{
    frame_panel_->setVisible(options_ & voFrameCounter);
    time_panel_->setVisible(options_ & voTimeCounter);
    reticle_panel_->setVisible(options_ & voReticlePosition);
    legend_->setVisible(options_ & (voFrameCounter | voTimeCounter | voReticlePosition));
    controls_->setVisible(frames_open_ && (options_ & voVideoControls));
}

int TDisplayForm::ExtraHeight() const
{
    return (legend_->isVisibleTo(this) ? kLegendHeight : 0)
        + (controls_->isVisibleTo(this) ? kControlsHeight : 0);
}

int TDisplayForm::LegendWidth() const
{
    int width = 0;
    if (legend_->isVisibleTo(this)) {
        width += frame_panel_->isVisibleTo(this) ? kFramePanelWidth : 0;
        width += reticle_panel_->isVisibleTo(this) ? kReticlePanelWidth : 0;
        width += time_panel_->isVisibleTo(this) ? time_panel_->width() : 0;
    }
    if (controls_->isVisibleTo(this))
        width = std::max(width, kMinimumControlsWidth);
    return width;
}

void TDisplayForm::LayoutWindow()
{
    if (in_layout_ || frame_width_ < 1)
        return;
    in_layout_ = true;
    UpdateLegendVisibility();
    DisplaySizing sizing;
    sizing.frame_width = frame_width_;
    sizing.frame_height = frame_height_;
    sizing.client_width = width();
    sizing.client_height = height();
    sizing.last_width = last_width_;
    sizing.last_height = last_height_;
    sizing.extra_height = ExtraHeight();
    sizing.previous_extra_height = previous_extra_;
    sizing.legend_width = LegendWidth();
    sizing.screen_height = screenHeightOf(*this);
    sizing.options = options_;
    const ClientSize size = ComputeClientSize(sizing);
    previous_extra_ = sizing.extra_height;
    resize(size.width, size.height);
    last_width_ = size.width;
    last_height_ = size.height;
    PlaceChildren(size.width, size.height);

    horizontal_scale_ = float(paint_box_->width()) / float(frame_width_);
    vertical_scale_ = float(paint_box_->height()) / float(frame_height_);
    if (!(options_ & voAnySize)) {
        options_ &= ~uint32_t(voHalfSize | voFullSize | voDoubleSize);
        options_ |= MatchingSizeItem(paint_box_->width(), paint_box_->height(), frame_width_, frame_height_);
    }
    UpdateMenu();
    in_layout_ = false;
}

void TDisplayForm::PlaceChildren(int width, int height)
{
    const int extra = ExtraHeight();
    int y = std::max(0, height - extra);
    paint_box_->setGeometry(0, 0, width, y);
    if (legend_->isVisibleTo(this)) {
        legend_->setGeometry(0, y, width, kLegendHeight);
        const LegendPositions at
            = PlaceLegendPanels(width, frame_panel_->isVisibleTo(this) ? kFramePanelWidth : 0,
                reticle_panel_->isVisibleTo(this) ? kReticlePanelWidth : 0,
                time_panel_->isVisibleTo(this) ? time_panel_->width() : 0);
        frame_panel_->move(at.frame_left, 0);
        reticle_panel_->move(at.reticle_left, 0);
        time_panel_->move(at.time_left, 0);
        y += kLegendHeight;
    }
    if (controls_->isVisibleTo(this)) {
        controls_->setGeometry(0, y, width, kControlsHeight);
        frame_bar_->setGeometry(4, 0, std::max(0, width - 8), kControlsHeight);
    }
}

void TDisplayForm::resizeEvent(QResizeEvent* event)
{
    TChildForm::resizeEvent(event);
    LayoutWindow();
}

void TDisplayForm::contextMenuEvent(QContextMenuEvent* event)
{
    UpdateMenu();
    popup_menu_->exec(event->globalPos());
}

bool TDisplayForm::MoveReticleByKey(QKeyEvent* event)
{
    if (!(options_ & voReticlePosition) || !paint_box_->underMouse())
        return false;
    const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -step;
        break;
    case Qt::Key_Right:
        dx = step;
        break;
    case Qt::Key_Up:
        dy = -step;
        break;
    case Qt::Key_Down:
        dy = step;
        break;
    case Qt::Key_PageUp:
        dx = step;
        dy = -step;
        break;
    case Qt::Key_PageDown:
        dx = step;
        dy = step;
        break;
    case Qt::Key_End:
        dx = -step;
        dy = step;
        break;
    case Qt::Key_Home:
        dx = -step;
        dy = -step;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        setFocus();
        return true;
    default:
        return false;
    }
    QPoint at = paint_box_->mapFromGlobal(QCursor::pos());
    at.setX(std::clamp(at.x() + dx, 0, std::max(0, paint_box_->width() - 1)));
    at.setY(std::clamp(at.y() + dy, 0, std::max(0, paint_box_->height() - 1)));
    QCursor::setPos(paint_box_->mapToGlobal(at));
    ShowReticle(at.x(), at.y());
    return true;
}

void TDisplayForm::keyPressEvent(QKeyEvent* event)
{
    // Over the picture with the reticle on, the keys aim the reticle; elsewhere they step frames.
    if (MoveReticleByKey(event)) {
        event->accept();
        return;
    }
    if (!frames_open_) {
        TChildForm::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        UserSeek(shown_index_ - 1);
        break;
    case Qt::Key_Right:
        UserSeek(shown_index_ + 1);
        break;
    case Qt::Key_Home:
        UserSeek(0);
        break;
    case Qt::Key_End:
        UserSeek(frame_count_ - 1);
        break;
    default:
        TChildForm::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace fw
