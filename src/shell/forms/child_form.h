#pragma once

#include <functional>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "clips/avi_stream.h"
#include "clips/clip_time_base.h"
#include "shell/view_options.h"

namespace fw {

class SettingsStore;
class SignalGraphWindow;
class TChildForm;

// What the main window hands every child: registration, the store and the database lists.
struct ChildContext {
    std::function<void(TChildForm*)> register_child; // called when the child is ready to show
    std::function<void(TChildForm*)> unregister_child; // called from the destructor
    SettingsStore* settings = nullptr;
    QWidget* main_window = nullptr;
    // Runs the descriptor dialog on a child; true when the user confirmed a change.
    std::function<bool(TChildForm&)> edit_descriptors;
    // Opens a clip file in a new clip window (a saved clip, for instance).
    std::function<void(const QString&)> open_clip;
    // A frame-file source whose frames were saved: offered for deletion afterwards.
    std::function<void(const QString&)> add_source_file;
};

// The base of every window the main window drives: a clip stream, a time base and the virtual
// operations the master clock and the main commands use. A top-level window that frees itself
// when it closes (Qt::WA_DeleteOnClose); it unregisters from the main window as it is destroyed.
class TChildForm : public QWidget {
    Q_OBJECT
public:
    TChildForm(const ChildContext& context, std::unique_ptr<TAVISTREAM> stream, QString file_name,
        QString title, QWidget* parent = nullptr);
    ~TChildForm() override;

    virtual int32_t CurrentIndex();
    virtual void UserSeek(int32_t index);
    virtual void Seek(int32_t index);
    virtual float CurrentTime();
    virtual void SeekTime(double time_ms);
    virtual void UserSeekTime(double time_ms);
    virtual float EndTime();
    virtual int32_t LastIndex();
    virtual int DeviceKind();
    virtual void MasterRecord(int mode);
    virtual void EnableQuickMeasure(bool enable);
    virtual void EnableSignalGraph(bool enable);
    virtual void SetSettingsFile(const QString& file_name);
    virtual void SetApproveMode(bool approve);
    virtual bool Redraw();
    virtual void ChooseCompression();
    virtual void CopyFrame();
    virtual void EditDescriptors();
    // Once per master tick: whether the child drew; reports range-stale and closing.
    virtual bool Poll(bool& range_stale, bool& closing);
    virtual void SaveAs();
    virtual void OpenQuickMeasure();
    virtual void OpenSignalGraph();
    // Whether the child may close now (it may ask the user).
    virtual bool CanClose();
    // Display windows that belong to no preview window take part in the master timing.
    virtual bool IsTimedClipWindow() const { return false; }
    // Whether this child is saving (Save As is then disabled).
    virtual bool IsSaving() const { return false; }
    // The child that owns this one (a preview owning its display window), or nullptr.
    virtual TChildForm* OwnerChild() const { return nullptr; }

    // Returns and clears the user-moved flag; time is the current time when it was set.
    bool UserMovedTime(float& time_ms);

    ClipTimeBase& TimeBase() { return time_base_; }
    const ClipTimeBase& TimeBase() const { return time_base_; }
    float FramePeriodMs() const { return time_base_.FramePeriodMs(); }
    float FirstFrameTimeMs() const { return time_base_.FirstFrameTimeMs(); }
    bool TimeBaseSet() const { return time_base_.IsSet(); }

    TAVISTREAM* Stream() const { return stream_.get(); }
    QString FileName() const { return file_name_; }
    QString Title() const { return title_; }
    bool IsClosing() const { return closing_; }
    bool QuickMeasureAllowed() const { return quick_measure_allowed_; }
    bool SignalGraphAllowed() const { return signal_graph_allowed_; }
    bool DescriptorsChanged() const { return descriptors_changed_; }
    // Sets the frame period and first-frame time where they differ (the descriptor dialog's
    // timing page, applied while the dialog is open).
    void SetTiming(double period_ms, double first_frame_time_ms);
    // Puts back a time base taken before such edits, descriptor text included.
    void RestoreTimeBase(const ClipTimeBase& saved);
    // Takes an edited descriptor block: applies its timing and marks it for writing back.
    void ChangeDescriptors(const std::string& block);
    uint32_t Options() const { return options_; }

    // The signal graph window that follows this window's time, or null.
    SignalGraphWindow* SignalGraph() const;
    // Lets a graph window made elsewhere (the main window's) follow this window; this window
    // does not own it.
    void AdoptSignalGraph(SignalGraphWindow* graph);

    // Caption flashing of the current child.
    void SetFlashing(bool on);
    void FlashCaption();

signals:
    // The time base changed (period, first-frame time): the master range is stale.
    void timeBaseChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Time-base setters that also rewrite the block and refresh the counters.
    virtual void SetFramePeriod(double period_ms);
    virtual void SetFirstFrameTime(double time_ms);
    void SetFirstFrameNumber(int32_t number);
    virtual void TimeBaseUpdated() { }
    // Parses a descriptor block into the time base; refreshes and reports when it changed.
    bool ApplyDescriptors(const std::string& block);
    // Hands the window to the main window; once registered it unregisters when destroyed.
    void RegisterChild();
    // Placement under the window's objectName in "Desktop"; the option bits travel as "extra".
    // A window whose placement was restored stores it again when destroyed.
    void StorePlacement();
    void RestorePlacement(bool sizeable);

    ChildContext context_;
    std::unique_ptr<TAVISTREAM> stream_;
    QString file_name_;
    QString title_;
    ClipTimeBase time_base_;
    int32_t shown_index_ = -1;
    int32_t requested_index_ = -2;
    float current_time_ms_ = 0.0f;
    bool user_moved_ = false;
    bool closing_ = false;
    bool force_redraw_ = false;
    bool quick_measure_allowed_ = false;
    bool signal_graph_allowed_ = false;
    bool descriptors_changed_ = false;
    bool flashing_ = false;
    bool flash_state_ = false;
    uint32_t options_ = kDefaultViewOptions;
    bool registered_ = false;
    bool sizeable_ = true;
    bool placement_restored_ = false;
    // The user already agreed to write the changed descriptors back; not asked twice.
    bool descriptor_save_confirmed_ = false;

private:
    void ReleaseSignalGraph();

    QPointer<QWidget> graph_window_;
    SignalGraphWindow* graph_ = nullptr;
};

} // namespace fw
