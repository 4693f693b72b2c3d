#pragma once

#include <cstdint>

#include <QMenu>
#include <QPoint>

#include "shell/view_options.h"

namespace fw {

class TDisplayForm;

// What the pop-up menu of a clip window shows checked, visible and enabled.
struct DisplayMenuState {
    uint32_t options = 0; // view bits, playback speed in the high 16 bits
    bool player_open = false;
    bool can_copy_frame = false;
    bool can_copy_border = false;
    bool color_transform = false; // the owner offers one
    bool quick_measure = false;
    bool measuring = false; // the reticle is in use and stays on
    bool signal_graph = false;
};

// The pop-up menu of a clip window: size and view items, playback speed and loop, copying,
// the crop colour, the colour transform, Quick Measure and the signal graph. Its items run the
// window's own operations; the copy items' shortcuts work in the whole window.
class DisplayMenu : public QMenu {
    Q_OBJECT
public:
    explicit DisplayMenu(TDisplayForm& display);

    void Update(const DisplayMenuState& state);
    // Runs the menu at a screen point that lies over `picture_point` of the picture.
    void Popup(QPoint global_point, QPoint picture_point);
    // The picture point the running menu was opened over; (-1, -1) when none runs.
    QPoint OpenedAt() const { return opened_at_; }

signals:
    void colorTransformChosen();

private:
    QAction* AddViewItem(const char* name, const QString& caption, ViewOption option);
    void AddPlaybackItems();
    void AddCopyItems();
    void AddToolItems();
    void ChooseCropColor();

    TDisplayForm& display_;
    QPoint opened_at_ { -1, -1 };
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
