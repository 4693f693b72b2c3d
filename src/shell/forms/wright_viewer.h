#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "shell/cleanup_list.h"
#include "shell/database_lists.h"
#include "shell/forms/demo_devices_item.h"
#include "shell/master_clock.h"
#include "shell/open_dispatch.h"
#include "support/steady_now.h"

class QAction;
class QActionGroup;
class QMenu;
class QToolButton;

namespace fw {

struct ChildContext;
class SettingsStore;
class SignalGraphWindow;
class TChildForm;
class TFirstStartNote;
class TimeBarSlider;
class THelpBrowser;
class TTitlesForm;

// The imager attach command. The program installs it, the imager windows being built above the
// shell; "Attach Imager" is enabled once it is.
struct ImagerAttachCommand {
    // The attach window, then the attach loop; the windows it opens register through `context`.
    std::function<void(const ChildContext& context)> attach;
    // Writes the attach window's list and preferences when the main window closes.
    std::function<void(SettingsStore& store)> write_settings;
};

// The program's main window: a small tool-bar window that owns every child window, opens the
// queued files, and drives all timed children from one master clock with one set of
// transport controls.
class TWrightViewer : public QMainWindow {
    Q_OBJECT
public:
    explicit TWrightViewer(SettingsStore& settings, QWidget* parent = nullptr);
    ~TWrightViewer() override;

    // Appends names to the open queue; the next timer tick opens them.
    void QueueFile(const QString& file_name);
    void QueueFiles(const QStringList& file_names);
    const OpenQueue& Queue() const { return open_queue_; }
    // Restores and raises the window (a second start asked for it).
    void BringForward();

    // Children in opening order.
    std::vector<TChildForm*> Children() const;
    TChildForm* CurrentChild() const { return current_; }
    const MasterClock& Clock() const { return clock_; }
    // Source files a finished download leaves behind, offered by the cleanup window.
    void AddSourceFile(const QString& path);
    const CleanupList& SourceFiles() const { return cleanup_; }

    // The master timer's tick; public so that tests can step the clock.
    void Timer();
    // The clock the ticks read; the system's steady clock unless a test sets its own.
    void SetClock(SteadyNow now) { now_ = std::move(now); }
    // The active form changed (the application's focus window).
    void ActiveFormChanged(QWidget* form);
    // Whether hints (tool tips) show anywhere in the program.
    bool HintsShown() const { return show_hints_; }
    // The main signal graph window (signal files opened here, or no clip window), or null.
    SignalGraphWindow* MainSignalGraph() const;
    void SetImagerAttachCommand(ImagerAttachCommand command);
    void SetDemoDevicesCommand(DemoDevicesCommand command);

signals:
    // A queued clip opened in a window; carries the file name as queued.
    void fileOpened(const QString& file_name);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class ChildLink;

    void BuildCommands();
    void BuildMenus();
    QWidget* BuildToolPanel();
    QWidget* BuildTimePanel();
    QAction* MakeAction(const char* name, const QString& caption, std::function<void()> handler);

    void ReadSettings();
    void WriteSettings();

    void RegisterChild(TChildForm* child);
    void UnregisterChild(TChildForm* child);
    ChildLink* LinkOf(const TChildForm* child) const;
    void ForgetLink(ChildLink* link);
    void AfterRangeChanged();
    void UpdateCommands();
    void UpdateFirstStartNote();
    void BuildFirstStartNote();
    void MirrorClock();

    void DispatchOpenQueue();
    void OpenWindow(const QString& file_name, OpenFileType type);
    QPoint BesideLastClip(const QWidget& form, const QPoint& fallback) const;
    ChildContext MakeChildContext();
    void OpenClip(const QString& file_name, const QString& options_section);
    // A TIFF or BAY sequence: one preview per folder (wright_viewer_sequences.cpp).
    void OpenSequence(const QString& file_name, OpenFileType type);
    void OpenSignalFiles(const QStringList& file_names);

    // Command handlers, named after their components.
    void Open1Click();
    void OpenSamplesItemClick();
    void OpenImager1Click();
    void CloseItemClick();
    void CloseAllItemClick();
    // Copy Frame, Descriptors, Video Save Options, Quick Measure: the current child's own.
    void CurrentChildCommand(void (TChildForm::*command)());
    // Default Titles and Assign Database Files: dialogs over the database lists.
    template <typename Dialog> void EditDatabaseLists();
    bool EditDescriptors(TChildForm& child);
    void DeleteSourceFilesClick();
    void RecordBtnClick();
    void HelpTopics1Click();
    void SaveAsClick();
    void SGraphItemClick();
    SignalGraphWindow* ShowMainSignalGraph();
    void BindMainSignalGraph();
    // Transport.
    void TimeBarChange(int position);
    void Transport(void (MasterClock::*command)());
    void TransportDone();

    SettingsStore& settings_;
    MasterClock clock_;
    OpenQueue open_queue_;
    CleanupList cleanup_;
    std::vector<std::unique_ptr<ChildLink>> links_;
    // Links of children that went away during a tick; freed when no tick is running.
    std::vector<std::unique_ptr<ChildLink>> retired_;
    TChildForm* current_ = nullptr;
    QTimer master_timer_;
    SteadyNow now_ = RealSteadyNow;
    bool busy_ = false;
    bool destroying_ = false;
    bool show_hints_ = true;
    bool show_first_start_note_ = true;
    bool something_opened_ = false;
    bool ticked_ = false;
    TFirstStartNote* first_start_note_ = nullptr;
    QString last_file_name_;
    QString presentation_file_name_;
    DatabaseLists databases_;
    TTitlesForm* titles_form_ = nullptr;
    QPointer<THelpBrowser> help_browser_;
    QPointer<QWidget> main_graph_window_;
    SignalGraphWindow* main_graph_ = nullptr;
    ImagerAttachCommand imager_attach_;
    DemoDevicesCommand demo_devices_;

    std::map<QString, QAction*> actions_;
    QWidget* tool_panel_ = nullptr;
    QWidget* time_panel_ = nullptr;
    TimeBarSlider* time_bar_ = nullptr;
    QToolButton* play_button_ = nullptr;
    QToolButton* repeat_button_ = nullptr;
    QToolButton* record_button_ = nullptr;
    QMenu* time_menu_ = nullptr;
    QActionGroup* speed_group_ = nullptr;
};

} // namespace fw
