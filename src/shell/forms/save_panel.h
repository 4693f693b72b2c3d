#pragma once

#include <QWidget>

#include <cstdint>

#include "shell/clip_window_layout.h"
#include "shell/save_progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace fw {

// The panel at the bottom of a clip window while it saves: progress, the remaining-time
// estimate and a Cancel button.
class SavePanel : public QWidget {
    Q_OBJECT
public:
    // The fixed height the window's layout reserves.
    static constexpr int kHeight = clip_window_metrics::kSavePanelHeight;

    explicit SavePanel(QWidget* parent = nullptr);

    // Progress 0, no estimate, cancel not requested: ready for a new save.
    void Begin();

    // One progress report of the saver; now_ms from a steady clock. Returns 0 to go on or
    // kAviErrUserAbort once the user asked to cancel.
    std::int32_t Report(int percent, std::int64_t now_ms);

    void RequestCancel() { cancel_requested_ = true; }
    bool CancelRequested() const { return cancel_requested_; }

signals:
    // The Cancel button was pressed; the cancel request is already recorded.
    void cancelClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls();

    QProgressBar* progress_bar_;
    QLabel* time_label_;
    QPushButton* cancel_button_;
    SaveProgress progress_;
    bool cancel_requested_ = false;
};

} // namespace fw
