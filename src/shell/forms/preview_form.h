#pragma once

#include <functional>
#include <memory>

#include <QStringList>
#include <QTimer>

class QComboBox;
class QGroupBox;
class QImage;
class QLabel;
class QPainter;
class QRect;
class QSlider;
class QToolButton;

#include "shell/forms/child_form.h"

namespace fw {

class TDisplayForm;
struct DisplayOwnerHooks;

// A processing track bar of the previews: 0 to the track maximum in steps of 1, ticks at quarters.
QSlider* MakeProcessingTrackBar(QWidget* parent, const char* name);

// The track bars of a preview under the red "Settings Locked" panel, which shows while the
// settings are locked; `double_click_watcher` gets the panel's events. Returns the host of both.
QWidget* StackUnderLockedPanel(QWidget* group, QWidget* bars, QObject* double_click_watcher, QLabel*& panel);

// The "Image Processing Settings" group of a preview: a caption and a track bar a row, made by
// `make_bar` for each row, under the "Settings Locked" panel (its double-clicks go to `owner`).
// The preview adds its other processing controls below them to the group's vertical layout.
QGroupBox* MakeProcessingGroup(QWidget* owner, const QStringList& captions,
    const std::function<QSlider*(int row)>& make_bar, QLabel*& locked_panel);

// The sharpening filter choice ("FilterCB") and the button that shows the filter mask in place
// of the picture ("FilterBtn").
QComboBox* MakeFilterBox(QWidget* parent);
QToolButton* MakeFilterMaskButton(QWidget* parent);

// The base of the preview windows: a window of controls beside a clip window that shows the
// previewed frame and saves the source. The preview owns the clip window; the clip window owns
// the source. Previews pick their frame on an idle timer and keep their settings when closed.
class TPreviewForm : public TChildForm {
    Q_OBJECT
public:
    ~TPreviewForm() override;

    TDisplayForm* Display() const { return display_; }
    // Shows the previewed frame when it changed since it was last shown.
    virtual void IdleTick() = 0;

    // While the clip window saves, closing asks whether to cancel the save and stays open.
    bool CanClose() override;
    bool Poll(bool& range_stale, bool& closing) override;
    bool IsSaving() const override;
    void ChooseCompression() override;
    void EditDescriptors() override;

protected:
    TPreviewForm(const ChildContext& context, QString file_name, QString title, QWidget* parent);

    // The clip window over `source`, painted and told of saves through `hooks`.
    void MakeDisplay(std::unique_ptr<TAVISTREAM> source, const DisplayOwnerHooks& hooks);
    // Shows the window (below the main window unless it has a stored place) with its clip window
    // beside it, registers with the main window and starts the idle timer.
    void ShowWithDisplay();
    // After a save that succeeded: the saved clip opens, frame files that were saved are offered
    // for deletion, and the window closes.
    void SaveSucceeded(bool clip_file, const QString& final_name, bool offer_source);
    virtual void WriteSettings() = 0;
    void closeEvent(QCloseEvent* event) override;
    // The previewed picture scaled into the clip window's picture area, pixel for pixel: the
    // user judges the pixels as they are. Nothing while there is no picture.
    static void DrawPicture(QPainter& painter, const QRect& picture, const QImage& image);

    TDisplayForm* display_ = nullptr;
    bool saving_ = false;

private:
    QTimer idle_timer_;
};

} // namespace fw
