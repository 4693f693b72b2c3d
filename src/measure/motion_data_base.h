#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "measure/frame_object.h"
#include "measure/measure_sheet.h"
#include "measure/obj_def.h"
#include "measure/referencer.h"
#include "measure/scaler.h"

namespace fw {

// A point that tracking found on a frame, with the confidence of its match (0 .. 1).
struct TrackedSamplePoint {
    int32_t frame = 0;
    ImagePoint point;
    float confidence = 0.0f;
};

// Everything measured on one clip: the frames with their samples, the object definitions, the
// scaler and the referencer, and the data sheet the columns fill. Every change keeps the sheet
// up to date and recomputes only the rows that depend on it.
class TMotionDataBase {
public:
    // With the hidden "Ref" object and its sample on frame 0 at the image's bottom-left corner.
    TMotionDataBase();
    TMotionDataBase(const TMotionDataBase&) = delete;
    TMotionDataBase& operator=(const TMotionDataBase&) = delete;

    TFrameObjectList& FrameList() { return frames_; }
    const TFrameObjectList& FrameList() const { return frames_; }
    TObjDefList& HeaderList() { return defs_; }
    const TObjDefList& HeaderList() const { return defs_; }
    const TScaler& Scaler() const { return scaler_; }
    const TReferencer& Referencer() const { return referencer_; }
    MeasureSheet& Sheet() { return sheet_; }
    const MeasureSheet& Sheet() const { return sheet_; }
    TObjDef& RefObject() const { return *ref_object_; }

    // Objects the user made, in creation order (the hidden "Ref" left out).
    std::vector<TObjDef*> UserObjects() const;
    // A new object named after its class, with the default visible columns and filter.
    TObjDef& NewObject(SampleClass sample_class);
    // Fails with the user's message when another object has the name already.
    void RenameObject(TObjDef& def, const QString& name);
    // Frees the object and its samples; when it was the reference, referencing falls back to
    // the fixed image point and the user is told. The hidden "Ref" object stays.
    void DeleteObject(TObjDef& def);
    void ClearObject(TObjDef& def);

    // Sets a point of the object's sample on a frame, creating frame record and sample. The point
    // counts as clicked, also where tracking had found it.
    TSampleObject& SetSamplePoint(int32_t frame_number, TObjDef& def, int point_index, ImagePoint point);
    // Sets one point of the object on many frames as tracking found it, then recomputes the
    // object's columns once. Fails, storing nothing, for a point the object does not have.
    void SetTrackedPoints(TObjDef& def, int point_index, const std::vector<TrackedSamplePoint>& points);
    void RemoveSample(int32_t frame_number, TObjDef& def);

    void SetFixedReferencePoint(ImagePoint point);
    ImagePoint FixedReferencePoint() const;
    // Moves with a point (1-based) of another object; nullptr goes back to the fixed point.
    void SetMovingReference(TObjDef* reference_object, int reference_point = 1);
    void SetReferenceBase(bool use_base, double base_x, double base_y);
    // Why objects on a frame have no coordinates: the moving reference's "<name> sample not
    // found"; nothing while the reference is there or fixed.
    std::optional<QString> ReferenceProblem(int32_t frame_number) const;

    bool SetScaleFactor(int gage_units, double factor);
    // Converts the reference base to the new unit as well.
    bool SetDisplayUnits(int units);
    bool SetAngularUnits(int units);
    bool SetAngularVelocityUnits(int units);
    bool SetLinearVelocityUnits(int units);
    bool SetAccelerationUnits(int units);

    void SetTimeBase(double frame0_time_ms, double interval_ms, int decimals);
    void SetLastFrame(int32_t last_frame) { sheet_.SetLastFrame(last_frame); }
    void SetCurrentFrame(int32_t frame_number) { frames_.SetCurrentFrame(frame_number); }
    // The samples to draw on the current frame.
    std::vector<const TSampleObject*> CurrentSamples() const;

    // Makes a set the default and shows exactly its columns on every object.
    void ApplyDefaultVisible(VisibleSet visible);
    void RecomputeAll();

    // Where the display cursor goes for a point of an object on a frame, by the cursor mode:
    // the latest earlier sample's point, or, smart, extrapolated at constant velocity.
    std::optional<ImagePoint> CursorTarget(const TObjDef& def, int point_index, int32_t frame_number) const;

private:
    void SampleChanged(TObjDef& def, int32_t frame_number);
    TObjDef::Setup SetupFor(SampleClass sample_class, const QString& name, VisibleSet visible);

    TFrameObjectList frames_;
    MeasureSheet sheet_;
    TScaler scaler_;
    TReferencer referencer_;
    // Last, so that objects free their samples and columns while frames and sheet still exist.
    TObjDefList defs_;
    TObjDef* ref_object_ = nullptr;
};

} // namespace fw
