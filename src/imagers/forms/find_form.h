#pragma once

#include <QDialog>

#include "imagers/imager_find.h"

class QComboBox;

namespace fw {

class TImagerList;

// "Find Imagers": the kind and interface to search, and the rate of a serial line. Finding
// selects the entries of the imagers that answered, adding the new ones, and closes the window;
// a find that was stopped before it searched leaves it open.
class TFindForm : public QDialog {
    Q_OBJECT
public:
    TFindForm(TImagerList& list, TImagerSearch search, QWidget* parent = nullptr);
    // Runs when the imagers found are in the list, before the result is told.
    void SetFoundListed(std::function<void()> found_listed) { found_listed_ = std::move(found_listed); }

    TFindRequest Request() const;
    void FindNowBtnClick();

private:
    void TypeComboChange();

    TImagerList& list_;
    TImagerSearch search_;
    QComboBox* type_combo_ = nullptr;
    QComboBox* interface_combo_ = nullptr;
    QComboBox* baud_combo_ = nullptr;
    std::function<void()> found_listed_;
};

} // namespace fw
