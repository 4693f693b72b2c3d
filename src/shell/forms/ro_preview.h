#pragma once

#include <array>
#include <memory>

#include <QImage>

#include "clips/bayer_imager_control.h"
#include "clips/bayer_preview_values.h"
#include "clips/frame_image.h"
#include "shell/bayer_frame_range.h"
#include "shell/forms/preview_form.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace fw {

class TBayer;
struct ColorTransformResult;

// The Bayer preview (form "ROPreview") over a BAY sequence: picks the frame range and interval,
// shows one frame through the colour pipeline, sets the processing values and saves the range
// through its clip window, as a clip, frame files or BAY files. The preview owns the clip window;
// the clip window owns the source. The imager control group stays hidden over files.
class TROPreview : public TPreviewForm {
    Q_OBJECT
public:
    // `source` must be open with frames. The window shows itself and registers with the main window.
    TROPreview(const ChildContext& context, std::unique_ptr<TBayer> source, QString file_name, QString title,
        QWidget* parent = nullptr);
    ~TROPreview() override;

    TBayer& Source() const { return *source_; }
    const BayerFrameRange& Range() const { return range_; }
    const BayerPreviewValues& Values() const { return values_; }
    // The processed picture of the previewed frame.
    const FrameImage& PreviewPicture() const { return preview_frame_; }

    void IdleTick() override;
    // Over an imager: 1 while its recorder is idle, 2 while armed or recording; 0 over files.
    int DeviceKind() override;
    // The main window's record button: 2 arms the imager's recorder, 1 stops or triggers it.
    void MasterRecord(int mode) override;
    // Over an imager: close after a save that succeeded (else download again); files always close.
    void SetAutoDetach(bool auto_detach) { auto_detach_ = auto_detach; }
    // "Approve" instead of "Save": a changed clip is written over the window's file name without
    // asking, an unchanged one counts as saved; either way the window closes.
    void SetApproveMode(bool approve) override;
    void EditDescriptors() override;

    // "Imager Control" (ro_preview_imager.cpp).
    void StopClicked();
    void RecordToggled(bool down);
    void LiveToggled(bool down);
    void SetupClicked();
    // "Save": hides the window and saves the range through the clip window.
    void Save();
    // "Event Frame": the previewed frame becomes time zero of the clip.
    void EventFrame();
    // "Original": the processing values the window started with.
    void RestoreOriginal();
    // "Settings": the processing values as numbers, loaded from and saved to settings files.
    void OpenSettings();
    // "Mask": the filter mask in grey instead of the picture.
    void ShowFilterMask(bool on);
    // "Lock Settings": the processing controls stay as they are until unlocked.
    void SetSettingsLocked(bool locked);
    // Double-click on the picture: the gains that give the pixel under the reticle a chosen colour.
    void TransformColor();

protected:
    void WriteSettings() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool RangeStored() const;
    // Widgets (ro_preview_widgets.cpp).
    void BuildWidgets();
    QGroupBox* BuildRangeGroup();
    QGroupBox* BuildProcessingGroup();
    QGroupBox* BuildImagerGroup();
    void InstallImagerHandlers();
    void ImagerStateChanged(int state);
    void EndLive();
    void LiveFrameReady();
    // Asks before recording over frames the imager holds; false when the user says No.
    bool MayRecordOver();
    void ReloadFrameLists();
    QWidget* BuildButtons();
    QSlider* MakeTrackBar(TrackTag tag, const char* name);
    QWidget* BuildFilterRow(QWidget* group);
    void FillFrameLists();
    void ShowValues();

    // Frames and processing (ro_preview.cpp).
    void FirstChosen(int entry);
    void LastChosen(int entry);
    void IntervalChanged(int interval);
    void PreviewChosen(int index);
    void RangeChanged();
    void LoadConnectedSettings();
    void TrackBarMoved(TrackTag tag, int position);
    void ProcessingChanged();
    void TakeColorTransform(const ColorTransformResult& result);
    void ShowPreview();
    void SaveFinished(bool success, bool clip_file, const QString& final_name);

    TBayer* source_ = nullptr;
    BayerFrameRange range_;
    BayerPreviewValues values_;
    BayerPreviewValues original_values_;
    FrameImage preview_frame_;
    QImage preview_image_;
    int32_t shown_entry_ = -1;
    int32_t event_entry_ = -1; // the entry at time zero, or none
    bool updating_widgets_ = false;
    bool settings_changed_ = false;

    QComboBox* first_box_ = nullptr;
    QComboBox* last_box_ = nullptr;
    QSpinBox* interval_spin_ = nullptr;
    QComboBox* preview_box_ = nullptr;
    std::array<QSlider*, 6> track_bars_ {};
    QComboBox* filter_box_ = nullptr;
    QComboBox* color_temp_box_ = nullptr;
    QCheckBox* tone_curve_box_ = nullptr;
    QToolButton* filter_button_ = nullptr;
    QCheckBox* settings_locked_box_ = nullptr;
    QLabel* locked_panel_ = nullptr;
    QPushButton* undo_button_ = nullptr;
    QCheckBox* scatter_box_ = nullptr;
    QGroupBox* imager_group_ = nullptr;
    BayerImagerControl* imager_ = nullptr;
    int imager_state_ = kImagerUnknownState;
    bool imager_refresh_pending_ = false;
    bool live_ = false;
    bool auto_detach_ = true;
    bool approve_ = false;
    bool clip_changed_ = false;
    QPushButton* stop_button_ = nullptr;
    QPushButton* record_button_ = nullptr;
    QPushButton* live_button_ = nullptr;
    QLabel* state_panel_ = nullptr;
    QLabel* temperature_panel_ = nullptr;
    QLabel* error_bar_ = nullptr;
    QPushButton* save_button_ = nullptr;
    QLabel* count_label_ = nullptr;
};

} // namespace fw
