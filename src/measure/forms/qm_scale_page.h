#pragma once

#include <QPointF>
#include <QWidget>

#include "measure/scale_calibration.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace fw {

class TDisplayForm;
class TMotionDataBase;

// The Scale page of Quick Measure: a known length, its two ends clicked on the clip window,
// and the factor that follows, kept in the clip's descriptor block.
class QMScalePage : public QWidget {
    Q_OBJECT
public:
    QMScalePage(TDisplayForm& display, TMotionDataBase& db, QWidget* parent = nullptr);

    // A visit starts a new pair of clicks and reads the clip's scale again.
    void Enter();
    void Click(QPointF image_point);
    // Takes the scale the clip's descriptor block keeps, when it has one.
    void LoadScaling();

signals:
    // The database has a new scale factor.
    void ScaleChanged();
    void Prompted(const QString& text);

private:
    void UpdateNewFactor();
    void SetNewFactor();
    void ShowFactor(double factor, int units);

    TDisplayForm& display_;
    TMotionDataBase& db_;
    ScaleCalibration calibration_;
    QLineEdit* gage_length_ = nullptr;
    QComboBox* gage_units_ = nullptr;
    QLineEdit* image_length_ = nullptr;
    QLabel* new_factor_label_ = nullptr;
    QPushButton* set_factor_ = nullptr;
    QLabel* scale_factor_label_ = nullptr;
};

} // namespace fw
