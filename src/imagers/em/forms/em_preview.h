#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

#include <QImage>

#include "clips/frame_image.h"
#include "imagers/em/em1012_avi.h"
#include "imagers/em/em_frame_fields.h"
#include "imagers/em/em_stream_settings.h"
#include "shell/forms/preview_form.h"
#include "support/steady_now.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QToolButton;

namespace fw {

class FrameNumbersGroup;

// The download window of an EM 1012 or HS 4540 processor: shows the processor's state, records
// and stops, picks the frame range and sampling interval, adjusts the picture (brightness, gamma,
// sharpening, mirror, invert, crop), previews any frame and saves the range through its clip
// window. The window owns the clip window; the clip window owns the stream, and the stream the
// processor.
class TEMPreview : public TPreviewForm {
    Q_OBJECT
public:
    // Between two looks at the processor's state.
    static constexpr std::chrono::milliseconds kStatePollPeriod { 800 };

    // `stream` must be open. The window reads the stream's settings section, shows itself beside
    // its clip window and registers with the main window. `now` paces the state polls.
    TEMPreview(const ChildContext& context, std::unique_ptr<TEM1012AVI> stream, QString address,
        QString title, SteadyNow now = RealSteadyNow, QWidget* parent = nullptr);
    ~TEMPreview() override;

    TEM1012AVI& Source() const { return *source_; }
    const EmFrameFields& Frames() const { return frames_; }
    const EmStreamSettings& Values() const { return values_; }
    // The picture of the previewed frame as the processing leaves it.
    const FrameImage& PreviewPicture() const { return preview_frame_; }
    // The processor's state as the last poll saw it.
    int ProcessorState() const { return state_; }
    // Saves of all download windows that succeeded: the number in the next proposed name.
    static int SaveCounter();

    // Polls the processor's state (at most once per kStatePollPeriod), reads its recording
    // information when asked to, and previews the chosen frame when it changed.
    void IdleTick() override;
    // 2 while the processor is ready to record or recording, else 1.
    int DeviceKind() override;
    // The main window's record button: 1 stops, 2 readies the processor for recording.
    void MasterRecord(int mode) override;
    // While saving, asks whether to cancel the save and stays open.
    bool CanClose() override;
    // Close after a save that succeeded, else show the window again.
    void SetAutoDetach(bool auto_detach) { auto_detach_ = auto_detach; }

    // "Imager Control" (em_preview_imager.cpp).
    void RecordToggled(bool down);
    void StopClicked();
    // "Save": hides the window and saves the frame range through the clip window.
    void Save();
    // "Load/Save/Lock Settings": the processing settings window over the current controls.
    void OpenSettings();
    // "Original" and "Balance": brightness 1, gamma 1.8, no sharpening.
    void RestoreDefaults();

protected:
    void WriteSettings() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Bar { Brightness, Gamma, Sharpness };

    // Widgets (em_preview_widgets.cpp).
    void BuildWidgets();
    QWidget* BuildFrameGroup();
    QWidget* BuildProcessingGroup();
    QWidget* BuildFilterRow(QWidget* group);
    QWidget* BuildImagerGroup();
    QWidget* BuildButtons();
    QSlider* MakeBar(Bar bar, const char* name);
    void ShowValues();

    // Frame numbers (em_preview.cpp).
    void FrameRangeChanged();
    void ApplyRangeToStream();
    void ShowFrameFields();

    // The processor (em_preview_imager.cpp).
    void InstallProcessorEvents();
    void StateShown(int state);
    void ErrorShown(int error_code);
    void PollState();
    void ReadRecording();
    void ReleaseRecordButton();

    // Processing (em_preview_processing.cpp).
    void BarMoved(Bar bar, int position);
    void FilterChosen(int index);
    void ShowFilterMask(bool on);
    void FlipsChanged();
    void SetSettingsLocked(bool locked);
    void CroppingToggled(bool on);
    void PlaceCropper();
    void CropperMoved();
    void ProcessingChanged();

    // The picture and saving (em_preview.cpp).
    void ReadSettings();
    void StoreSettings();
    void ShowPreview();
    void SaveFinished(bool success, bool clip_file, const QString& final_name);

    TEM1012AVI* source_ = nullptr;
    SteadyNow now_;
    EmFrameFields frames_;
    EmStreamSettings values_;
    FrameImage preview_frame_;
    QImage preview_image_;
    std::optional<std::int32_t> shown_preview_; // the processor frame on show
    std::optional<std::chrono::steady_clock::time_point> last_poll_;
    int state_ = 0;
    int error_shown_ = 0; // the error code whose message the error bar shows
    bool info_requested_ = true;
    bool restore_stored_range_ = true;
    bool range_stored_ = false;
    bool in_tick_ = false;
    bool range_pending_ = false; // a range edited while a frame was uploading
    bool close_pending_ = false;
    bool settings_changed_ = false;
    bool settings_locked_ = false;
    bool showing_values_ = false;
    bool cropper_placed_ = false; // the crop frame stands on the picture
    bool auto_detach_ = false;
    std::atomic<bool> upload_aborted_ { false };

    FrameNumbersGroup* frame_group_ = nullptr;
    std::array<QSlider*, 3> bars_ {};
    QComboBox* filter_box_ = nullptr;
    QToolButton* filter_button_ = nullptr;
    QCheckBox* mirror_box_ = nullptr;
    QCheckBox* invert_box_ = nullptr;
    QLabel* locked_panel_ = nullptr;
    QCheckBox* settings_locked_box_ = nullptr;
    QToolButton* crop_button_ = nullptr;
    QPushButton* undo_button_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    QPushButton* stop_button_ = nullptr;
    QPushButton* record_button_ = nullptr;
    QLabel* status_bar_ = nullptr;
    QLabel* error_bar_ = nullptr;
};

} // namespace fw
