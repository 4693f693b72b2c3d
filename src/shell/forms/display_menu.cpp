#include "shell/forms/display_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>

#include "shell/forms/display_controls.h"
#include "shell/forms/display_form.h"

namespace fw {

namespace {

struct SpeedItem {
    const char* caption;
    int speed;
};
constexpr SpeedItem kSpeedItems[] = { { "1/8", 125 }, { "1/4", 250 }, { "1/2", 500 }, { "x1", 1000 },
    { "x2", 2000 }, { "x4", 4000 }, { "x8", 8000 } };

} // namespace

DisplayMenu::DisplayMenu(TDisplayForm& display)
    : QMenu(&display)
    , display_(display)
{
    setObjectName(QStringLiteral("DisplayPopupMenu"));
    size_items_[0] = AddViewItem("HalfSize", QStringLiteral("&Half Size"), voHalfSize);
    size_items_[1] = AddViewItem("FullSize", QStringLiteral("&Full Size"), voFullSize);
    size_items_[2] = AddViewItem("DoubleSize", QStringLiteral("&Double Size"), voDoubleSize);
    size_items_[3] = AddViewItem("AnySize", QStringLiteral("Any Si&ze"), voAnySize);
    addSeparator();
    frame_counter_item_ = AddViewItem("FrameCounter", QStringLiteral("Fra&me Counter"), voFrameCounter);
    time_counter_item_ = AddViewItem("TimeCounter", QStringLiteral("&Time Counter"), voTimeCounter);
    reticle_item_ = AddViewItem("ReticlePosition", QStringLiteral("&Reticle Position"), voReticlePosition);
    video_controls_item_ = AddViewItem("VideoControls", QStringLiteral("&Video Controls"), voVideoControls);
    aspect_item_
        = AddViewItem("PreserveAspectRatio", QStringLiteral("Preserve &Aspect Ratio"), voPreserveAspectRatio);
    AddPlaybackItems();
    AddCopyItems();
    AddToolItems();
}

QAction* DisplayMenu::AddViewItem(const char* name, const QString& caption, ViewOption option)
{
    QAction* action = addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    connect(
        action, &QAction::triggered, this, [this, option](bool on) { display_.SetViewOption(option, on); });
    return action;
}

void DisplayMenu::AddPlaybackItems()
{
    addSeparator();
    speed_menu_ = addMenu(QStringLiteral("&Playback Speed"));
    speed_menu_->setObjectName(QStringLiteral("PlaybackSpeed"));
    auto* speeds = new QActionGroup(speed_menu_);
    for (const SpeedItem& entry : kSpeedItems) {
        QAction* action = speed_menu_->addAction(QLatin1String(entry.caption));
        action->setCheckable(true);
        action->setData(entry.speed);
        speeds->addAction(action);
        const int speed = entry.speed;
        connect(action, &QAction::triggered, this, [this, speed] { display_.SetPlaybackSpeed(speed); });
    }
    const char* names[3] = { "SetPlayLoopStart", "SetPlayLoopEnd", "SetFullPlayLoop" };
    const char* captions[3] = { "Set Play Loop &Start", "Set Play Loop &End", "Set F&ull Play Loop" };
    void (DisplayControls::*commands[3])() = { &DisplayControls::SetPlayLoopStart,
        &DisplayControls::SetPlayLoopEnd, &DisplayControls::SetFullPlayLoop };
    for (int i = 0; i < 3; ++i) {
        loop_items_[i] = addAction(QLatin1String(captions[i]));
        loop_items_[i]->setObjectName(QLatin1String(names[i]));
        connect(loop_items_[i], &QAction::triggered, display_.Controls(), commands[i]);
    }
}

void DisplayMenu::AddCopyItems()
{
    addSeparator();
    QMenu* copy = addMenu(QStringLiteral("&Copy to Clipboard"));
    copy->setObjectName(QStringLiteral("CopyMenu"));
    // The copy shortcuts work anywhere in the window, not only while the menu is open.
    auto item = [this, copy](const char* name, const QString& caption, Qt::Key key, auto command) {
        QAction* action = copy->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(QKeySequence(Qt::CTRL | key));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, command);
        display_.addAction(action);
        return action;
    };
    copy_frame_item_ = item("CopyFrameItem", QStringLiteral("Full Resolution Frame"), Qt::Key_F,
        [this] { display_.CopyFrame(); });
    copy_border_item_ = item("CopyBorderItem", QStringLiteral("Image and Data Border"), Qt::Key_C,
        [this] { display_.CopyImageAndDataBorder(); });
}

void DisplayMenu::AddToolItems()
{
    addSeparator();
    QAction* crop_colour = addAction(QStringLiteral("Crop/Trigger Tool Color..."));
    crop_colour->setObjectName(QStringLiteral("CropColorItem"));
    connect(crop_colour, &QAction::triggered, this, [this] { ChooseCropColor(); });
    color_transform_item_ = addAction(QStringLiteral("Color &Transform..."));
    color_transform_item_->setObjectName(QStringLiteral("ColorTransformItem"));
    connect(color_transform_item_, &QAction::triggered, this, &DisplayMenu::colorTransformChosen);
    addSeparator();
    quick_measure_item_ = addAction(QStringLiteral("&Quick Measure..."));
    quick_measure_item_->setObjectName(QStringLiteral("QuickMeasureItem"));
    connect(quick_measure_item_, &QAction::triggered, this, [this] { display_.OpenQuickMeasure(); });
    signal_graph_item_ = addAction(QStringLiteral("&Signal Graph..."));
    signal_graph_item_->setObjectName(QStringLiteral("SignalGraphItem"));
    connect(signal_graph_item_, &QAction::triggered, this, [this] { display_.OpenSignalGraph(); });
}

void DisplayMenu::Update(const DisplayMenuState& state)
{
    const uint32_t options = state.options;
    const ViewOption sizes[4] = { voHalfSize, voFullSize, voDoubleSize, voAnySize };
    for (int i = 0; i < 4; ++i)
        size_items_[i]->setChecked((options & sizes[i]) != 0);
    frame_counter_item_->setChecked(options & voFrameCounter);
    time_counter_item_->setChecked(options & voTimeCounter);
    reticle_item_->setChecked(options & voReticlePosition);
    reticle_item_->setEnabled(!state.measuring);
    video_controls_item_->setChecked(options & voVideoControls);
    video_controls_item_->setVisible(state.player_open);
    aspect_item_->setChecked(options & voPreserveAspectRatio);
    const bool playback = state.player_open && (options & voVideoControls);
    speed_menu_->menuAction()->setVisible(playback);
    for (QAction* action : speed_menu_->actions())
        action->setChecked(action->data().toInt() == int(options >> 16));
    for (QAction* action : loop_items_)
        action->setVisible(playback);
    copy_frame_item_->setEnabled(state.can_copy_frame);
    copy_border_item_->setEnabled(state.can_copy_border);
    color_transform_item_->setEnabled(state.color_transform);
    quick_measure_item_->setEnabled(state.quick_measure);
    signal_graph_item_->setEnabled(state.signal_graph);
}

void DisplayMenu::Popup(QPoint global_point, QPoint picture_point)
{
    opened_at_ = picture_point;
    exec(global_point);
    opened_at_ = QPoint(-1, -1);
}

void DisplayMenu::ChooseCropColor()
{
    const QColor chosen
        = QColorDialog::getColor(display_.CropColor(), &display_, QStringLiteral("Crop/Trigger Tool Color"));
    display_.SetCropColor(chosen);
}

} // namespace fw
