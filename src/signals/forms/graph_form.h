#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

#include "shell/forms/child_form.h"
#include "shell/forms/child_windows.h"
#include "signals/signal_source.h"

class QDialog;

namespace fw {

class SettingsStore;
class TChildForm;
class TGraphChart;
class TGraphStatusBar;
class TSigSelectDlg;
struct GraphAppearance;

// The signal graph window: up to six signals against time with a crosshair cursor kept in step
// with the video of the clip window it follows. The signals come from files the user chooses,
// or from a source in memory that the window plots again whenever it changes. Closing hides it
// and drops its chart; the signal choice stays for the next time.
class TGraphForm : public QWidget, public SignalGraphWindow {
    Q_OBJECT
public:
    // The placement name keys the window's place in "Desktop", so that graphs of different
    // kinds keep places of their own.
    TGraphForm(QWidget* parent, TChildForm* display, SettingsStore* settings,
        const QString& placement_name = QStringLiteral("GraphForm"));
    ~TGraphForm() override;

    QWidget* Window() override { return this; }
    void Follow(TChildForm* display) override;
    TChildForm* Followed() const override { return display_; }
    bool ChooseAndPlot(const QStringList& file_names) override;
    void VideoTimeChanged(double time_ms) override;
    bool HasSignals() const override;

    // Plots the source's signals, grouped by their groups, shows the window and follows the
    // source's changes from now on.
    void PlotSource(SignalSource* source);
    SignalSource* Source() const { return source_; }
    // What "Signals" does instead of choosing files (a graph of a source chooses its own way).
    void SetSignalsCommand(std::function<void()> command) { signals_command_ = std::move(command); }

    TGraphChart* Chart() const { return chart_; }
    TSigSelectDlg* SelectDialog() const { return dialog_; }
    TGraphStatusBar* StatusBar() const { return status_; }
    // The time step below which cursor and video count as in step: the followed window's time
    // per frame.
    double ToleranceMs() const;

    // A cursor move the user made (keys, clicks, Min, Max): read-outs, then the video follows.
    void MoveCursor(int signal, int32_t point);
    void ControlsClick();
    void PrintClick();
    void SignalsClick();
    void MinClick();
    void MaxClick();

    // Runs a modal dialog of the window (signal choice, controls); true when accepted. Tests
    // answer the dialogs through their own runner.
    using DialogRunner = std::function<bool(QDialog&)>;
    static void SetDialogRunner(DialogRunner runner);
    // Runs a dialog that belongs to a graph (a source's own choice of signals) the same way.
    static bool RunDialog(QDialog& dialog);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ReadSettings();
    void WriteSettings();
    void UpdateCaption();
    // A window without a stored place opens beside the window it belongs to, not over it.
    void PlaceBeside(const QWidget& other);
    void PlotChoice();
    void ChartClicked(const QPoint& pixel);
    void CursorKey(int key, Qt::KeyboardModifiers modifiers);
    void MoveToExtreme(bool largest);
    void CursorMovedByUser();
    void SeekDisplay(double time_ms);
    void RefreshReadouts();
    // Reads the source once after a run of changes.
    void SourceChanged();
    void PlotFromSource();

    SettingsStore* settings_ = nullptr;
    QString placement_name_;
    QPointer<SignalSource> source_;
    QString source_name_;
    bool plots_source_ = false;
    bool source_replot_pending_ = false;
    std::function<void()> signals_command_;
    QPointer<TChildForm> display_;
    TGraphChart* chart_ = nullptr;
    TGraphStatusBar* status_ = nullptr;
    TSigSelectDlg* dialog_ = nullptr;
    QPoint mouse_at_ { -1, -1 };
    // Set while this window moves the video, whose answer must not move the cursor back.
    bool seeking_display_ = false;
    bool placement_restored_ = false;
    bool placed_beside_clip_ = false;
    bool placement_stored_before_ = false;
};

// Installs the signal graph window as the one the shell opens.
void InstallSignalGraphing();

} // namespace fw
