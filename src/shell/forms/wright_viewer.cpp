#include "shell/forms/wright_viewer.h"

#include <algorithm>
#include <chrono>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "clips/avi_stream.h"
#include "clips/forms/compression_dialog.h"
#include "shell/data_folders.h"
#include "shell/forms/child_form.h"
#include "shell/forms/child_windows.h"
#include "shell/forms/cleanup_form.h"
#include "shell/forms/display_form.h"
#include "shell/forms/first_start_note.h"
#include "shell/forms/help_browser.h"
#include "shell/forms/measurement_link.h"
#include "shell/forms/new_window_place.h"
#include "shell/forms/time_bar.h"
#include "shell/forms/titles_form.h"
#include "shell/main_commands.h"
#include "shell/window_placement.h"
#include "shell/window_spot.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kPreferences = QStringLiteral("Preferences");
const QString kShowFirstStartNote = QStringLiteral("Show First Start Note");
const QString kOpen = QStringLiteral("Open");
const QString kPresentation = QStringLiteral("Presentation");
const QString kRecordReadyHint = QStringLiteral("Master Record Ready");
const QString kRecordStopHint = QStringLiteral("Master Stop/Trigger");

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

// What the commands know of the current child.
MainCommandFacts CurrentChildFacts(const TChildForm* current)
{
    MainCommandFacts facts;
    if (!current)
        return facts;
    facts.current = true;
    facts.current_saving = current->IsSaving();
    facts.current_timed_clip = current->IsTimedClipWindow();
    facts.quick_measure_allowed = current->QuickMeasureAllowed();
    facts.signal_graph_allowed = current->SignalGraphAllowed();
    return facts;
}

// The program goes on without a child that failed; the log keeps which one and why.
void LogDroppedChild(const QWidget* form, const char* during, const QString& reason)
{
    qCWarning(lcShell).noquote() << "Child window" << (form ? form->windowTitle() : QStringLiteral("(gone)"))
                                 << "removed after a failure" << during << "-" << reason;
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
    // Clip streams ask for compression options through this dialog.
    SetCompressionChooser(&TCompressionDialog::Choose);
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
    BuildFirstStartNote();
    layout->addWidget(first_start_note_);
    setCentralWidget(central);
    // The window is as small as its tool bar, and grows by the time panel while clips are open.
    QMainWindow::layout()->setSizeConstraint(QLayout::SetFixedSize);

    clock_.on_child_dropped = [this](MasterChild* child, const QString& reason) {
        auto* link = static_cast<ChildLink*>(child);
        LogDroppedChild(link->Form(), "in the timer tick", reason);
        ForgetLink(link);
    };
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
// Settings

void TWrightViewer::ReadSettings()
{
    show_hints_ = settings_.readBool(kPreferences, QStringLiteral("Show Hints"), true);
    actions_.at(QStringLiteral("ShowHints"))->setChecked(show_hints_);
    show_first_start_note_ = settings_.readBool(kPreferences, kShowFirstStartNote, true);
    const QString samples = SamplesFolder(QCoreApplication::applicationDirPath()) + QLatin1Char('/');
    open_queue_.SetLastDirectory(settings_.readString(kOpen, QStringLiteral("Directory"), samples));
    last_file_name_ = settings_.readString(kOpen, QStringLiteral("Filename"));
    presentation_file_name_ = settings_.readString(kPresentation, QStringLiteral("Filename"));
    databases_.Load(settings_);

    const WindowPlacement current { y(), x(), width(), height(), 0 };
    const WindowPlacement placed = ReadPlacement(settings_, objectName(), current, ScreenOf(*this));
    move(placed.left, placed.top);
    KeepWindowOnScreen(*this);
}

void TWrightViewer::WriteSettings()
{
    settings_.writeBool(kPreferences, QStringLiteral("Show Hints"), show_hints_);
    settings_.writeBool(kPreferences, kShowFirstStartNote, show_first_start_note_);
    settings_.writeString(kOpen, QStringLiteral("Directory"), open_queue_.LastDirectory());
    settings_.writeString(kOpen, QStringLiteral("Filename"), last_file_name_);
    settings_.writeString(kPresentation, QStringLiteral("Filename"), presentation_file_name_);
    databases_.Store(settings_);
    if (imager_attach_.write_settings)
        imager_attach_.write_settings(settings_);
    WritePlacement(settings_, objectName(), WindowPlacement { y(), x(), width(), height(), 0 }, false);
    // Written when the program closes: a failure now would lose every setting of the session.
    if (!settings_.sync())
        showError(QStringLiteral("Could not write the settings to ") + settings_.fileName()
            + QLatin1Char('\r') + settings_.syncError());
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
    if (!ticked_) {
        ticked_ = true;
        UpdateFirstStartNote();
    }
    if (!open_queue_.Empty()) {
        DispatchOpenQueue();
        clock_.MarkRangeStale();
    }
    using namespace std::chrono;
    const int64_t now = duration_cast<milliseconds>(now_().time_since_epoch()).count();
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
    BindMainSignalGraph();
    MainCommandFacts facts = CurrentChildFacts(current_);
    facts.children = !links_.empty();
    facts.measurement_available = bool(MeasurementFactory());
    facts.signal_graph_available = SignalGraphAvailable();
    facts.imager_attach_available = bool(imager_attach_.attach);
    facts.demo_devices_available = demo_devices_.start && demo_devices_.stop;
    facts.main_graph = MainSignalGraph() != nullptr;
    facts.source_files = !cleanup_.Empty();
    // Kind 1: an imager window whose recorder is idle; kind 2: one armed or recording.
    facts.idle_imager = clock_.HasKind(1);
    facts.armed_imager = clock_.HasKind(2);
    UpdateFirstStartNote();
    const MainCommandStates states = MainCommandStatesFor(facts);
    for (const auto& [name, on] : states.enabled)
        actions_.at(name)->setEnabled(on);
    time_panel_->setEnabled(states.time_panel);
    record_button_->setEnabled(states.record_enabled);
    if (record_button_->isChecked() != states.record_armed) {
        record_button_->setChecked(states.record_armed);
        record_button_->setToolTip(states.record_armed ? kRecordStopHint : kRecordReadyHint);
    }
}

// ---------------------------------------------------------------------------------------------
// Opening

void TWrightViewer::QueueFile(const QString& file_name)
{
    open_queue_.Append(file_name);
    UpdateFirstStartNote();
}

void TWrightViewer::QueueFiles(const QStringList& file_names)
{
    open_queue_.Append(file_names);
    UpdateFirstStartNote();
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
    case OpenFileType::Tif:
        OpenSequence(file_name, type);
        return;
    default:
        throw Error(file_name + QStringLiteral(" is an unrecognized file type."));
    }
}

QPoint TWrightViewer::BesideLastClip(const QWidget& form, const QPoint& fallback) const
{
    // Clips are compared side by side: the next window goes to the right of the last one.
    const QWidget* last = nullptr;
    for (const auto& link : links_) {
        if (link->Form() != &form)
            last = link->Form();
    }
    if (!last)
        return fallback;
    const QRect frame = WindowFrame(*last);
    return QPoint(frame.right() + 1 + kWindowGap, frame.top());
}

ChildContext TWrightViewer::MakeChildContext()
{
    ChildContext context;
    context.register_child = [this](TChildForm* child) { RegisterChild(child); };
    context.unregister_child = [this](TChildForm* child) { UnregisterChild(child); };
    context.settings = &settings_;
    context.main_window = this;
    context.edit_descriptors = [this](TChildForm& child) { return EditDescriptors(child); };
    context.open_clip = [this](const QString& name) { QueueFile(name); };
    context.add_source_file = [this](const QString& path) { AddSourceFile(path); };
    return context;
}

void TWrightViewer::OpenClip(const QString& file_name, const QString& options_section)
{
    const ChildContext context = MakeChildContext();
    auto stream = std::make_unique<TAVISTREAM>(options_section);
    const bool placed_before = settings_.valueExists(desktopSection(), QStringLiteral("DisplayForm"));
    auto* form = new TDisplayForm(context, std::move(stream), file_name, QFileInfo(file_name).fileName());
    // The main window grows by its time panel once a clip is timed: keep that strip clear too.
    const QRect main_frame = WindowFrame(*this);
    QRect time_strip(main_frame.bottomLeft() + QPoint(0, 1), QSize(main_frame.width(), 0));
    if (time_panel_->isHidden())
        time_strip.setHeight(time_panel_->sizeHint().height() + 4);
    // A clip window without a stored place opens below the tool bar; clip windows share one
    // stored place, and each further one goes beside the last so that none hides another.
    std::vector<const QWidget*> clips;
    for (const auto& link : links_)
        if (link->Form() != form)
            clips.push_back(link->Form());
    QPoint wanted
        = placed_before ? form->pos() : QPoint(main_frame.left(), time_strip.bottom() + 1 + kWindowGap);
    const QRect wanted_frame(wanted, WindowFrame(*form).size());
    if (std::any_of(clips.begin(), clips.end(),
            [&](const QWidget* clip) { return WindowFrame(*clip).intersects(wanted_frame); }))
        wanted = BesideLastClip(*form, wanted);
    PlaceNewWindow(*form, wanted, clips, { time_strip });
    form->EnableQuickMeasure(true);
    form->EnableSignalGraph(true);
    last_file_name_ = file_name;
    emit fileOpened(file_name);
}

void TWrightViewer::OpenSignalFiles(const QStringList& file_names)
{
    if (!SignalGraphAvailable())
        throw Error(QStringLiteral("This version cannot graph signal files yet: ")
            + file_names.join(QStringLiteral(", ")));
    if (SignalGraphWindow* graph = ShowMainSignalGraph())
        graph->ChooseAndPlot(file_names);
}

SignalGraphWindow* TWrightViewer::MainSignalGraph() const
{
    return main_graph_window_ ? main_graph_ : nullptr;
}

SignalGraphWindow* TWrightViewer::ShowMainSignalGraph()
{
    SignalGraphWindow* graph = MainSignalGraph();
    if (!graph) {
        graph = CreateSignalGraph(this, nullptr, &settings_);
        if (!graph)
            return nullptr;
        main_graph_ = graph;
        main_graph_window_ = graph->Window();
        BindMainSignalGraph();
        UpdateCommands();
    }
    QWidget* window = graph->Window();
    window->show();
    window->raise();
    window->activateWindow();
    return graph;
}

// A main graph that follows no clip window follows the current one, when that one may graph
// and has no graph of its own.
void TWrightViewer::BindMainSignalGraph()
{
    SignalGraphWindow* graph = MainSignalGraph();
    if (graph && !graph->Followed() && current_ && current_->SignalGraphAllowed() && !current_->SignalGraph())
        current_->AdoptSignalGraph(graph);
}

// ---------------------------------------------------------------------------------------------
// Command handlers

void TWrightViewer::Open1Click()
{
    const QStringList names = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Open"), open_queue_.LastDirectory(), OpenFilter());
    QueueFiles(names);
}

void TWrightViewer::OpenSamplesItemClick()
{
    const QString samples = SamplesFolder(QCoreApplication::applicationDirPath());
    if (!QFileInfo(samples).isDir()) {
        showError(QStringLiteral("The sample clips were not found: there is no folder ") + samples);
        return;
    }
    QueueFiles(
        QFileDialog::getOpenFileNames(this, QStringLiteral("Open Sample Clips"), samples, OpenFilter()));
}

void TWrightViewer::SetImagerAttachCommand(ImagerAttachCommand command)
{
    imager_attach_ = std::move(command);
    UpdateCommands();
}

void TWrightViewer::SetDemoDevicesCommand(DemoDevicesCommand command)
{
    demo_devices_ = std::move(command);
    UpdateCommands();
}

void TWrightViewer::OpenImager1Click()
{
    if (!imager_attach_.attach)
        return;
    try {
        imager_attach_.attach(MakeChildContext());
    } catch (const Error& error) {
        showError(error.message());
    }
    // The attached imagers' windows join the master range.
    clock_.MarkRangeStale();
    UpdateCommands();
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
            LogDroppedChild(child, "while closing", HandledExceptionText());
            if (child)
                UnregisterChild(child);
        }
    }
    UpdateCommands();
}

bool TWrightViewer::EditDescriptors(TChildForm& child)
{
    // One dialog for every child, made the first time it is needed.
    if (!titles_form_)
        titles_form_ = new TTitlesForm(this);
    return titles_form_->Edit(child, databases_);
}

void TWrightViewer::CurrentChildCommand(void (TChildForm::*command)())
{
    if (!current_)
        return;
    try {
        (current_->*command)();
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

void TWrightViewer::SaveAsClick()
{
    if (SaveAsAllowed(CurrentChildFacts(current_)))
        current_->SaveAs();
}

void TWrightViewer::SGraphItemClick()
{
    MainCommandFacts facts = CurrentChildFacts(current_);
    facts.signal_graph_available = SignalGraphAvailable();
    if (ChildSignalGraph(facts)) {
        current_->OpenSignalGraph();
        return;
    }
    ShowMainSignalGraph();
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

void TWrightViewer::Transport(void (MasterClock::*command)())
{
    (clock_.*command)();
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
            LogDroppedChild(*it, "when asked to close", HandledExceptionText());
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
    if (main_graph_window_)
        main_graph_window_->close();
    event->accept();
}

} // namespace fw
