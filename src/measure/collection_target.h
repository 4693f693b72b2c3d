#pragma once

#include <QString>

#include <cstdint>
#include <optional>

#include "measure/frame_object.h"

namespace fw {

class TMotionDataBase;
class TObjDef;

// Which object and point the next click on the clip window fills, on which frame, and where
// collecting goes after each click: through the points of an object, then through the objects
// in creation order, then back to the first. Objects count from 1 (the hidden "Ref" left out).
class CollectionTarget {
public:
    int Object() const { return object_; }
    int Point() const { return point_; }
    int32_t Frame() const { return frame_; }

    // Back to the first object's first point.
    void Restart();
    // Another frame starts again with the first object; the same frame keeps the target.
    void MoveToFrame(int32_t frame);
    // Aims at an object (1-based) and one of its points.
    void Aim(int object, int point)
    {
        object_ = object;
        point_ = point;
    }
    // Aims at the object and point of a sheet column; false for "Time" and columns without an
    // object, which leave the target alone.
    bool Choose(const TMotionDataBase& db, int grid_column);

    // Stores a click for the target on a frame and moves the target on. After the last object
    // the collection goes `step_frames` on, kept within the clip (0 stays). Returns the frame
    // to collect on next. Fails without objects or outside the clip, storing nothing.
    int32_t Collect(TMotionDataBase& db, int32_t frame, ImagePoint point, int step_frames);

    // The target object; nullptr when it is no longer there.
    TObjDef* Def(const TMotionDataBase& db) const;
    // The sheet column showing the target point, -1 when none is shown.
    int GridColumn(const TMotionDataBase& db) const;
    // What the user is told to click next; empty without a target object.
    QString PromptText(const TMotionDataBase& db) const;
    // Where the cursor mode expects the target point on the target frame.
    std::optional<ImagePoint> Prediction(const TMotionDataBase& db) const;

private:
    int object_ = 1;
    int point_ = 0;
    int32_t frame_ = 0;
};

} // namespace fw
