#pragma once

#include <QWidget>

#include "measure/obj_def.h"

class QLabel;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace fw {

class FilterChooser;
class TMotionDataBase;

// The Objects page of Quick Measure: the measurement objects as a tree, made, renamed,
// deleted and cleared here, with the colour and marker they are drawn in.
class QMObjectsPage : public QWidget {
    Q_OBJECT
public:
    QMObjectsPage(TMotionDataBase& db, QWidget* parent = nullptr);

    // Shows the selected object's colour, marker and filter, with what the filter says about its
    // samples now.
    void ShowObjectProperties();

signals:
    // An object was made or renamed.
    void ObjectsChanged();
    // An object went; when it was the moving reference, the database is back at the fixed point.
    void ObjectDeleted(bool was_reference);
    void SamplesCleared();
    // Colour or marker of an object changed.
    void LooksChanged();
    // An object's filter changed, and with it its velocities and accelerations.
    void FilterChanged();

private:
    TObjDef* SelectedObject() const;
    void NewObject(SampleClass sample_class);
    void ObjectRenamed(QTreeWidgetItem* item);
    void DeleteSelectedObject();
    void ClearSelectedObject();
    void ObjectPropertyChanged();
    void ObjectFilterChanged();
    void RefillObjectTree(const TObjDef* select);
    QWidget* BuildProperties();

    TMotionDataBase& db_;
    // Set while the controls are being filled, so that their signals change nothing.
    bool filling_ = false;
    QTreeWidget* tree_ = nullptr;
    QLabel* colour_swatch_ = nullptr;
    QSpinBox* colour_spin_ = nullptr;
    QLabel* marker_preview_ = nullptr;
    QSpinBox* marker_spin_ = nullptr;
    FilterChooser* filter_ = nullptr;
    QLabel* filter_status_ = nullptr;
};

} // namespace fw
