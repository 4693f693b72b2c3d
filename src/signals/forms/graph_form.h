#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

#include "shell/forms/child_form.h"
#include "shell/forms/child_windows.h"

class QDialog;

namespace fw {

class SettingsStore;
class TChildForm;
class TGraphChart;
class TGraphStatusBar;
class TSigSelectDlg;
struct GraphAppearance;

// The signal graph window: up to six signals against time with a crosshair cursor kept in step
// with the video of the clip window it follows. Closing hides it and drops its chart; the
// signal choice stays for the next time.
class TGraphForm : public QWidget, public SignalGraphWindow {
    Q_OBJECT
public:
    TGraphForm(QWidget* parent, TChildForm* display, SettingsStore* settings);
    ~TGraphForm() override;

    QWidget* Window() override { return this; }
    void Follow(TChildForm* display) override;
    TChildForm* Followed() const override { return display_; }
    bool ChooseAndPlot(const QStringList& file_names) override;
    void VideoTimeChanged(double time_ms) override;
    bool HasSignals() const override;

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

    SettingsStore* settings_ = nullptr;
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
