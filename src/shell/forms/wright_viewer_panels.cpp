#include "shell/forms/wright_viewer.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolButton>

#include "shell/forms/assign_db_form.h"
#include "shell/forms/child_form.h"
#include "shell/forms/default_titles_form.h"
#include "shell/forms/first_start_note.h"
#include "shell/forms/time_bar.h"

// The main window's commands, tool bar and time panel.

namespace fw {

namespace {

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& hint, QAction* action)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setIconSize(QSize(24, 24));
    if (action) {
        // The button follows its menu item's enabled state; its hint is its own.
        auto* shared = new QAction(action->icon(), hint, button);
        shared->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
        shared->setEnabled(action->isEnabled());
        QObject::connect(shared, &QAction::triggered, action, &QAction::trigger);
        QObject::connect(action, &QAction::enabledChanged, shared, &QAction::setEnabled);
        button->setDefaultAction(shared);
    }
    button->setToolTip(hint);
    return button;
}

} // namespace

template <typename Dialog> void TWrightViewer::EditDatabaseLists()
{
    Dialog dialog(this);
    dialog.Edit(databases_);
}

QAction* TWrightViewer::MakeAction(const char* name, const QString& caption, std::function<void()> handler)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    // Commands of features still to come have no handler; they stay disabled.
    if (handler)
        connect(action, &QAction::triggered, this, std::move(handler));
    actions_[QLatin1String(name)] = action;
    return action;
}

void TWrightViewer::BuildCommands()
{
    auto own = [this](void (TWrightViewer::*slot)()) { return [this, slot] { (this->*slot)(); }; };
    auto current
        = [this](void (TChildForm::*command)()) { return [this, command] { CurrentChildCommand(command); }; };
    MakeAction("Open1", QStringLiteral("&Open..."), own(&TWrightViewer::Open1Click));
    MakeAction("OpenSamplesItem", QStringLiteral("Open Sa&mple Clips..."),
        own(&TWrightViewer::OpenSamplesItemClick));
    MakeAction("OpenImager1", QStringLiteral("&Attach Imager..."), own(&TWrightViewer::OpenImager1Click));
    MakeAction("CloseItem", QStringLiteral("&Close"), own(&TWrightViewer::CloseItemClick));
    MakeAction("CloseAllItem", QStringLiteral("C&lose All"), own(&TWrightViewer::CloseAllItemClick));
    MakeAction("SaveAs", QStringLiteral("&Save As..."), own(&TWrightViewer::SaveAsClick));
    MakeAction("AssignDatabaseFiles", QStringLiteral("Assign &Database File(s)"),
        own(&TWrightViewer::EditDatabaseLists<TAssignDBForm>));
    MakeAction(
        "CompressionOptions", QStringLiteral("&Video Save Options"), current(&TChildForm::ChooseCompression));
    MakeAction("DeleteSourceFiles", QStringLiteral("Delete Source &File(s)..."),
        own(&TWrightViewer::DeleteSourceFilesClick));
    MakeAction("Exit1", QStringLiteral("E&xit"), [this] { close(); });
    MakeAction("CopyFrameItem", QStringLiteral("&Copy Frame"), current(&TChildForm::CopyFrame))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    MakeAction("DefaultTitlesItem", QStringLiteral("&Default Titles..."),
        own(&TWrightViewer::EditDatabaseLists<TDefaultTitlesForm>));
    MakeAction(
        "DescriptorsItem", QStringLiteral("&File Descriptors..."), current(&TChildForm::EditDescriptors));
    MakeAction("QMeasureItem", QStringLiteral("Quick &Measure..."), current(&TChildForm::OpenQuickMeasure));
    MakeAction("SGraphItem", QStringLiteral("Signal &Graphing..."), own(&TWrightViewer::SGraphItemClick));
    QAction* demo = MakeAction("DemoDevicesItem", QStringLiteral("&Demo Devices"), nullptr);
    demo->setCheckable(true);
    connect(demo, &QAction::triggered, this, [this, demo] { ToggleDemoDevices(*demo, demo_devices_); });
    QAction* hints = MakeAction("ShowHints", QStringLiteral("&Show Hints"), nullptr);
    connect(hints, &QAction::triggered, this, [this](bool checked) { show_hints_ = checked; });
    hints->setCheckable(true);
    hints->setChecked(true);
    MakeAction("HelpTopics1", QStringLiteral("&Help Topics"), own(&TWrightViewer::HelpTopics1Click));
}

void TWrightViewer::BuildMenus()
{
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (*name == '-')
                menu->addSeparator();
            else
                menu->addAction(actions_.at(QLatin1String(name)));
        }
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    add(file,
        { "Open1", "OpenSamplesItem", "OpenImager1", "-", "CloseItem", "CloseAllItem", "-", "SaveAs",
            "CompressionOptions", "-", "AssignDatabaseFiles", "DeleteSourceFiles", "-", "Exit1" });
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    add(edit, { "CopyFrameItem", "-", "DefaultTitlesItem", "DescriptorsItem" });
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("Tools1"));
    add(tools, { "QMeasureItem", "SGraphItem", "-", "DemoDevicesItem" });
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    add(help, { "HelpTopics1", "-", "ShowHints" });
}

void TWrightViewer::BuildFirstStartNote()
{
    first_start_note_ = new TFirstStartNote(this);
    first_start_note_->hide();
    connect(first_start_note_, &TFirstStartNote::openSamplesRequested, this,
        &TWrightViewer::OpenSamplesItemClick);
    connect(first_start_note_, &TFirstStartNote::manualRequested, this, &TWrightViewer::HelpTopics1Click);
    connect(first_start_note_, &TFirstStartNote::turnedOff, this, [this] {
        show_first_start_note_ = false;
        UpdateFirstStartNote();
    });
}

// The note shows from the first tick, when no file came with the start, until something is
// opened; it does not come back in that session, so that the main window keeps its size while
// windows are placed around it.
void TWrightViewer::UpdateFirstStartNote()
{
    if (!links_.empty() || !open_queue_.Empty())
        something_opened_ = true;
    first_start_note_->setVisible(show_first_start_note_ && ticked_ && !something_opened_);
}

QWidget* TWrightViewer::BuildToolPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("ToolBarPanel"));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto icon = [this](QStyle::StandardPixmap pixmap) { return style()->standardIcon(pixmap); };
    actions_.at(QStringLiteral("Open1"))->setIcon(icon(QStyle::SP_DialogOpenButton));
    actions_.at(QStringLiteral("OpenImager1"))->setIcon(icon(QStyle::SP_DriveNetIcon));
    actions_.at(QStringLiteral("SaveAs"))->setIcon(icon(QStyle::SP_DialogSaveButton));
    actions_.at(QStringLiteral("CompressionOptions"))->setIcon(icon(QStyle::SP_FileDialogContentsView));
    actions_.at(QStringLiteral("DeleteSourceFiles"))->setIcon(icon(QStyle::SP_TrashIcon));
    actions_.at(QStringLiteral("DescriptorsItem"))->setIcon(icon(QStyle::SP_FileDialogDetailedView));
    actions_.at(QStringLiteral("QMeasureItem"))->setIcon(icon(QStyle::SP_ArrowUp));
    actions_.at(QStringLiteral("SGraphItem"))->setIcon(icon(QStyle::SP_FileDialogInfoView));

    row->addWidget(
        MakeToolButton(panel, "OpenBtn", QStringLiteral("Open"), actions_.at(QStringLiteral("Open1"))));
    row->addWidget(MakeToolButton(
        panel, "AttachBtn", QStringLiteral("Attach Imager"), actions_.at(QStringLiteral("OpenImager1"))));
    row->addWidget(MakeToolButton(
        panel, "SaveBtn", QStringLiteral("Save Video Clip As"), actions_.at(QStringLiteral("SaveAs"))));
    row->addWidget(MakeToolButton(panel, "CompressionOptionsBtn", QStringLiteral("Compression Options"),
        actions_.at(QStringLiteral("CompressionOptions"))));
    row->addWidget(MakeToolButton(panel, "CleanupBtn", QStringLiteral("Delete Frame Files"),
        actions_.at(QStringLiteral("DeleteSourceFiles"))));
    row->addWidget(MakeToolButton(panel, "DescriptorsBtn", QStringLiteral("Descriptors"),
        actions_.at(QStringLiteral("DescriptorsItem"))));
    row->addWidget(MakeToolButton(panel, "QMeasureBtn", QStringLiteral("Quick Measurements"),
        actions_.at(QStringLiteral("QMeasureItem"))));
    row->addWidget(MakeToolButton(
        panel, "SGraphBtn", QStringLiteral("Signal Graphing"), actions_.at(QStringLiteral("SGraphItem"))));

    record_button_ = MakeToolButton(panel, "RecordBtn", QStringLiteral("Master Record Ready"), nullptr);
    record_button_->setCheckable(true);
    record_button_->setIcon(icon(QStyle::SP_DialogYesButton));
    connect(record_button_, &QToolButton::clicked, this, &TWrightViewer::RecordBtnClick);
    row->addWidget(record_button_);

    QToolButton* presentation
        = MakeToolButton(panel, "PresentationBtn", QStringLiteral("Presentation Playback"), nullptr);
    presentation->setEnabled(false);
    presentation->setVisible(false);
    row->addWidget(presentation);
    row->addStretch(1);
    return panel;
}

QWidget* TWrightViewer::BuildTimePanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("TimePanel"));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    auto transport = [this, panel, row](
                         const char* name, const QString& hint, int icon, void (MasterClock::*command)()) {
        auto* button = new QToolButton(panel);
        button->setObjectName(QLatin1String(name));
        button->setToolTip(hint);
        button->setAutoRaise(true);
        if (icon >= 0)
            button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
        connect(button, &QToolButton::clicked, this, [this, command] { Transport(command); });
        row->addWidget(button);
        return button;
    };
    transport(
        "StartSB", QStringLiteral("Jump to Start"), QStyle::SP_MediaSkipBackward, &MasterClock::JumpToStart);
    transport(
        "BackSB", QStringLiteral("Step Backward"), QStyle::SP_MediaSeekBackward, &MasterClock::StepBackward);
    transport("StopSB", QStringLiteral("Stop"), QStyle::SP_MediaStop, &MasterClock::Stop);
    transport("TZeroSB", QStringLiteral("Stop at Time Zero"), -1, &MasterClock::StopAtTimeZero)
        ->setText(QStringLiteral("0"));
    play_button_ = transport("PlaySB", QStringLiteral("Play"), QStyle::SP_MediaPlay, &MasterClock::Play);
    play_button_->setCheckable(true);
    repeat_button_ = transport(
        "RepeatSB", QStringLiteral("Repeating Play"), QStyle::SP_BrowserReload, &MasterClock::RepeatingPlay);
    repeat_button_->setCheckable(true);
    transport(
        "StepSB", QStringLiteral("Step Forward"), QStyle::SP_MediaSeekForward, &MasterClock::StepForward);
    transport("EndSB", QStringLiteral("Jump to End"), QStyle::SP_MediaSkipForward, &MasterClock::JumpToEnd);

    time_bar_ = new TimeBarSlider(panel);
    time_bar_->setObjectName(QStringLiteral("TimeBar"));
    time_bar_->setToolTip(QStringLiteral("Master Time"));
    time_bar_->setMinimumWidth(220);
    connect(time_bar_, &QSlider::valueChanged, this, &TWrightViewer::TimeBarChange);
    row->addWidget(time_bar_, 1);

    time_menu_ = new QMenu(panel);
    time_menu_->setObjectName(QStringLiteral("TimeControlsPM"));
    QMenu* speed = time_menu_->addMenu(QStringLiteral("&Playback Speed"));
    speed->setObjectName(QStringLiteral("PlaybackSpeed"));
    speed_group_ = new QActionGroup(speed);
    for (int i = 0; i < int(std::size(kPlaySpeeds)); ++i) {
        QAction* item = speed->addAction(QLatin1String(kPlaySpeeds[i].caption));
        item->setObjectName(QStringLiteral("Speed%1").arg(i));
        item->setCheckable(true);
        item->setChecked(i == kDefaultPlaySpeed);
        speed_group_->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { clock_.SetSpeed(i); });
    }
    auto loop_item = [this](const char* name, const QString& caption, void (MasterClock::*op)()) {
        QAction* item = time_menu_->addAction(caption);
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, this, [this, op] {
            (clock_.*op)();
            MirrorClock();
        });
    };
    loop_item("SetLoopStart", QStringLiteral("Set Play Loop &Start"), &MasterClock::SetLoopStart);
    loop_item("SetLoopEnd", QStringLiteral("Set Play Loop &End"), &MasterClock::SetLoopEnd);
    loop_item("SetFullLoop", QStringLiteral("Set F&ull Play Loop"), &MasterClock::SetFullLoop);
    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(panel, &QWidget::customContextMenuRequested, this,
        [this, panel](const QPoint& at) { time_menu_->popup(panel->mapToGlobal(at)); });
    return panel;
}

} // namespace fw
