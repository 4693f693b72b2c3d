#pragma once

#include "imagers/forms/hg_form_page.h"

class QGroupBox;

namespace fw {

// "Controls": drives the imager (live, ready, record, play, stop, erase), positions playback
// and sets the rear panel's one-button recording. New models only.
class THGControlsPage : public THGSetupPage {
    Q_OBJECT
public:
    THGControlsPage(THGSetupSession& session, QWidget* parent);

    void Enter() override;
    void Leave() override;
    void StateChanged(int state) override;
    void FrameListsChanged(const QStringList& frames) override;

    // Handlers, named after their controls.
    void CommandBtnClick(int command);
    void PlayRateChange();
    void FrameNumberChange();
    void RearPanelChange();
    void PanelDisabledClick();

private:
    QGroupBox* BuildButtons();
    QGroupBox* BuildPlayback();
    QGroupBox* BuildRearPanel();
    void ShowPlayRate();

    QPushButton* stop_button_ = nullptr;
    QPushButton* record_button_ = nullptr;
    QPushButton* live_low_button_ = nullptr;
    QPushButton* live_normal_button_ = nullptr;
    QPushButton* ready_button_ = nullptr;
    QPushButton* play_forward_button_ = nullptr;
    QPushButton* play_reverse_button_ = nullptr;
    QComboBox* play_rate_list_ = nullptr;
    QComboBox* frame_list_ = nullptr;
    QComboBox* one_button_list_ = nullptr;
    QCheckBox* auto_exposure_check_ = nullptr;
    QCheckBox* panel_disabled_check_ = nullptr;
    int32_t saved_auto_save_ = 0;
};

} // namespace fw
