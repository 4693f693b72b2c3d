#include "shell/forms/display_form.h"

#include "shell/forms/child_windows.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#include "shell/forms/child_windows.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form_metrics.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/media_player.h"
#include "shell/forms/save_panel.h"
#include "shell/forms/time_bar.h"

namespace fw {

using namespace display_metrics;

namespace {

struct SpeedItem {
    const char* caption;
    int speed;
};
constexpr SpeedItem kSpeedItems[] = { { "1/8", 125 }, { "1/4", 250 }, { "1/2", 500 }, { "x1", 1000 },
    { "x2", 2000 }, { "x4", 4000 }, { "x8", 8000 } };

// The buttons a clip window shows: the play-type ones, no pause, record, eject or rate buttons.
constexpr uint32_t kShownPlayerButtons = (1u << int(TMPBtnType::btRepeat)) | (1u << int(TMPBtnType::btPlay))
    | (1u << int(TMPBtnType::btStop)) | (1u << int(TMPBtnType::btNext)) | (1u << int(TMPBtnType::btPrev))
    | (1u << int(TMPBtnType::btStep)) | (1u << int(TMPBtnType::btBack));

QLabel* makePanel(QWidget* parent, const char* name, int width, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFixedSize(width, kLegendHeight);
    return label;
}

} // namespace

void TDisplayForm::BuildWidgets()
{
    paint_box_ = new FrameView(this);
    paint_box_->setBackground(crop_color_);
    connect(paint_box_, &FrameView::mouseMovedOver, this, [this](int x, int y) { ShowReticle(x, y); });
    connect(paint_box_, &FrameView::clicked, this, [this](int x, int y) { PictureClickedAt(QPoint(x, y)); });
    connect(paint_box_, &FrameView::doubleClicked, this, [this] {
        if (hooks_.color_transform)
            hooks_.color_transform();
    });
    connect(paint_box_, &FrameView::painted, this, [this] { emit framePainted(shown_index_); });
    cropper_ = new TCropShape(paint_box_);
    cropper_->SetColor(crop_color_);
    cropper_->hide();

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
    frame_bar_ = new TimeBarSlider(controls_);
    frame_bar_->setObjectName(QStringLiteral("FrameBar"));
    frame_bar_->setRange(0, 0);
    connect(frame_bar_, &QSlider::valueChanged, this, &TDisplayForm::FrameBarMoved);
    player_ = new TFWMediaPlayer(controls_);
    player_->setObjectName(QStringLiteral("MediaPlayer"));
    player_->SetVisibleButtons(kShownPlayerButtons);
    connect(player_, &TFWMediaPlayer::positionChanged, this, &TDisplayForm::PlayerPositionChanged);
    connect(player_, &TFWMediaPlayer::postClicked, this, &TDisplayForm::PlayerButtonPressed);
    connect(player_, &TFWMediaPlayer::notified, this, [this](NotifyResult result) {
        if (hooks_.player_notified)
            hooks_.player_notified(result);
    });

    save_panel_ = new SavePanel(this);
    save_panel_->hide();
    connect(save_panel_, &SavePanel::cancelClicked, this, [this] { RequestSaveCancel(); });
    setFocusPolicy(Qt::StrongFocus);
    UpdateHint();
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
    video_controls_item_ = item("VideoControls", QStringLiteral("&Video Controls"), voVideoControls);
    aspect_item_
        = item("PreserveAspectRatio", QStringLiteral("Preserve &Aspect Ratio"), voPreserveAspectRatio);
    BuildPlaybackItems();
    BuildCopyItems();
    popup_menu_->addSeparator();
    QAction* crop_colour = popup_menu_->addAction(QStringLiteral("Crop/Trigger Tool Color..."));
    crop_colour->setObjectName(QStringLiteral("CropColorItem"));
    connect(crop_colour, &QAction::triggered, this, [this] { ChooseCropColor(); });
    color_transform_item_ = popup_menu_->addAction(QStringLiteral("Color &Transform..."));
    color_transform_item_->setObjectName(QStringLiteral("ColorTransformItem"));
    connect(color_transform_item_, &QAction::triggered, this, [this] {
        if (hooks_.color_transform)
            hooks_.color_transform();
    });
    popup_menu_->addSeparator();
    quick_measure_item_ = popup_menu_->addAction(QStringLiteral("&Quick Measure..."));
    quick_measure_item_->setObjectName(QStringLiteral("QuickMeasureItem"));
    connect(quick_measure_item_, &QAction::triggered, this, [this] { OpenQuickMeasure(); });
    signal_graph_item_ = popup_menu_->addAction(QStringLiteral("&Signal Graph..."));
    signal_graph_item_->setObjectName(QStringLiteral("SignalGraphItem"));
    connect(signal_graph_item_, &QAction::triggered, this, [this] { OpenSignalGraph(); });
}

void TDisplayForm::BuildPlaybackItems()
{
    popup_menu_->addSeparator();
    speed_menu_ = popup_menu_->addMenu(QStringLiteral("&Playback Speed"));
    speed_menu_->setObjectName(QStringLiteral("PlaybackSpeed"));
    auto* speeds = new QActionGroup(speed_menu_);
    for (const SpeedItem& entry : kSpeedItems) {
        QAction* action = speed_menu_->addAction(QLatin1String(entry.caption));
        action->setCheckable(true);
        action->setData(entry.speed);
        speeds->addAction(action);
        const int speed = entry.speed;
        connect(action, &QAction::triggered, this, [this, speed] { SetPlaybackSpeed(speed); });
    }
    const char* names[3] = { "SetPlayLoopStart", "SetPlayLoopEnd", "SetFullPlayLoop" };
    const char* captions[3] = { "Set Play Loop &Start", "Set Play Loop &End", "Set F&ull Play Loop" };
    void (TDisplayForm::*commands[3])()
        = { &TDisplayForm::SetPlayLoopStart, &TDisplayForm::SetPlayLoopEnd, &TDisplayForm::SetFullPlayLoop };
    for (int i = 0; i < 3; ++i) {
        loop_items_[i] = popup_menu_->addAction(QLatin1String(captions[i]));
        loop_items_[i]->setObjectName(QLatin1String(names[i]));
        connect(loop_items_[i], &QAction::triggered, this, commands[i]);
    }
}

void TDisplayForm::BuildCopyItems()
{
    popup_menu_->addSeparator();
    QMenu* copy = popup_menu_->addMenu(QStringLiteral("&Copy to Clipboard"));
    copy->setObjectName(QStringLiteral("CopyMenu"));
    copy_frame_item_ = copy->addAction(QStringLiteral("Full Resolution Frame"));
    copy_frame_item_->setObjectName(QStringLiteral("CopyFrameItem"));
    copy_frame_item_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    copy_frame_item_->setShortcutContext(Qt::WindowShortcut);
    connect(copy_frame_item_, &QAction::triggered, this, [this] { CopyFrame(); });
    addAction(copy_frame_item_);
    copy_border_item_ = copy->addAction(QStringLiteral("Image and Data Border"));
    copy_border_item_->setObjectName(QStringLiteral("CopyBorderItem"));
    copy_border_item_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copy_border_item_->setShortcutContext(Qt::WindowShortcut);
    connect(copy_border_item_, &QAction::triggered, this, [this] { CopyImageAndDataBorder(); });
    addAction(copy_border_item_);
}

void TDisplayForm::UpdateMenu()
{
    const ViewOption sizes[4] = { voHalfSize, voFullSize, voDoubleSize, voAnySize };
    for (int i = 0; i < 4; ++i)
        size_items_[i]->setChecked((options_ & sizes[i]) != 0);
    frame_counter_item_->setChecked(options_ & voFrameCounter);
    time_counter_item_->setChecked(options_ & voTimeCounter);
    reticle_item_->setChecked(options_ & voReticlePosition);
    video_controls_item_->setChecked(options_ & voVideoControls);
    video_controls_item_->setVisible(player_open_);
    aspect_item_->setChecked(options_ & voPreserveAspectRatio);
    const bool playback = player_open_ && (options_ & voVideoControls);
    speed_menu_->menuAction()->setVisible(playback);
    for (QAction* action : speed_menu_->actions())
        action->setChecked(action->data().toInt() == PlaybackSpeed());
    for (QAction* action : loop_items_)
        action->setVisible(playback);
    copy_frame_item_->setEnabled(frames_open_ && !IsSaving());
    copy_border_item_->setEnabled(frame_width_ > 0 && !IsSaving());
    color_transform_item_->setEnabled(bool(hooks_.color_transform));
    // Measuring and graphing are offered only where they can run.
    quick_measure_item_->setEnabled(QuickMeasureAllowed() && MeasurementFactory());
    if (MeasurementShown()) {
        options_ |= voReticlePosition;
        reticle_item_->setChecked(true);
    }
    reticle_item_->setEnabled(!MeasurementShown());
    signal_graph_item_->setEnabled(SignalGraphAllowed() && SignalGraphAvailable());
    paint_box_->setCursor((options_ & voReticlePosition) ? Qt::CrossCursor : Qt::ArrowCursor);
}

void TDisplayForm::UpdateHint()
{
    paint_box_->setToolTip(hooks_.color_transform
            ? QStringLiteral("Right-Click for Settings, Double-Click for Color Transform")
            : QStringLiteral("Right-Click for Settings"));
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

void TDisplayForm::SetPlaybackSpeed(int speed)
{
    speed = std::clamp(speed, PlayerState::kMinPlayRate, PlayerState::kMaxPlayRate);
    options_ = (options_ & 0xFFFFu) | (uint32_t(speed) << 16);
    if (player_open_)
        player_->SetPlayRate(speed);
    UpdateMenu();
}

void TDisplayForm::SetPlayLoopStart()
{
    frame_bar_->setSelection(frame_bar_->value(), frame_bar_->selectionEnd());
    if (player_open_ && frame_bar_->selectionStart() < frame_bar_->selectionEnd())
        player_->SetLoopStart(frame_bar_->selectionStart());
}

void TDisplayForm::SetPlayLoopEnd()
{
    frame_bar_->setSelection(frame_bar_->selectionStart(), frame_bar_->value());
    if (player_open_ && frame_bar_->selectionStart() < frame_bar_->selectionEnd())
        player_->SetLoopEnd(frame_bar_->selectionEnd());
}

void TDisplayForm::SetFullPlayLoop()
{
    frame_bar_->setSelection(0, 0);
    if (!player_open_)
        return;
    player_->SetLoopStart(0);
    player_->SetLoopEnd(frame_count_ - 1);
}

void TDisplayForm::SetCropColor(const QColor& color)
{
    if (!color.isValid())
        return;
    crop_color_ = color;
    cropper_->SetColor(color);
    paint_box_->setBackground(color);
}

void TDisplayForm::ChooseCropColor()
{
    const QColor chosen
        = QColorDialog::getColor(crop_color_, this, QStringLiteral("Crop/Trigger Tool Color"));
    SetCropColor(chosen);
}

QRect TDisplayForm::PictureRect() const
{
    return paint_box_->geometry();
}

QImage TDisplayForm::ImageAndDataBorder(const QPoint& picture_point)
{
    const int bottom
        = legend_->isVisibleTo(this) ? legend_->geometry().bottom() : paint_box_->geometry().bottom();
    QImage image = grab(QRect(0, 0, width(), bottom + 1)).toImage();
    if ((options_ & voReticlePosition) && paint_box_->rect().contains(picture_point)) {
        const QPoint at = paint_box_->mapTo(this, picture_point) * image.devicePixelRatio();
        QPainter painter(&image);
        painter.setPen(QPen(crop_color_, 1));
        const int arm = std::max(6, std::min(paint_box_->width(), paint_box_->height()) / 20);
        painter.drawLine(at.x() - arm, at.y(), at.x() + arm, at.y());
        painter.drawLine(at.x(), at.y() - arm, at.x(), at.y() + arm);
    }
    return image;
}

void TDisplayForm::CopyImageAndDataBorder()
{
    if (frame_width_ < 1 || IsSaving())
        return;
    // From the menu the point is where it was opened; from the keyboard, where the mouse is.
    QPoint at = menu_point_;
    if (!paint_box_->rect().contains(at)) {
        at = paint_box_->mapFromGlobal(QCursor::pos());
    } else {
        QCursor::setPos(paint_box_->mapToGlobal(at));
        ShowReticle(at.x(), at.y());
    }
    menu_point_ = QPoint(-1, -1);
    QApplication::clipboard()->setImage(ImageAndDataBorder(at));
}

void TDisplayForm::contextMenuEvent(QContextMenuEvent* event)
{
    if (IsSaving())
        return;
    UpdateMenu();
    menu_point_ = paint_box_->mapFromGlobal(event->globalPos());
    popup_menu_->exec(event->globalPos());
    menu_point_ = QPoint(-1, -1);
}

} // namespace fw
