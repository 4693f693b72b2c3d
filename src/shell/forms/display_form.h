#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>

#include "shell/clip_window_layout.h"
#include "shell/forms/child_form.h"
#include "shell/forms/measurement_link.h"
#include "shell/player_state.h"

class QPainter;

namespace fw {

class DisplayControls;
class DisplayLegend;
class DisplayMeasuring;
class DisplayMenu;
class DisplaySaver;
class FrameView;
class TCropShape;

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
// The pop-up menu, the controls, the legend, saving and measuring are parts of their own; the
// layout arithmetic lives in ClipWindowLayout.
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
    bool IsSaving() const override;
    // Windows owned by a preview measure and graph through their owner.
    void EnableQuickMeasure(bool enable) override;
    void EnableSignalGraph(bool enable) override;
    bool IsTimedClipWindow() const override { return stand_alone_; }
    // Hands the clip to an import preview and closes; the preview saves it anew.
    void SaveAs() override;
    // The Quick Measure window of this clip: made once, shown again later.
    void OpenQuickMeasure() override;
    TChildForm* OwnerChild() const override { return owner_child_; }

    // Frame size, picture area and picture scale as the last layout left them.
    const ClipWindowLayout& Layout() const { return layout_; }
    // The reticle in frame pixels from the bottom left of the picture.
    QPointF Reticle() const { return reticle_; }
    // The frame bar and the player bar.
    DisplayControls* Controls() const { return controls_; }
    TCropShape* Cropper() const { return cropper_; }
    MeasurementWindow* Measurement() const;
    SettingsStore* Settings() const { return context_.settings; }
    DisplaySaver& Saver() const { return *saver_; }

    // Re-lays out the window after a size or view change.
    void LayoutWindow();
    // Toggles or picks a view item of the pop-up menu, as the user would.
    void SetViewOption(ViewOption item, bool on);
    // Playback speed per 1000 of normal (125 .. 8000), kept in the high 16 option bits.
    int PlaybackSpeed() const { return int(options_ >> 16); }
    void SetPlaybackSpeed(int speed);
    // The window's client area above the controls, with a reticle cross at the given picture
    // point when the reticle shows; also put on the clipboard by CopyImageAndDataBorder.
    QImage ImageAndDataBorder(const QPoint& picture_point);
    void CopyImageAndDataBorder();
    QColor CropColor() const { return crop_color_; }
    void SetCropColor(const QColor& color);

    // Owners (preview windows) set the frame size and draw through their paint hook.
    void SetHooks(const DisplayOwnerHooks& hooks);
    void SetFrameSize(int width, int height);
    // The owner's frames: how many there are and the block describing them.
    void SetOwnerFrames(int32_t count, const std::string& block);
    // Repaints the picture after the owner, or the measurement window, changed what it shows.
    void RefreshPicture();
    // A window whose picture belongs to a preview: closing it closes the preview.
    void SetOwnerChild(TChildForm* owner) { owner_child_ = owner; }

signals:
    // The picture was painted with the frame of this index (used to time the picture path).
    void framePainted(int32_t index);

protected:
    void TimeBaseUpdated() override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWidgets();
    void OpenClip();
    void OpenPlayer();
    bool ShowFrame(int32_t index);
    void ShowReticle(int mouse_x, int mouse_y, bool snap = true);
    void PictureClicked();
    bool MoveReticleByKey(QKeyEvent* event);
    void UpdateMenu();
    void PlaceChildren(const ClipWindowRects& at);

    bool stand_alone_ = false;
    bool frames_open_ = false;
    bool player_open_ = false;
    bool in_layout_ = false;
    FrameAccess* frame_access_ = nullptr;
    int32_t frame_count_ = 0;
    ClipWindowLayout layout_;
    QPointF reticle_;
    QColor crop_color_ { 0, 255, 0 };
    DisplayOwnerHooks hooks_;
    TChildForm* owner_child_ = nullptr;

    FrameView* paint_box_ = nullptr;
    TCropShape* cropper_ = nullptr;
    DisplayLegend* legend_ = nullptr;
    DisplayControls* controls_ = nullptr;
    DisplaySaver* saver_ = nullptr;
    DisplayMenu* menu_ = nullptr;
    std::unique_ptr<DisplayMeasuring> measuring_;
};

} // namespace fw
