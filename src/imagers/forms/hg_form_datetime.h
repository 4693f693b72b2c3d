#pragma once

#include "imagers/forms/hg_form_page.h"

class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace fw {

struct HGIrigTime;

// "Date/Time": the IRIG time stamped on the trigger, and the imager's clock beside the
// computer's, refreshed every second while the page is shown.
class THGDateTimePage : public THGSetupPage {
    Q_OBJECT
public:
    THGDateTimePage(THGSetupSession& session, QWidget* parent);

    void Enter() override;
    void Leave() override;

    // One second of the page's timer.
    void Tick();
    int Ticks() const { return ticks_; }

    // Handlers, named after their controls.
    void SetIrigBtnClick();
    void IrigNowBtnClick();
    void ImagerDateExit();
    void ImagerTimeExit();
    void ClockNowBtnClick();

private:
    QGroupBox* BuildIrig();
    QGroupBox* BuildClock();
    void ShowIrig(const HGIrigTime& time);
    HGIrigTime ShownIrig() const;
    void WriteIrig(const HGIrigTime& time);
    void ShowClocks();

    QTimer* timer_ = nullptr;
    int ticks_ = 0;
    QGroupBox* irig_group_ = nullptr;
    QSpinBox* irig_day_ = nullptr;
    QSpinBox* irig_hours_ = nullptr;
    QSpinBox* irig_minutes_ = nullptr;
    QSpinBox* irig_seconds_ = nullptr;
    QDoubleSpinBox* irig_ms_ = nullptr;
    QLabel* pc_date_label_ = nullptr;
    QLabel* pc_time_label_ = nullptr;
    QLineEdit* imager_date_edit_ = nullptr;
    QLineEdit* imager_time_edit_ = nullptr;
};

} // namespace fw
