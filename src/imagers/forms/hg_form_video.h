#pragma once

#include <cstdint>
#include <vector>

#include "imagers/forms/hg_form_page.h"

class QLabel;

namespace fw {

class THGSnapshotView;

// "Video": colour balance with snapshots, the white patch, and the junction box's video output.
// New models only.
class THGVideoPage : public THGSetupPage {
    Q_OBJECT
public:
    THGVideoPage(THGSetupSession& session, QWidget* parent);

    void Enter() override;
    void Leave() override;

    // Handlers, named after their controls.
    void ColorBalanceChange();
    void SnapShotBtnClick();
    void PictureClick(QPoint pixel);
    void VideoModeChange();
    void VideoOutClick();

    bool SnapshotRecorded() const { return snapshot_recorded_; }

private:
    // Preconditions, the recording question, then one snapshot; `white_balance` is written
    // first when given.
    void Snapshot(int white_balance);
    void TakeSnapshot();
    void ShowWhitePatchHint();

    QComboBox* balance_list_ = nullptr;
    QLabel* patch_label_ = nullptr;
    THGSnapshotView* picture_ = nullptr;
    QComboBox* video_mode_list_ = nullptr;
    QCheckBox* video_out_check_ = nullptr;
    std::vector<uint8_t> frame_;
    bool snapshot_recorded_ = false;
};

} // namespace fw
