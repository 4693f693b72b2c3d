#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QColor>
#include <QPoint>
#include <QRect>

#include "shell/clip_save_state.h"
#include "shell/forms/child_form.h"
#include "shell/forms/measurement_link.h"
#include "shell/player_state.h"
#include "shell/pointer_snap.h"

class QAction;
class QLabel;
class QMenu;
class QPainter;

namespace fw {

class FrameView;
class SavePanel;
class TCropShape;
class TFWMediaPlayer;
class TimeBarSlider;

// What a window that owns a clip window (a preview) may hook into it. Every hook is optional.
struct DisplayOwnerHooks {
    std::function<void(NotifyResult)> player_notified;
    std::function<void(const QRect& picture)> layout_changed;
    // Draws the owner's own frame into the picture area instead of the clip's.
    std::function<void(QPainter& painter, const QRect& picture)> paint;
    std::function<void(int percent)> save_progress;
    std::function<void(bool success, bool clip_file, const QString& final_name)> save_finished;
    std::function<void(float time_ms)> time_changed;
    // Double-click on the picture and "Color Transform..." in the pop-up menu.
    std::function<void()> color_transform;
};

// A clip window: the current frame scaled into the picture area, a legend with frame number,
// time and reticle position, a frame bar and a player bar, a crop rectangle and the save panel.
// Stand-alone windows open their clip file here, play it on their own player and take part in
// the master timing; windows over another source are driven and painted by their owner.
class TDisplayForm : public TChildForm {
    Q_OBJECT
public:
    // Opens the clip when the stream is a plain clip stream; throws fw::Error naming the file,
    // and the driver it needs when that can be told, when the clip cannot be shown.
    TDisplayForm(const ChildContext& context, std::unique_ptr<TAVISTREAM> stream, QString file_name,
        QString title, QWidget* parent = nullptr);
    ~TDisplayForm() override;

    int32_t CurrentIndex() override;
    void Seek(int32_t index) override;
    float EndTime() override;
    int32_t LastIndex() override;
    bool Redraw() override;
    bool Poll(bool& range_stale, bool& closing) override;
    bool CanClose() override;
    bool IsSaving() const override { return save_state_.Saving(); }
    // Windows owned by a preview measure and graph through their owner.
    void EnableQuickMeasure(bool enable) override;
    void EnableSignalGraph(bool enable) override;
    bool IsTimedClipWindow() const override { return stand_alone_; }

    int32_t FrameCount() const { return frame_count_; }
    int FrameWidth() const { return frame_width_; }
    int FrameHeight() const { return frame_height_; }
    float HorizontalScale() const { return horizontal_scale_; }
    float VerticalScale() const { return vertical_scale_; }
    float ReticleX() const { return reticle_x_; }
    float ReticleY() const { return reticle_y_; }
    QRect PictureRect() const;
    bool PlayerOpen() const { return player_open_; }
    TFWMediaPlayer* MediaPlayer() const { return player_; }
    TCropShape* Cropper() const { return cropper_; }

    // Re-lays out the window after a size or view change.
    void LayoutWindow();
    // Toggles or picks a view item of the pop-up menu, as the user would.
    void SetViewOption(ViewOption item, bool on);
    // Playback speed per 1000 of normal (125 .. 8000), kept in the high 16 option bits.
    int PlaybackSpeed() const { return int(options_ >> 16); }
    void SetPlaybackSpeed(int speed);
    // The play loop from the frame bar's selection, as the pop-up menu items set it.
    void SetPlayLoopStart();
    void SetPlayLoopEnd();
    void SetFullPlayLoop();
    // The window's client area above the controls, with a reticle cross at the given picture
    // point when the reticle shows; also put on the clipboard by CopyImageAndDataBorder.
    QImage ImageAndDataBorder(const QPoint& picture_point);
    void CopyImageAndDataBorder();
    QColor CropColor() const { return crop_color_; }
    void SetCropColor(const QColor& color);

    // Owners (preview windows) set the frame size and draw through their paint hook.
    void SetHooks(const DisplayOwnerHooks& hooks);
    void SetFrameSize(int width, int height);
    // The owner's frames: how many there are, the block describing them, and a repaint of the
    // picture after the owner changed it.
    void SetOwnerFrameCount(int32_t count);
    void SetDescriptorBlock(const std::string& block);
    void RefreshPicture();
    // Hands the clip to an import preview and closes; the preview saves it anew.
    void SaveAs() override;
    // The Quick Measure window of this clip: made once, shown again later.
    void OpenQuickMeasure() override;
    MeasurementWindow* Measurement() const { return measurement_; }
    SettingsStore* Settings() const { return context_.settings; }

    // A window whose picture belongs to a preview: closing it closes the preview.
    void SetOwnerChild(TChildForm* owner) { owner_child_ = owner; }
    TChildForm* OwnerChild() const override { return owner_child_; }

    // Where a save goes: a clip type or frame-file directory type of the stream, and a name.
    struct SaveChoice {
        int type = 0;
        QString file_name;
    };
    // Asks for the save target (parent, caption, filters, filter index, file name); the program
    // uses a file dialog, tests install their own answers.
    using SaveTargetChooser = std::function<std::optional<SaveChoice>(
        QWidget*, const QString&, const QStringList&, int, const QString&)>;
    static void SetSaveTargetChooser(SaveTargetChooser chooser);
    // Asks where to save, then saves the stream there with the save panel showing; the owner
    // hears of the end through its save-finished hook.
    // `proposed_name` (no folder) replaces the name last saved to, in the same folder.
    void SaveThroughWindow(const QString& caption, const QString& proposed_name = {});

    // The save panel side of a save: the save itself runs in the stream. BeginSave returns the
    // name to write to: the target itself, since the clip writer replaces a clip only when the
    // new one is complete.
    QString BeginSave(const QString& type_caption, const QString& target, bool clip_file);
    // One progress report from the save; returns 0 to go on or the user-abort code.
    int32_t ReportSaveProgress(int percent);
    // The save ended with the given code (0 for success) and the reason the saver gave.
    void FinishSave(int32_t code, const QString& reason = {});
    void RequestSaveCancel();

    // The hint of the clip window when it cannot be opened: the compressor's table entry, or its
    // four-character code when the table does not know it.
    static QString DriverHint(uint32_t compressor);
    static QString OpenFailureMessage(
        const QString& path, bool info_readable, uint32_t compressor, const QString& failure);

signals:
    // The picture was painted with the frame of this index (used to time the picture path).
    void framePainted(int32_t index);
    // A save through this window ended (successfully or not).
    void saveEnded();

protected:
    void TimeBaseUpdated() override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Opening and frames.
    void OpenClip();
    void OpenPlayer();
    void ReadDescriptors();
    void WriteDescriptors();
    bool ShowFrame(int32_t index);
    void ShowCounters();
    void ShowReticle(int mouse_x, int mouse_y, bool snap = true);
    // Offers the reticle point to the measurement window and follows its snapping.
    void SnapReticle();
    bool MeasurementShown() const;
    // Samples not yet exported: asks whether to export them, drop them or keep the window.
    bool MeasurementMayClose();
    void FrameBarMoved(int position);
    void PlayerPositionChanged(int frame);
    void PlayerButtonPressed(TMPBtnType button);
    // A click at a point of the picture area; Enter clicks where the reticle is.
    void PictureClickedAt(QPoint at);
    void PictureClicked();
    bool MoveReticleByKey(QKeyEvent* event);
    bool StepByKey(QKeyEvent* event);
    void WaitForSaveEnd();

    // Widgets and menu.
    void BuildWidgets();
    void BuildMenu();
    void BuildPlaybackItems();
    void BuildCopyItems();
    void UpdateMenu();
    void UpdateHint();
    void ChooseCropColor();

    // Layout.
    void UpdateLegendVisibility();
    int ExtraHeight() const;
    int LegendWidth() const;
    void PlaceChildren(int width, int height);
    void PlaceControls(int width, int top);
    void LimitCropper();

    // Saving.
    void EndSavePanel(const QString& title);
    std::optional<SaveChoice> ChooseSaveTarget(const QString& caption, const QString& proposed_name);

    bool stand_alone_ = false;
    bool frames_open_ = false;
    bool player_open_ = false;
    bool in_layout_ = false;
    FrameAccess* frame_access_ = nullptr;
    int32_t frame_count_ = 0;
    int frame_width_ = 0;
    int frame_height_ = 0;
    int last_width_ = 0;
    int last_height_ = 0;
    int previous_extra_ = 0;
    float horizontal_scale_ = 1.0f;
    float vertical_scale_ = 1.0f;
    float reticle_x_ = 0.0f;
    float reticle_y_ = 0.0f;
    bool updating_frame_bar_ = false;
    QColor crop_color_ { 0, 255, 0 };
    QPoint menu_point_ { -1, -1 }; // picture point where the pop-up menu was opened
    DisplayOwnerHooks hooks_;
    TChildForm* owner_child_ = nullptr;
    // Measuring: the window, and the pointer snapping armed by a click or an activation.
    MeasurementWindow* measurement_ = nullptr;
    PointerSnap snap_;

    ClipSaveState save_state_;

    FrameView* paint_box_ = nullptr;
    TCropShape* cropper_ = nullptr;
    QWidget* legend_ = nullptr;
    QLabel* frame_panel_ = nullptr;
    QLabel* reticle_panel_ = nullptr;
    QWidget* time_panel_ = nullptr;
    QLabel* time_value_ = nullptr;
    QLabel* time_unit_ = nullptr;
    QWidget* controls_ = nullptr;
    TimeBarSlider* frame_bar_ = nullptr;
    TFWMediaPlayer* player_ = nullptr;
    SavePanel* save_panel_ = nullptr;

    QMenu* popup_menu_ = nullptr;
    QAction* size_items_[4] = {};
    QAction* frame_counter_item_ = nullptr;
    QAction* time_counter_item_ = nullptr;
    QAction* reticle_item_ = nullptr;
    QAction* video_controls_item_ = nullptr;
    QAction* aspect_item_ = nullptr;
    QMenu* speed_menu_ = nullptr;
    QAction* loop_items_[3] = {};
    QAction* copy_frame_item_ = nullptr;
    QAction* copy_border_item_ = nullptr;
    QAction* color_transform_item_ = nullptr;
    QAction* quick_measure_item_ = nullptr;
    QAction* signal_graph_item_ = nullptr;
};

} // namespace fw
