#pragma once

namespace fw {

class TObjDef;
class TSampleObject;

// A point in object coordinates: scaled to display units and referenced.
struct ObjectPoint {
    double x = 0.0;
    double y = 0.0;
};

// The origin of object coordinates: a fixed image point (the hidden "Ref" sample) or a point
// of another object on the same frame, plus an optional base offset in display units.
class TReferencer {
public:
    static constexpr int kMaxReferencePoint = 9;

    TSampleObject* ReferenceSample() const { return reference_sample_; }
    void SetReferenceSample(TSampleObject* sample) { reference_sample_ = sample; }

    bool Moving() const { return moving_; }
    TObjDef* ReferenceObject() const { return reference_object_; }
    // 1-based point of the reference object.
    int ReferencePoint() const { return reference_point_; }
    // Moves with an object's point (number clamped to 1..9), or, with nullptr, stays on the
    // fixed image point.
    void SetMoving(TObjDef* reference_object, int reference_point = 1);
    void SetFixed() { SetMoving(nullptr); }

    bool UseBase() const { return use_base_; }
    double BaseX() const { return base_x_; }
    double BaseY() const { return base_y_; }
    void SetBase(bool use_base, double base_x, double base_y);

    // Object coordinates of point `index` of a sample. Fails when the point is not set, or
    // when a moving reference has no sample (or no such point) on the sample's frame.
    ObjectPoint ObjectCoordinates(const TSampleObject& sample, int index) const;

private:
    ObjectPoint ScaledPoint(const TSampleObject& sample, int index) const;

    TSampleObject* reference_sample_ = nullptr;
    bool moving_ = false;
    TObjDef* reference_object_ = nullptr;
    int reference_point_ = 1;
    bool use_base_ = false;
    double base_x_ = 0.0;
    double base_y_ = 0.0;
};

} // namespace fw
