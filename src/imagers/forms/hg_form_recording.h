#pragma once

#include "imagers/forms/hg_form_page.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace fw {

// "Recording": rate, exposure, auto exposure, split frames, frame sync, session and trigger.
class THGRecordingPage : public THGSetupPage {
    Q_OBJECT
public:
    THGRecordingPage(THGSetupSession& session, QWidget* parent);

    void Enter() override;
    void StateChanged(int state) override;
    void FrameListsChanged(const QStringList& frames) override;

    // Handlers, named after their controls.
    void RateChange();
    void NormalTrackChange();
    void LowLightTrackChange();
    // The tracks are written when left.
    void NormalTrackExit();
    void LowLightTrackExit();
    void AutoExposureBtnClick();
    void SplitClick();
    void FrameSyncClick();
    void SessionExit();
    void DelayChange();
    void PreFramesExit();
    void PostFramesExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* BuildRate();
    QGroupBox* BuildExposure();
    QGroupBox* BuildSession();
    QGroupBox* BuildTrigger();
    void EnableForModel();
    void SetNormalLimits();
    void ShowRate(int32_t rate);
    void ShowNormalExposure(int32_t value_us);
    void ShowLowLightExposure(int32_t value_us);
    void ShowTriggerFrames();
    void WriteTriggerFrames(int command, QSpinBox* frames);

    QComboBox* rate_list_ = nullptr;
    QSlider* normal_track_ = nullptr;
    QLabel* normal_label_ = nullptr;
    QSlider* low_light_track_ = nullptr;
    QLabel* low_light_label_ = nullptr;
    QPushButton* auto_exposure_button_ = nullptr;
    QSpinBox* target_number_ = nullptr;
    QCheckBox* split_check_ = nullptr;
    QCheckBox* frame_sync_check_ = nullptr;
    QSpinBox* session_number_ = nullptr;
    QLineEdit* length_edit_ = nullptr;
    QComboBox* delay_list_ = nullptr;
    QSpinBox* pre_frames_ = nullptr;
    QSpinBox* post_frames_ = nullptr;
    int shown_pre_frames_ = 0;
    int shown_post_frames_ = 0;
};

} // namespace fw
