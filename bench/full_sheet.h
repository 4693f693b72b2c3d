#pragma once

// The full measurement sheet both Quick Measure benchmarks time a click on: 10 objects (points,
// lines and angles) sampled on every one of 5000 frames, with every quantity shown.
#include <cmath>
#include <cstdint>
#include <vector>

#include "measure/motion_data_base.h"

namespace fw::bench {

constexpr int32_t kSheetFrames = 5000;
constexpr int kSheetObjects = 10;

inline SampleClass SheetObjectClass(int object)
{
    if (object < 4)
        return SampleClass::Point;
    return object < 7 ? SampleClass::Line : SampleClass::Angle;
}

// Where point `point` of an object lies on a frame: smooth paths, different for every object.
inline ImagePoint SheetPointAt(int object, int point, int32_t frame)
{
    const double t = frame * 0.002;
    return { float(100 + 40 * object + 10 * point + 30 * std::cos(t + point)),
        float(200 + 5 * point + 30 * std::sin(t * (1 + object))) };
}

// Shows every quantity, adds the objects and samples them on every frame.
inline std::vector<TObjDef*> FillFullSheet(TMotionDataBase& db)
{
    db.ApplyDefaultVisible(kAllKindsSet);
    std::vector<TObjDef*> objects;
    for (int i = 0; i < kSheetObjects; ++i)
        objects.push_back(&db.NewObject(SheetObjectClass(i)));
    for (int32_t frame = 0; frame < kSheetFrames; ++frame)
        for (int i = 0; i < kSheetObjects; ++i)
            for (int p = 0; p < objects[size_t(i)]->PointCount(); ++p)
                db.SetSamplePoint(frame, *objects[size_t(i)], p, SheetPointAt(i, p, frame));
    return objects;
}

} // namespace fw::bench
