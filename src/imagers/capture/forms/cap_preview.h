#pragma once

#include <chrono>
#include <memory>

#include <QDateTime>
#include <QImage>

#include "clips/frame_image.h"
#include "imagers/capture/capture_settings.h"
#include "imagers/capture/capture_thread.h"
#include "imagers/capture/latest_slot.h"
#include "shell/forms/preview_form.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace fw {

class TCapStream;
class TIMAQ;
class TimeBarSlider;
struct CaptureEnding;

// The capture window of a frame grabber (form "CapPreview"): the live picture in its clip
// window, the number of frames, rate, resolution, colour and buffers of the next capture, the
// frame-compare trigger with its region drawn on the picture, and "Capture", which asks for a
// file and captures into it. A capture thread drives the grabber; the window talks to it only
// through its controls and read-outs and hears from it through queued calls. The window owns
// the clip window, the clip window owns the capture stream.
class TCapPreview : public TPreviewForm {
    Q_OBJECT
public:
    // The longest wait for the thread to pause before the file is asked for.
    static constexpr std::chrono::milliseconds kPauseWait { 500 };

    // Starts the capture thread on `interface_name` of the shared library `imaq`, which it
    // keeps while the thread runs. `waits` makes the thread's pauses (null: the steady clock).
    // The window reads its settings, shows itself beside its clip window and registers with the
    // main window.
    TCapPreview(const ChildContext& context, std::shared_ptr<TIMAQ> imaq, QString interface_name,
        QString title, std::unique_ptr<TCaptureWaits> waits = nullptr, QWidget* parent = nullptr);
    ~TCapPreview() override;

    TCaptureThread& Thread() const { return *thread_; }
    TCapStream& CaptureStream() const { return *cap_stream_; }
    const CaptureWindowSettings& Values() const { return values_; }
    // The live picture on show, lines as the grabber delivered them.
    const FrameImage& LivePicture() const { return live_frame_; }
    // From "Capture" until the end of the capture has been dealt with.
    bool Capturing() const { return capturing_; }
    // Close after a capture whose file was kept, else show the window again.
    void SetAutoDetach(bool auto_detach) { auto_detach_ = auto_detach; }

    // "Capture" enabled only in "Live Mode"; the buffers obtained, the trigger level and the
    // rate as the thread has them; while capturing, the progress on the clip window.
    void IdleTick() override;
    // While capturing, asks whether to cancel the capture; Yes cancels it and lets the window go.
    bool CanClose() override;
    // "Capture": pauses the live picture, asks for the file and captures into it.
    void Capture();

protected:
    void WriteSettings() override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Widgets (cap_preview_widgets.cpp).
    void BuildWidgets();
    QWidget* BuildCaptureGroup();
    QWidget* BuildTriggerGroup();
    QWidget* BuildButtons();
    void ShowValues();
    void TakeEditedFields();
    void StepTotalFrames(int direction);
    void RegionToggled(bool on);
    void PlaceRegion();
    void RegionMoved();

    // The clip window and the thread (cap_preview.cpp).
    void BuildDisplay();
    CaptureCallbacks MakeCallbacks();
    void ApplyValuesToThread();
    void ApplyRegion();
    void ShowLiveFrame();
    void ShowStatus();
    void TakeProperties(const CaptureProperties& properties);
    void ShowThreadValues();
    void ThreadEnded();

    // Capturing (cap_preview_capture.cpp).
    bool WaitForPause();
    void ShowCaptureProgress();
    void CaptureEnded(const CaptureCompletion& completion);
    bool KeepFile(const CaptureCompletion& completion, const CaptureEnding& ending);
    void OpenCapturedClip(const QString& file_name);

    std::shared_ptr<TIMAQ> imaq_;
    TCapStream* cap_stream_ = nullptr;
    CaptureWindowSettings values_;
    QDateTime opened_;
    FrameImage live_frame_;
    QImage live_image_;
    TLatestSlot<FrameImage> live_slot_;
    TLatestSlot<QString> status_slot_;
    int frame_width_ = 0;
    int frame_height_ = 0;
    bool starting_ = false; // between "Capture" and the file chosen
    bool capturing_ = false;
    bool cancel_sent_ = false;
    bool ending_ = false; // dealing with the end of a capture, perhaps asking
    bool delete_pending_ = false;
    bool auto_detach_ = false;
    bool settings_written_ = false;
    bool placing_region_ = false;
    bool region_placed_ = false; // the region frame stands on the picture

    QLineEdit* total_frames_edit_ = nullptr;
    QComboBox* rate_box_ = nullptr;
    QComboBox* resolution_box_ = nullptr;
    QLineEdit* buffers_edit_ = nullptr;
    QRadioButton* colour_button_ = nullptr;
    QRadioButton* monochrome_button_ = nullptr;
    QRadioButton* no_trigger_button_ = nullptr;
    QRadioButton* use_trigger_button_ = nullptr;
    TimeBarSlider* trigger_level_ = nullptr;
    QToolButton* region_button_ = nullptr;
    QCheckBox* progress_box_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    QLabel* status_bar_ = nullptr;

    // Last: joined before anything it reports to goes.
    std::unique_ptr<TCaptureThread> thread_;
};

} // namespace fw
