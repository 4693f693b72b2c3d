#pragma once

#include <QPointF>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace fw {

class TMotionDataBase;

// The Reference page of Quick Measure: what coordinates are measured from, a fixed image point
// clicked on the clip window or a point of another object, and the base added to them.
class QMReferencePage : public QWidget {
    Q_OBJECT
public:
    QMReferencePage(TMotionDataBase& db, QWidget* parent = nullptr);

    // What the user is told on this page.
    QString PromptText() const;
    // Sets the fixed point while that is the reference.
    void Click(QPointF image_point);
    // Offers the objects there are now, keeping the chosen one while it exists.
    void RefillObjectChoice();
    // The database went back to the fixed point (its reference object was deleted).
    void FallBackToImagePoint();
    // The base, converted to a new length unit, and that unit's name.
    void ShowBase(const QString& unit);

signals:
    // The referencing changed; the prompt comes first, then the sheet needs refreshing.
    void ReferenceChanged();
    void FixedPointSet();

private:
    void ApplyReference();

    TMotionDataBase& db_;
    // Set while the controls are being filled, so that their signals change nothing.
    bool filling_ = false;
    QRadioButton* image_point_ = nullptr;
    QComboBox* reference_object_ = nullptr;
    QSpinBox* reference_point_ = nullptr;
    QLabel* image_point_label_ = nullptr;
    QCheckBox* reference_base_ = nullptr;
    QLineEdit* base_x_ = nullptr;
    QLineEdit* base_y_ = nullptr;
    QLabel* offset_units_ = nullptr;
};

} // namespace fw
