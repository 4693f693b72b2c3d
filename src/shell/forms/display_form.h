#pragma once

#include <memory>

#include "shell/forms/child_form.h"

class QAction;
class QLabel;
class QMenu;
class QSlider;

namespace fw {

class FrameView;

// A clip window: the current frame scaled into the picture area, a legend with frame number,
// time and reticle position, and a frame bar. Stand-alone windows open their clip file here
// and take part in the master timing; windows over another source are driven by their owner.
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
    // Windows owned by a preview measure and graph through their owner.
    void EnableQuickMeasure(bool enable) override;
    void EnableSignalGraph(bool enable) override;
    bool IsTimedClipWindow() const override { return stand_alone_; }

    int32_t FrameCount() const { return frame_count_; }
    int FrameWidth() const { return frame_width_; }
    int FrameHeight() const { return frame_height_; }
    float HorizontalScale() const { return horizontal_scale_; }
    float VerticalScale() const { return vertical_scale_; }
    // Re-lays out the window after a size or view change.
    void LayoutWindow();
    // Toggles or picks a view item of the pop-up menu, as the user would.
    void SetViewOption(ViewOption item, bool on);

    // The hint of the clip window when it cannot be opened: the compressor's table entry, or its
    // four-character code when the table does not know it.
    static QString DriverHint(uint32_t compressor);
    static QString OpenFailureMessage(
        const QString& path, bool info_readable, uint32_t compressor, const QString& failure);

protected:
    void TimeBaseUpdated() override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenClip();
    void ReadDescriptors();
    void WriteDescriptors();
    bool ShowFrame(int32_t index);
    void ShowCounters();
    void ShowReticle(int mouse_x, int mouse_y);
    void BuildWidgets();
    void BuildMenu();
    void UpdateMenu();
    void UpdateLegendVisibility();
    int ExtraHeight() const;
    int LegendWidth() const;
    void PlaceChildren(int width, int height);
    void FrameBarMoved(int position);
    bool MoveReticleByKey(QKeyEvent* event);

    bool stand_alone_ = false;
    bool frames_open_ = false;
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

    FrameView* paint_box_ = nullptr;
    QWidget* legend_ = nullptr;
    QLabel* frame_panel_ = nullptr;
    QLabel* reticle_panel_ = nullptr;
    QWidget* time_panel_ = nullptr;
    QLabel* time_value_ = nullptr;
    QLabel* time_unit_ = nullptr;
    QWidget* controls_ = nullptr;
    QSlider* frame_bar_ = nullptr;
    QMenu* popup_menu_ = nullptr;
    QAction* size_items_[4] = {};
    QAction* frame_counter_item_ = nullptr;
    QAction* time_counter_item_ = nullptr;
    QAction* reticle_item_ = nullptr;
    QAction* aspect_item_ = nullptr;
    QAction* copy_frame_item_ = nullptr;
};

} // namespace fw
