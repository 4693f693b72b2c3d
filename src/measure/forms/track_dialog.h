#pragma once

#include <cstdint>
#include <optional>

#include <QDialog>

#include "measure/point_tracker.h"

class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace fw {

// What the user chose for a track: the frame to track to (before the start frame: backward) and
// the template, search area and minimum confidence.
struct TrackChoice {
    int32_t to_frame = 0;
    TrackSettings settings;
    bool operator==(const TrackChoice&) const = default;
};

// "Track Point": asks how far to follow a point from its start frame, and how. The controls
// are "TrackToFrameSE", "TemplateSE", "SearchSE" and "MinConfidenceSE".
class TTrackDialog : public QDialog {
    Q_OBJECT
public:
    // `what` names the point ("Point2, point 1"); frames run from 0 to `last_frame`.
    TTrackDialog(QWidget* parent, const QString& what, int32_t from_frame, int32_t last_frame,
        const TrackChoice& proposal);

    TrackChoice Choice() const;

private:
    void ShowDirection();
    void KeepSearchAboveTemplate();

    int32_t from_frame_;
    QSpinBox* to_frame_ = nullptr;
    QLabel* direction_ = nullptr;
    QSpinBox* template_ = nullptr;
    QSpinBox* search_ = nullptr;
    QDoubleSpinBox* min_confidence_ = nullptr;
};

} // namespace fw
