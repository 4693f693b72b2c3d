#include "shell/forms/wright_viewer.h"

#include <algorithm>
#include <chrono>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "clips/avi_stream.h"
#include "shell/forms/child_form.h"
#include "shell/forms/cleanup_form.h"
#include "shell/forms/display_form.h"
#include "shell/forms/help_browser.h"
#include "shell/forms/time_bar.h"
#include "shell/window_placement.h"
#include "support/fw_error.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kPreferences = QStringLiteral("Preferences");
const QString kOpen = QStringLiteral("Open");
const QString kPresentation = QStringLiteral("Presentation");
const QString kDatabaseFiles = QStringLiteral("Database Files");
const QString kRecordReadyHint = QStringLiteral("Master Record Ready");
const QString kRecordStopHint = QStringLiteral("Master Stop/Trigger");

// Commands whose features this version does not have yet; they stay visible and disabled.
constexpr const char* kUnavailableCommands[] = {
    "OpenImager1",
    "SaveAs",
    "CompressionOptions",
    "AssignDatabaseFiles",
    "DefaultTitlesItem",
    "DescriptorsItem",
    "QMeasureItem",
    "SGraphItem",
};

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QRect ScreenOf(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QString OpenFilter()
{
    return QStringLiteral("Clips, Image and Signal Files (*.avi *.AVI *.kfs *.KFS *.bay *.BAY *.tif *.TIF "
                          "*.tiff *.TIFF *.txt *.TXT *.asc *.ASC *.prn *.PRN *.csv *.CSV);;"
                          "Video Clips (*.avi *.AVI *.kfs *.KFS);;"
                          "BAY Files (*.bay *.BAY);;TIFF Files (*.tif *.TIF *.tiff *.TIFF);;"
                          "Signal Files (*.txt *.TXT *.asc *.ASC *.prn *.PRN *.csv *.CSV);;"
                          "All Files (*)");
}

} // namespace

// Adapts one child window to the master clock. A link outlives its window for the rest of a
// tick; once the window is gone every call fails, and the clock drops the link.
class TWrightViewer::ChildLink : public MasterChild {
public:
    explicit ChildLink(TChildForm* form)
        : form_(form)
    {
    }

    TChildForm* Form() const { return form_; }
    void Detach() { form_ = nullptr; }

    bool Poll(bool& range_stale, bool& closing) override { return Live()->Poll(range_stale, closing); }
    bool UserMovedTime(float& time_ms) override { return Live()->UserMovedTime(time_ms); }
    void SeekTime(double time_ms) override { Live()->SeekTime(time_ms); }
    float FirstFrameTimeMs() const override { return Live()->FirstFrameTimeMs(); }
    float EndTime() override { return Live()->EndTime(); }
    float FramePeriodMs() const override { return Live()->FramePeriodMs(); }
    int DeviceKind() override { return Live()->DeviceKind(); }
    bool IsTimed() const override { return Live()->IsTimedClipWindow(); }
    bool IsClosing() const override { return Live()->IsClosing(); }

private:
    TChildForm* Live() const
    {
        if (!form_)
            throw Error("The window was closed.");
        return form_;
    }

    TChildForm* form_;
};

TWrightViewer::TWrightViewer(SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("WrightViewer"));
    setWindowTitle(QStringLiteral("Framewright"));
    BuildCommands();
    BuildMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(5, 2, 8, 4);
    layout->setSpacing(2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    tool_panel_ = BuildToolPanel();
    time_panel_ = BuildTimePanel();
    layout->addWidget(tool_panel_, 0, Qt::AlignLeft);
    layout->addWidget(time_panel_, 0, Qt::AlignHCenter);
    time_panel_->hide();
    setCentralWidget(central);
    // The window is as small as its tool bar, and grows by the time panel while clips are open.
    QMainWindow::layout()->setSizeConstraint(QLayout::SetFixedSize);

    clock_.on_child_dropped = [this](MasterChild* child) { ForgetLink(static_cast<ChildLink*>(child)); };
    ReadSettings();

    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
        [this] { ActiveFormChanged(QApplication::activeWindow()); });
    master_timer_.setObjectName(QStringLiteral("MasterTimer"));
    master_timer_.setSingleShot(true);
    connect(&master_timer_, &QTimer::timeout, this, &TWrightViewer::Timer);
    master_timer_.start(clock_.IntervalMs());
    UpdateCommands();
}

TWrightViewer::~TWrightViewer()
{
    destroying_ = true;
    master_timer_.stop();
    qApp->removeEventFilter(this);
    // Children still open when the program ends go with it; they must not call back into a
    // half-destroyed window.
    std::vector<TChildForm*> forms = Children();
    for (auto& link : links_)
        link->Detach();
    links_.clear();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        delete *it;
    delete help_browser_;
}

// ---------------------------------------------------------------------------------------------
// Commands

QAction* TWrightViewer::MakeAction(const char* name, const QString& caption, void (TWrightViewer::*slot)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, slot);
    actions_[QLatin1String(name)] = action;
    return action;
}

void TWrightViewer::BuildCommands()
{
    MakeAction("Open1", QStringLiteral("&Open..."), &TWrightViewer::Open1Click);
    MakeAction("OpenImager1", QStringLiteral("&Attach Imager..."), &TWrightViewer::DisabledCommand);
    MakeAction("CloseItem", QStringLiteral("&Close"), &TWrightViewer::CloseItemClick);
    MakeAction("CloseAllItem", QStringLiteral("C&lose All"), &TWrightViewer::CloseAllItemClick);
    MakeAction("SaveAs", QStringLiteral("&Save As..."), &TWrightViewer::DisabledCommand);
    MakeAction(
        "AssignDatabaseFiles", QStringLiteral("Assign &Database File(s)"), &TWrightViewer::DisabledCommand);
    MakeAction("CompressionOptions", QStringLiteral("&Video Save Options"), &TWrightViewer::DisabledCommand);
    MakeAction("DeleteSourceFiles", QStringLiteral("Delete Source &File(s)..."),
        &TWrightViewer::DeleteSourceFilesClick);
    MakeAction("Exit1", QStringLiteral("E&xit"), &TWrightViewer::Exit1Click);
    MakeAction("CopyFrameItem", QStringLiteral("&Copy Frame"), &TWrightViewer::CopyFrameItemClick)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    MakeAction("DefaultTitlesItem", QStringLiteral("&Default Titles..."), &TWrightViewer::DisabledCommand);
    MakeAction("DescriptorsItem", QStringLiteral("&File Descriptors..."), &TWrightViewer::DisabledCommand);
    MakeAction("QMeasureItem", QStringLiteral("Quick &Measure..."), &TWrightViewer::DisabledCommand);
    MakeAction("SGraphItem", QStringLiteral("Signal &Graphing..."), &TWrightViewer::DisabledCommand);
    QAction* hints = MakeAction("ShowHints", QStringLiteral("&Show Hints"), &TWrightViewer::ShowHintsClick);
    hints->setCheckable(true);
    hints->setChecked(true);
    MakeAction("HelpTopics1", QStringLiteral("&Help Topics"), &TWrightViewer::HelpTopics1Click);
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
        { "Open1", "OpenImager1", "-", "CloseItem", "CloseAllItem", "-", "SaveAs", "CompressionOptions", "-",
            "AssignDatabaseFiles", "DeleteSourceFiles", "-", "Exit1" });
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    add(edit, { "CopyFrameItem", "-", "DefaultTitlesItem", "DescriptorsItem" });
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("Tools1"));
    add(tools, { "QMeasureItem", "SGraphItem" });
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    add(help, { "HelpTopics1", "-", "ShowHints" });
}

QToolButton* TWrightViewer::MakeToolButton(
    QWidget* parent, const char* name, const QString& hint, QAction* action)
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
        connect(shared, &QAction::triggered, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, shared, &QAction::setEnabled);
        button->setDefaultAction(shared);
    }
    button->setToolTip(hint);
    return button;
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

    record_button_ = MakeToolButton(panel, "RecordBtn", kRecordReadyHint, nullptr);
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

QToolButton* TWrightViewer::MakeTransportButton(
    QWidget* parent, const char* name, const QString& hint, int icon, void (TWrightViewer::*slot)())
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    if (icon >= 0)
        button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    connect(button, &QToolButton::clicked, this, slot);
    return button;
}

QWidget* TWrightViewer::BuildTimePanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("TimePanel"));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(MakeTransportButton(panel, "StartSB", QStringLiteral("Jump to Start"),
        QStyle::SP_MediaSkipBackward, &TWrightViewer::StartSBClick));
    row->addWidget(MakeTransportButton(panel, "BackSB", QStringLiteral("Step Backward"),
        QStyle::SP_MediaSeekBackward, &TWrightViewer::BackSBClick));
    row->addWidget(MakeTransportButton(
        panel, "StopSB", QStringLiteral("Stop"), QStyle::SP_MediaStop, &TWrightViewer::StopSBClick));
    QToolButton* zero = MakeTransportButton(
        panel, "TZeroSB", QStringLiteral("Stop at Time Zero"), -1, &TWrightViewer::TZeroSBClick);
    zero->setText(QStringLiteral("0"));
    row->addWidget(zero);
    play_button_ = MakeTransportButton(
        panel, "PlaySB", QStringLiteral("Play"), QStyle::SP_MediaPlay, &TWrightViewer::PlaySBClick);
    play_button_->setCheckable(true);
    row->addWidget(play_button_);
    repeat_button_ = MakeTransportButton(panel, "RepeatSB", QStringLiteral("Repeating Play"),
        QStyle::SP_BrowserReload, &TWrightViewer::RepeatSBClick);
    repeat_button_->setCheckable(true);
    row->addWidget(repeat_button_);
    row->addWidget(MakeTransportButton(panel, "StepSB", QStringLiteral("Step Forward"),
        QStyle::SP_MediaSeekForward, &TWrightViewer::StepSBClick));
    row->addWidget(MakeTransportButton(panel, "EndSB", QStringLiteral("Jump to End"),
        QStyle::SP_MediaSkipForward, &TWrightViewer::EndSBClick));

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

// ---------------------------------------------------------------------------------------------
// Settings

void TWrightViewer::ReadSettings()
{
    show_hints_ = settings_.readBool(kPreferences, QStringLiteral("Show Hints"), true);
    actions_.at(QStringLiteral("ShowHints"))->setChecked(show_hints_);
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/Samples/");
    open_queue_.SetLastDirectory(settings_.readString(kOpen, QStringLiteral("Directory"), samples));
    last_file_name_ = settings_.readString(kOpen, QStringLiteral("Filename"));
    presentation_file_name_ = settings_.readString(kPresentation, QStringLiteral("Filename"));
    for (const QString& name : settings_.valueNames(kDatabaseFiles))
        database_files_[name] = settings_.readString(kDatabaseFiles, name);

    const WindowPlacement current { y(), x(), width(), height(), 0 };
    const WindowPlacement placed = ReadPlacement(settings_, objectName(), current, ScreenOf(*this));
    move(placed.left, placed.top);
}

void TWrightViewer::WriteSettings()
{
    settings_.writeBool(kPreferences, QStringLiteral("Show Hints"), show_hints_);
    settings_.writeString(kOpen, QStringLiteral("Directory"), open_queue_.LastDirectory());
    settings_.writeString(kOpen, QStringLiteral("Filename"), last_file_name_);
    settings_.writeString(kPresentation, QStringLiteral("Filename"), presentation_file_name_);
    // The assignments are carried through unchanged until database files can be edited here.
    settings_.eraseSection(kDatabaseFiles);
    for (const auto& [name, sections] : database_files_)
        settings_.writeString(kDatabaseFiles, name, sections);
    WritePlacement(settings_, objectName(), WindowPlacement { y(), x(), width(), height(), 0 }, false);
    settings_.sync();
}

// ---------------------------------------------------------------------------------------------
// Children

std::vector<TChildForm*> TWrightViewer::Children() const
{
    std::vector<TChildForm*> forms;
    for (const auto& link : links_)
        forms.push_back(link->Form());
    return forms;
}

TWrightViewer::ChildLink* TWrightViewer::LinkOf(const TChildForm* child) const
{
    for (const auto& link : links_) {
        if (link->Form() == child)
            return link.get();
    }
    return nullptr;
}

void TWrightViewer::RegisterChild(TChildForm* child)
{
    if (destroying_ || !child || LinkOf(child))
        return;
    links_.push_back(std::make_unique<ChildLink>(child));
    clock_.AddChild(links_.back().get());
    connect(child, &TChildForm::timeBaseChanged, this, [this] { clock_.MarkRangeStale(); });
    UpdateCommands();
}

void TWrightViewer::UnregisterChild(TChildForm* child)
{
    if (destroying_)
        return;
    if (ChildLink* link = LinkOf(child)) {
        clock_.RemoveChild(link);
        ForgetLink(link);
    }
}

void TWrightViewer::ForgetLink(ChildLink* link)
{
    auto it
        = std::find_if(links_.begin(), links_.end(), [link](const auto& held) { return held.get() == link; });
    if (it == links_.end())
        return;
    if (current_ && current_ == link->Form())
        current_ = nullptr;
    link->Detach();
    retired_.push_back(std::move(*it));
    links_.erase(it);
    clock_.MarkRangeStale();
    UpdateCommands();
}

void TWrightViewer::ActiveFormChanged(QWidget* form)
{
    if (!form || form == this)
        return;
    if (current_)
        current_->SetFlashing(false);
    auto* child = qobject_cast<TChildForm*>(form);
    if (!child)
        return;
    if (TChildForm* owner = child->OwnerChild(); owner && LinkOf(owner))
        child = owner;
    if (!LinkOf(child))
        return;
    current_ = child;
    UpdateCommands();
}

// ---------------------------------------------------------------------------------------------
// Master timer

void TWrightViewer::Timer()
{
    if (busy_ || destroying_)
        return;
    busy_ = true;
    master_timer_.stop();
    retired_.clear();
    if (!open_queue_.Empty()) {
        DispatchOpenQueue();
        clock_.MarkRangeStale();
    }
    const int64_t now = NowMs();
    const MasterClock::TickResult tick = clock_.Tick(now);
    if (tick.range_recomputed || tick.children_dropped)
        AfterRangeChanged();
    if (clock_.HasChildren() && current_ && isActiveWindow() && clock_.FlashDue(now)) {
        current_->SetFlashing(true);
        current_->FlashCaption();
    }
    MirrorClock();
    busy_ = false;
    master_timer_.start(clock_.IntervalMs());
}

void TWrightViewer::AfterRangeChanged()
{
    if (!current_ && !links_.empty()) {
        current_ = links_.back()->Form();
        if (current_->isVisible() && !current_->IsSaving()) {
            current_->raise();
            current_->activateWindow();
        }
    }
    time_panel_->setVisible(clock_.HasTimedChildren());
    UpdateCommands();
}

void TWrightViewer::MirrorClock()
{
    const TimeBarState& bar = clock_.TimeBar();
    {
        const QSignalBlocker block(time_bar_);
        time_bar_->setMaximum(bar.maximum);
        time_bar_->setTickInterval(bar.frequency);
        time_bar_->setValue(bar.position);
        time_bar_->setSelection(bar.sel_start, bar.sel_end);
    }
    play_button_->setChecked(clock_.PlayDown());
    repeat_button_->setChecked(clock_.RepeatDown());
}

void TWrightViewer::UpdateCommands()
{
    if (destroying_)
        return;
    const bool children = !links_.empty();
    actions_.at(QStringLiteral("CloseItem"))->setEnabled(children);
    actions_.at(QStringLiteral("CloseAllItem"))->setEnabled(children);
    actions_.at(QStringLiteral("CopyFrameItem"))->setEnabled(children);
    actions_.at(QStringLiteral("DeleteSourceFiles"))->setEnabled(!cleanup_.Empty());
    for (const char* name : kUnavailableCommands)
        actions_.at(QLatin1String(name))->setEnabled(false);
    time_panel_->setEnabled(children);
    // Kind 1: an imager window whose recorder is idle; kind 2: one armed or recording.
    record_button_->setEnabled(clock_.HasKind(1) || clock_.HasKind(2));
    const bool armed = clock_.HasKind(2);
    if (record_button_->isChecked() != armed) {
        record_button_->setChecked(armed);
        record_button_->setToolTip(armed ? kRecordStopHint : kRecordReadyHint);
    }
}

// ---------------------------------------------------------------------------------------------
// Opening

void TWrightViewer::QueueFile(const QString& file_name)
{
    open_queue_.Append(file_name);
}

void TWrightViewer::QueueFiles(const QStringList& file_names)
{
    open_queue_.Append(file_names);
}

void TWrightViewer::DispatchOpenQueue()
{
    OpenHandlers handlers;
    handlers.open_window = [this](const QString& name, OpenFileType type) { OpenWindow(name, type); };
    handlers.open_signals = [this](const QStringList& names) { OpenSignalFiles(names); };
    handlers.report = [](const QString& message) { showError(message); };
    open_queue_.Dispatch(handlers);
}

void TWrightViewer::OpenWindow(const QString& file_name, OpenFileType type)
{
    switch (type) {
    case OpenFileType::Avi:
        OpenClip(file_name, QStringLiteral("AVI"));
        return;
    case OpenFileType::Kfs:
        OpenClip(file_name, QStringLiteral("Kinetic Frame Sequence"));
        return;
    case OpenFileType::Bay:
        throw Error(file_name
            + QStringLiteral(" is a BAY frame file. This version cannot open BAY frame "
                             "sequences yet."));
    case OpenFileType::Tif:
        throw Error(file_name
            + QStringLiteral(" is a TIFF frame file. This version cannot open TIFF frame "
                             "sequences yet."));
    default:
        throw Error(file_name + QStringLiteral(" is an unrecognized file type."));
    }
}

void TWrightViewer::OpenClip(const QString& file_name, const QString& options_section)
{
    ChildContext context;
    context.register_child = [this](TChildForm* child) { RegisterChild(child); };
    context.unregister_child = [this](TChildForm* child) { UnregisterChild(child); };
    context.settings = &settings_;
    context.main_window = this;
    auto stream = std::make_unique<TAVISTREAM>(options_section);
    const bool placed_before = settings_.valueExists(desktopSection(), QStringLiteral("DisplayForm"));
    auto* form = new TDisplayForm(context, std::move(stream), file_name, QFileInfo(file_name).fileName());
    // A clip window without a stored place opens below the tool bar instead of hiding it.
    if (!placed_before) {
        QRect taken = frameGeometry();
        if (time_panel_->isHidden())
            taken.setBottom(taken.bottom() + time_panel_->sizeHint().height() + 4);
        if (form->frameGeometry().intersects(taken))
            form->move(form->x(), taken.bottom() + 12);
    }
    form->EnableQuickMeasure(true);
    form->EnableSignalGraph(true);
    last_file_name_ = file_name;
    emit fileOpened(file_name);
}

void TWrightViewer::OpenSignalFiles(const QStringList& file_names)
{
    throw Error(QStringLiteral("This version cannot graph signal files yet: ")
        + file_names.join(QStringLiteral(", ")));
}

// ---------------------------------------------------------------------------------------------
// Command handlers

void TWrightViewer::Open1Click()
{
    const QStringList names = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Open"), open_queue_.LastDirectory(), OpenFilter());
    QueueFiles(names);
}

void TWrightViewer::CloseItemClick()
{
    if (TChildForm* child = current_) {
        current_ = nullptr;
        child->close();
    }
    UpdateCommands();
}

void TWrightViewer::CloseAllItemClick()
{
    const std::vector<TChildForm*> forms = Children();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        QPointer<TChildForm> child = *it;
        try {
            child->close();
        } catch (...) {
            if (child)
                UnregisterChild(child);
        }
    }
    UpdateCommands();
}

void TWrightViewer::Exit1Click()
{
    close();
}

void TWrightViewer::CopyFrameItemClick()
{
    if (!current_)
        return;
    try {
        current_->CopyFrame();
    } catch (const Error& error) {
        showError(error.message());
    }
}

void TWrightViewer::DeleteSourceFilesClick()
{
    TCleanupForm form(cleanup_, this);
    form.exec();
    UpdateCommands();
}

void TWrightViewer::AddSourceFile(const QString& path)
{
    cleanup_.Add(path);
    UpdateCommands();
}

void TWrightViewer::RecordBtnClick()
{
    const bool down = record_button_->isChecked();
    if (down
        && askUser(PromptKind::Warning, QString(),
               QStringLiteral("CAUTION: Recordings in ALL Attached Processors will be Erased!\n"
                              "Are you sure you want to Ready all Processors for Recording?"),
               PromptButton::Yes | PromptButton::No)
            != PromptButton::Yes) {
        record_button_->setChecked(false);
        return;
    }
    record_button_->setToolTip(down ? kRecordStopHint : kRecordReadyHint);
    for (TChildForm* child : Children()) {
        try {
            child->MasterRecord(down ? 2 : 1);
        } catch (const Error& error) {
            showError(error.message());
        }
    }
}

void TWrightViewer::ShowHintsClick()
{
    show_hints_ = actions_.at(QStringLiteral("ShowHints"))->isChecked();
}

void TWrightViewer::HelpTopics1Click()
{
    if (!help_browser_)
        help_browser_ = new THelpBrowser();
    try {
        help_browser_->ShowContents();
    } catch (const Error& error) {
        showError(error.message());
    }
}

void TWrightViewer::TimeBarChange(int position)
{
    clock_.TimeBarChanged(position);
    TransportDone();
}

void TWrightViewer::PlaySBClick()
{
    clock_.Play();
    TransportDone();
}

void TWrightViewer::RepeatSBClick()
{
    clock_.RepeatingPlay();
    TransportDone();
}

void TWrightViewer::StopSBClick()
{
    clock_.Stop();
    TransportDone();
}

void TWrightViewer::TZeroSBClick()
{
    clock_.StopAtTimeZero();
    TransportDone();
}

void TWrightViewer::StartSBClick()
{
    clock_.JumpToStart();
    TransportDone();
}

void TWrightViewer::EndSBClick()
{
    clock_.JumpToEnd();
    TransportDone();
}

void TWrightViewer::StepSBClick()
{
    clock_.StepForward();
    TransportDone();
}

void TWrightViewer::BackSBClick()
{
    clock_.StepBackward();
    TransportDone();
}

// The children follow on the next tick; it comes at once so a click shows without delay.
void TWrightViewer::TransportDone()
{
    play_button_->setChecked(clock_.PlayDown());
    repeat_button_->setChecked(clock_.RepeatDown());
    if (!busy_)
        master_timer_.start(0);
}

void TWrightViewer::BringForward()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------------------------
// Events

bool TWrightViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !show_hints_)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TWrightViewer::changeEvent(QEvent* event)
{
    // Minimising the main window minimises the whole program; restoring brings it all back.
    if (event->type() == QEvent::WindowStateChange) {
        const bool minimized = isMinimized();
        for (TChildForm* child : Children()) {
            if (child && child->isVisible())
                child->setWindowState(minimized ? (child->windowState() | Qt::WindowMinimized)
                                                : (child->windowState() & ~Qt::WindowMinimized));
        }
    }
    QMainWindow::changeEvent(event);
}

void TWrightViewer::closeEvent(QCloseEvent* event)
{
    master_timer_.stop();
    WriteSettings();
    const std::vector<TChildForm*> forms = Children();
    bool agreed = true;
    for (auto it = forms.rbegin(); it != forms.rend() && agreed; ++it) {
        try {
            agreed = (*it)->CanClose();
        } catch (...) {
            UnregisterChild(*it);
        }
    }
    if (agreed) {
        // Every child has answered already; each one is freed without asking again.
        for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
            ChildLink* link = LinkOf(*it);
            if (!link)
                continue;
            delete *it;
            // A child that never registered does not unregister either; forget it here.
            if (std::any_of(
                    links_.begin(), links_.end(), [link](const auto& held) { return held.get() == link; })) {
                clock_.RemoveChild(link);
                ForgetLink(link);
            }
            QCoreApplication::processEvents();
        }
    }
    if (!links_.empty()) {
        event->ignore();
        master_timer_.start(clock_.IntervalMs());
        return;
    }
    if (help_browser_)
        help_browser_->close();
    event->accept();
}

} // namespace fw
