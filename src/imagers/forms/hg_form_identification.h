#pragma once

#include "imagers/forms/hg_form_page.h"

class QLabel;
class QLineEdit;

namespace fw {

// "Identification": what the imager is, and its addressing on both interfaces.
class THGIdentificationPage : public THGSetupPage {
    Q_OBJECT
public:
    THGIdentificationPage(THGSetupSession& session, QWidget* parent);

    void Enter() override;

    // Handlers, named after their controls.
    void ImagerNumberExit();
    void BaudRateChange();
    void IPAddressExit();
    void SubnetMaskExit();
    void AdvancedBtnClick();

private:
    void ShowIdentifier();
    void ShowBaudRate();

    QLabel* type_label_ = nullptr;
    QLabel* firmware_label_ = nullptr;
    QSpinBox* number_edit_ = nullptr;
    QComboBox* baud_list_ = nullptr;
    QLineEdit* ip_edit_ = nullptr;
    QLineEdit* mask_edit_ = nullptr;
    QString shown_ip_;
    QString shown_mask_;
};

} // namespace fw
