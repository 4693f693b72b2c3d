#pragma once

#include <array>
#include <memory>

#include <QImage>

#include "clips/base_avi.h"
#include "clips/frame_image.h"
#include "clips/frame_number_fields.h"
#include "clips/import_preview_values.h"
#include "shell/forms/preview_form.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QToolButton;

namespace fw {

class FrameNumbersGroup;
class TDisplayForm;

// The import preview: picks the frame range and interval of a source, adjusts its colour and
// tone, crops and resizes, and saves it as a new clip or frame files through its clip window.
// The preview owns the clip window; the clip window owns the source.
class TImagePreview : public TPreviewForm {
    Q_OBJECT
public:
    // `source` must be open. The window shows itself and registers with the main window.
    TImagePreview(const ChildContext& context, std::unique_ptr<TBaseAVI> source, QString file_name,
        QString title, QWidget* parent = nullptr);
    ~TImagePreview() override;

    TBaseAVI& Source() const { return *source_; }
    const FrameNumberFields& Frames() const { return frames_; }
    const ImportPreviewValues& Values() const { return values_; }
    // The processed picture of the previewed frame.
    const FrameImage& PreviewPicture() const { return preview_frame_; }

    void IdleTick() override;
    // "Save": hides the window and saves through the clip window.
    void Save();
    // "Image Process/Crop/Resize Settings", also behind "Crop Size" and "Save Size".
    void OpenSettings();
    // "Original" and "Balance".
    void RestoreOriginal();
    void BalanceSettings();
    // Gains that give the pixel at (x, y) of the frame (top-down) the colour `target`.
    void PickWhitePoint(int x, int y, const PixelColor& target);
    // Double-click on the picture: the colour window for the pixel under the reticle.
    void TransformColor();

protected:
    void WriteSettings() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Widgets (image_preview_widgets.cpp).
    void BuildWidgets();
    QWidget* BuildFrameGroup();
    QWidget* BuildProcessingGroup();
    QWidget* BuildButtons();
    QSlider* MakeTrackBar(TrackTag tag, const char* name);

    // Frame numbers (image_preview.cpp).
    void FrameRangeChanged();
    void ShowFrameFields();

    // Processing (image_preview_processing.cpp).
    void TrackBarMoved(TrackTag tag, int position);
    void FilterChosen(int index);
    void ShowFilterMask(bool on);
    void SetSettingsLocked(bool locked);
    void CroppingToggled(bool on);
    void ApplyValues();
    void ShowValues();
    void ShowSizes();
    void PlaceCropper();
    void CropperMoved();

    // The picture (image_preview.cpp).
    void ShowPreview();
    void SaveFinished(bool success, bool clip_file, const QString& final_name);
    void ReadSettings();

    TBaseAVI* source_ = nullptr;
    FrameNumberFields frames_;
    ImportPreviewValues values_;
    ImportPreviewValues original_values_;
    FrameImage preview_frame_;
    QImage preview_image_;
    int32_t previewed_number_ = -1;
    bool settings_changed_ = false;
    bool showing_values_ = false;

    FrameNumbersGroup* frame_group_ = nullptr;
    std::array<QSlider*, 6> track_bars_ {};
    std::array<QLabel*, 6> track_labels_ {};
    QComboBox* filter_box_ = nullptr;
    QToolButton* filter_button_ = nullptr;
    QCheckBox* settings_locked_ = nullptr;
    QLabel* locked_panel_ = nullptr;
    QPushButton* undo_button_ = nullptr;
    QPushButton* balance_button_ = nullptr;
    QPushButton* settings_button_ = nullptr;
    QToolButton* crop_button_ = nullptr;
    QToolButton* crop_size_button_ = nullptr;
    QToolButton* save_size_button_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    QLabel* cropping_label_ = nullptr;
    QLabel* saving_label_ = nullptr;
};

} // namespace fw
