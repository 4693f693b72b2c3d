#include "signals/forms/graph_form.h"

#include <cmath>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/forms/child_form.h"
#include "shell/forms/new_window_place.h"
#include "shell/window_placement.h"
#include "signals/forms/graph_chart.h"
#include "signals/forms/graph_controls_dialog.h"
#include "signals/forms/graph_status_bar.h"
#include "signals/forms/sig_select_dlg.h"
#include "signals/signal_file.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kGraphSection = QStringLiteral("Graph Signals");
const QString kGraphOpenSection = QStringLiteral("Graph Signals\\Open");

bool ExecDialog(QDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

TGraphForm::DialogRunner& dialogRunner()
{
    static TGraphForm::DialogRunner runner = ExecDialog;
    return runner;
}

QRect ScreenOf(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TGraphForm::TGraphForm(
    QWidget* parent, TChildForm* display, SettingsStore* settings, const QString& placement_name)
    : QWidget(parent, Qt::Window)
    , settings_(settings)
    , placement_name_(placement_name)
{
    setObjectName(placement_name_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    chart_ = new TGraphChart(this);
    status_ = new TGraphStatusBar(this);
    column->addWidget(chart_, 1);
    column->addWidget(status_);
    dialog_ = new TSigSelectDlg(this);
    resize(760, 520);

    connect(chart_, &TGraphChart::leftClicked, this, &TGraphForm::ChartClicked);
    connect(chart_, &TGraphChart::cursorKey, this, &TGraphForm::CursorKey);
    connect(chart_, &TGraphChart::zoomChanged, this, &TGraphForm::RefreshReadouts);
    connect(chart_, &TGraphChart::mouseMovedTo, this, [this](const QPoint& pixel) {
        mouse_at_ = pixel;
        RefreshReadouts();
    });
    connect(status_, &TGraphStatusBar::controlsClicked, this, &TGraphForm::ControlsClick);
    connect(status_, &TGraphStatusBar::printClicked, this, &TGraphForm::PrintClick);
    connect(status_, &TGraphStatusBar::signalsClicked, this, &TGraphForm::SignalsClick);
    connect(status_, &TGraphStatusBar::minClicked, this, &TGraphForm::MinClick);
    connect(status_, &TGraphStatusBar::maxClicked, this, &TGraphForm::MaxClick);

    ReadSettings();
    Follow(display);
    if (!placement_stored_before_) {
        if (display)
            PlaceBeside(*display);
        else if (parent)
            PlaceBeside(*parent);
    }
}

void TGraphForm::PlaceBeside(const QWidget& other)
{
    PlaceBesideOwner(*this, other);
}

TGraphForm::~TGraphForm() = default;

void TGraphForm::SetDialogRunner(DialogRunner runner)
{
    dialogRunner() = runner ? std::move(runner) : DialogRunner(ExecDialog);
}

bool TGraphForm::RunDialog(QDialog& dialog)
{
    return dialogRunner()(dialog);
}

// ---------------------------------------------------------------------------------------------
// Settings

void TGraphForm::ReadSettings()
{
    GraphAppearance look = GraphAppearance::Defaults();
    if (!settings_) {
        chart_->ApplyAppearance(look);
        return;
    }
    dialog_->SetLastFileName(settings_->readString(kGraphOpenSection, QStringLiteral("Signal")));
    const QByteArray block
        = QByteArray::fromBase64(settings_->readString(kGraphSection, QStringLiteral("Settings")).toLatin1());
    if (const std::optional<GraphAppearance> stored = GraphAppearance::Decode(block))
        look = *stored;
    chart_->ApplyAppearance(look);

    placement_stored_before_ = settings_->valueExists(desktopSection(), placement_name_);
    const WindowPlacement current { y(), x(), width(), height(), 0 };
    const WindowPlacement placed = ReadPlacement(*settings_, placement_name_, current, ScreenOf(*this));
    move(placed.left, placed.top);
    if (placed.width > 0 && placed.height > 0)
        resize(placed.width, placed.height);
    KeepWindowOnScreen(*this);
    placement_restored_ = true;
}

void TGraphForm::WriteSettings()
{
    if (!settings_)
        return;
    // A graph of a source chose no file: the last one stays as the file graphs left it.
    if (!plots_source_)
        settings_->writeString(kGraphOpenSection, QStringLiteral("Signal"), dialog_->LastFileName());
    // The store keeps text: the appearance block travels as Base64.
    settings_->writeString(kGraphSection, QStringLiteral("Settings"),
        QString::fromLatin1(chart_->Appearance().Encode().toBase64()));
    if (placement_restored_)
        WritePlacement(*settings_, placement_name_, WindowPlacement { y(), x(), width(), height(), 0 }, true);
}

void TGraphForm::closeEvent(QCloseEvent* event)
{
    WriteSettings();
    chart_->ResetChart();
    RefreshReadouts();
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Following a clip window

void TGraphForm::Follow(TChildForm* display)
{
    if (display_)
        disconnect(display_, nullptr, this, nullptr);
    display_ = display;
    if (display) {
        connect(display, &QWidget::windowTitleChanged, this, &TGraphForm::UpdateCaption);
        connect(display, &QObject::destroyed, this, &TGraphForm::UpdateCaption);
        // A graph the user has not placed yet goes beside the clip it follows, not over it.
        if (!placement_stored_before_ && !placed_beside_clip_ && placement_restored_) {
            PlaceBeside(*display);
            placed_beside_clip_ = true;
        }
    }
    UpdateCaption();
}

void TGraphForm::UpdateCaption()
{
    if (plots_source_)
        setWindowTitle(display_ ? source_name_ + QStringLiteral(" vs ") + display_->Title() : source_name_);
    else
        setWindowTitle(
            display_ ? QStringLiteral("Signals vs ") + display_->Title() : QStringLiteral("Signal Graphing"));
}

double TGraphForm::ToleranceMs() const
{
    return display_ ? double(display_->FramePeriodMs()) : 0.0;
}

bool TGraphForm::HasSignals() const
{
    return chart_->SignalCount() > 0;
}

void TGraphForm::VideoTimeChanged(double time_ms)
{
    if (!display_ || seeking_display_ || !HasSignals())
        return;
    const int signal = chart_->CursorSignal();
    const SampleTimes& times = chart_->Signal(signal).times;
    if (!(times.period_ms > 0.0) || std::fabs(chart_->CursorX() - time_ms) < ToleranceMs())
        return;
    chart_->SetCursor(signal, times.NearestPoint(time_ms));
    RefreshReadouts();
}

void TGraphForm::SeekDisplay(double time_ms)
{
    if (!display_)
        return;
    seeking_display_ = true;
    try {
        display_->UserSeekTime(time_ms);
    } catch (...) {
        // A window that cannot take the time any more is no longer followed.
        qCWarning(lcSignals).noquote()
            << "The graph stops following" << display_->windowTitle() << "-" << HandledExceptionText();
        Follow(nullptr);
    }
    seeking_display_ = false;
}

void TGraphForm::CursorMovedByUser()
{
    RefreshReadouts();
    if (display_ && std::fabs(double(display_->CurrentTime()) - chart_->CursorX()) >= ToleranceMs())
        SeekDisplay(chart_->CursorX());
}

void TGraphForm::MoveCursor(int signal, int32_t point)
{
    if (!HasSignals())
        return;
    chart_->SetCursor(signal, point);
    CursorMovedByUser();
}

// ---------------------------------------------------------------------------------------------
// Choosing and plotting

bool TGraphForm::ChooseAndPlot(const QStringList& file_names)
{
    if (!file_names.isEmpty())
        dialog_->AddFiles(file_names);
    if (!dialogRunner()(*dialog_))
        return false;
    PlotChoice();
    show();
    raise();
    return true;
}

void TGraphForm::PlotChoice()
{
    const std::vector<SignalEntry> chosen = dialog_->Result();
    std::vector<ChartSignal> plotted;
    int overlay = 0;
    QString title;
    QString x_label = QString::fromLatin1(kTimeAxisLabel);
    for (size_t i = 0; i < chosen.size(); ++i) {
        TSigClass& signal = *chosen[i].signal;
        const double period = signal.SamplePeriodMs();
        if (!std::isfinite(period) || !(period > 0.0) || !std::isfinite(signal.FirstSampleMs())) {
            showError(QStringLiteral(
                          "The sampling frequency or first sample time of this signal cannot be graphed."),
                signal.FullName());
            continue;
        }
        ChartSignal data;
        try {
            data.values = signal.ReadAllSamples();
        } catch (const Error& failure) {
            showError(failure.message(), signal.FullName());
            continue;
        }
        data.name = signal.SignalName();
        data.y_label = signal.YAxisLabel();
        data.times
            = SampleTimes { signal.FirstSampleMs(), signal.SamplePeriodMs(), int32_t(data.values.size()) };
        if (plotted.empty()) {
            title = signal.SourceName();
            x_label = signal.XAxisLabel();
        }
        if (int(i) < dialog_->OverlayCount())
            ++overlay;
        plotted.push_back(std::move(data));
    }
    const int count = int(plotted.size());
    chart_->Plot(std::move(plotted), PlanGraphLayout(count, overlay, dialog_->ShareFirstAxis()),
        dialog_->Scaling(), title, x_label);
    chart_->SetCursor(0, 0);
    if (display_)
        VideoTimeChanged(display_->CurrentTime());
    RefreshReadouts();
}

// ---------------------------------------------------------------------------------------------
// A source in memory

void TGraphForm::PlotSource(SignalSource* source)
{
    if (source_ != source) {
        if (source_)
            disconnect(source_, nullptr, this, nullptr);
        source_ = source;
        if (source)
            connect(source, &SignalSource::changed, this, &TGraphForm::SourceChanged);
    }
    plots_source_ = true;
    source_name_ = source ? source->Name() : QString();
    UpdateCaption();
    show();
    raise();
    PlotFromSource();
}

void TGraphForm::SourceChanged()
{
    if (source_replot_pending_)
        return;
    source_replot_pending_ = true;
    QTimer::singleShot(0, this, &TGraphForm::PlotFromSource);
}

namespace {

// Whether new signals only bring new samples to the curves on the chart.
bool SameCurves(const TGraphChart& chart, const std::vector<ChartSignal>& series, const GraphLayoutPlan& plan)
{
    if (int(series.size()) != chart.SignalCount() || plan.area_count != chart.Plan().area_count
        || plan.axes.size() != chart.Plan().axes.size())
        return false;
    for (size_t axis = 0; axis < plan.axes.size(); ++axis)
        if (plan.axes[axis].members != chart.Plan().axes[axis].members)
            return false;
    for (int i = 0; i < chart.SignalCount(); ++i) {
        const ChartSignal& shown = chart.Signal(i);
        const ChartSignal& next = series[size_t(i)];
        if (shown.name != next.name || shown.y_label != next.y_label || shown.colour != next.colour)
            return false;
    }
    return true;
}

} // namespace

void TGraphForm::PlotFromSource()
{
    source_replot_pending_ = false;
    // A closed window reads the source again when it is shown with it.
    if (!source_ || !isVisible())
        return;
    std::vector<ChartSignal> series;
    std::vector<int> groups;
    for (MemorySignal& signal : source_->Signals()) {
        groups.push_back(signal.group);
        series.push_back(ChartSignal {
            signal.name, signal.y_label, signal.times, std::move(signal.values), signal.colour, true });
    }
    const GraphLayoutPlan plan = PlanGroupedLayout(groups);
    const double cursor_ms = display_ ? double(display_->CurrentTime()) : chart_->CursorX();
    if (SameCurves(*chart_, series, plan))
        chart_->UpdateSignals(std::move(series));
    else
        chart_->Plot(
            std::move(series), plan, GraphScaling::Linear, QString(), QString::fromLatin1(kTimeAxisLabel));
    if (HasSignals()) {
        const int signal = chart_->CursorSignal();
        chart_->SetCursor(signal, chart_->Signal(signal).times.NearestPoint(cursor_ms));
    }
    RefreshReadouts();
}

// ---------------------------------------------------------------------------------------------
// Mouse, keys and the status bar

void TGraphForm::ChartClicked(const QPoint& pixel)
{
    if (!HasSignals())
        return;
    const int legend_signal = chart_->LegendSignalAt(pixel);
    if (legend_signal >= 0) {
        chart_->SetCursor(legend_signal, chart_->Signal(legend_signal).times.NearestPoint(chart_->CursorX()));
        RefreshReadouts();
        return;
    }
    int area = -1;
    const int cursor_signal = chart_->CursorSignal();
    const SampleTimes& times = chart_->Signal(cursor_signal).times;
    switch (chart_->RegionAt(pixel, &area)) {
    case ChartRegion::Above:
        if (chart_->Zoomed())
            chart_->ZoomOut();
        return;
    case ChartRegion::Below: {
        const double clicked = chart_->TimeAtPixel(pixel.x());
        if (times.period_ms > 0.0)
            chart_->SetCursor(cursor_signal, times.NearestPoint(clicked));
        RefreshReadouts();
        SeekDisplay(clicked);
        return;
    }
    case ChartRegion::Inside: {
        int hit_signal = -1;
        int32_t hit_point = 0;
        if (chart_->PointNear(pixel, area, hit_signal, hit_point)) {
            // A data point: the video goes to its time.
            const double at = chart_->Signal(hit_signal).times.TimeOf(hit_point);
            chart_->SetCursor(cursor_signal, times.NearestPoint(at));
            RefreshReadouts();
            SeekDisplay(at);
            return;
        }
        chart_->SetCursor(cursor_signal, times.NearestPoint(chart_->TimeAtPixel(pixel.x())));
        CursorMovedByUser();
        return;
    }
    case ChartRegion::Beside:
        return;
    }
}

void TGraphForm::CursorKey(int key, Qt::KeyboardModifiers /*modifiers*/)
{
    if (!HasSignals())
        return;
    const int signal = chart_->CursorSignal();
    const int32_t point = chart_->CursorPoint();
    const QCPRange visible = chart_->VisibleTimes();
    int32_t first = 0, last = -1;
    chart_->Signal(signal).times.PointsWithin(visible.lower, visible.upper, first, last);
    const int32_t page = std::max<int32_t>(1, (last - first + 1) / 10);
    switch (key) {
    case Qt::Key_Left:
        MoveCursor(signal, point - 1);
        return;
    case Qt::Key_Right:
        MoveCursor(signal, point + 1);
        return;
    case Qt::Key_PageUp:
        MoveCursor(signal, point - page);
        return;
    case Qt::Key_PageDown:
        MoveCursor(signal, point + page);
        return;
    case Qt::Key_Home:
        MoveCursor(signal, last >= first ? first : 0);
        return;
    case Qt::Key_End:
        MoveCursor(signal, last >= first ? last : chart_->Signal(signal).times.count - 1);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int count = chart_->SignalCount();
        const int next = (signal + (key == Qt::Key_Down ? 1 : count - 1)) % count;
        MoveCursor(next, chart_->Signal(next).times.NearestPoint(chart_->CursorX()));
        return;
    }
    default:
        return;
    }
}

void TGraphForm::MoveToExtreme(bool largest)
{
    if (!HasSignals())
        return;
    const int signal = chart_->CursorSignal();
    const ChartSignal& data = chart_->Signal(signal);
    int32_t first = 0, last = -1;
    const QCPRange visible = chart_->VisibleTimes();
    data.times.PointsWithin(visible.lower, visible.upper, first, last);
    MoveCursor(signal, ExtremePoint(data.values, first, last, largest));
}

void TGraphForm::MinClick()
{
    MoveToExtreme(false);
}

void TGraphForm::MaxClick()
{
    MoveToExtreme(true);
}

void TGraphForm::SignalsClick()
{
    if (signals_command_)
        signals_command_();
    else
        ChooseAndPlot({});
}

void TGraphForm::ControlsClick()
{
    TGraphControlsDlg dialog(chart_->Appearance(), this);
    if (dialogRunner()(dialog))
        chart_->ApplyAppearance(dialog.Appearance());
}

void TGraphForm::PrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (!dialogRunner()(dialog))
        return;
    QCPPainter painter;
    if (!painter.begin(&printer)) {
        showError(QStringLiteral("The chart could not be printed."));
        return;
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = std::min(page.width() / chart_->width(), page.height() / chart_->height());
    painter.scale(scale, scale);
    chart_->toPainter(&painter, chart_->width(), chart_->height());
    painter.end();
}

void TGraphForm::RefreshReadouts()
{
    if (!HasSignals()) {
        status_->SetReadouts(QString(), QString());
        return;
    }
    const int signal = chart_->CursorSignal();
    int area = -1;
    const bool mouse_inside
        = chart_->rect().contains(mouse_at_) && chart_->RegionAt(mouse_at_, &area) == ChartRegion::Inside;
    const double mouse_x = chart_->TimeAtPixel(mouse_at_.x());
    const double mouse_y = chart_->ValueAtPixel(signal, mouse_at_.y());
    const bool over_cursor_axis = mouse_inside && area == chart_->AreaOf(signal);
    status_->SetReadouts(XReadout(chart_->CursorX(), mouse_inside ? &mouse_x : nullptr, chart_->XLabel()),
        YReadout(chart_->CursorY(), over_cursor_axis ? &mouse_y : nullptr, chart_->Signal(signal).y_label));
}

void InstallSignalGraphing()
{
    SetSignalGraphFactory(
        [](QWidget* parent, TChildForm* display, SettingsStore* settings) -> SignalGraphWindow* {
            return new TGraphForm(parent, display, settings);
        });
}

} // namespace fw
