#pragma once

#include <QString>

#include <array>
#include <memory>
#include <optional>

namespace fw {

class TObjDef;
class TFrameObject;
class TSheetElements;

// A point on the image in pixels: u from the left edge, v upward from the bottom edge, so that
// angles run counter-clockwise as seen on the screen.
struct ImagePoint {
    float u = 0.0f;
    float v = 0.0f;
    bool operator==(const ImagePoint&) const = default;
};

// The sample classes an object definition can have.
enum class SampleClass { Point, HiddenPoint, Line, Angle };

// Direction of b as seen from a, in radians (-π, π]; an upright line (|dx| <= 1e-20) points
// along ±y.
double DirectionAngle(ImagePoint a, ImagePoint b);
// The angle from line A (a1 -> a2) to line B (b1 -> b2), in [0, 2π).
double RelativeAngle(ImagePoint a1, ImagePoint a2, ImagePoint b1, ImagePoint b2);

// What one object holds on one frame. The point index runs over the points of the class.
class TSampleObject {
public:
    TSampleObject(TObjDef* def, TFrameObject* frame)
        : def_(def)
        , frame_(frame)
    {
    }
    virtual ~TSampleObject() = default;
    TSampleObject(const TSampleObject&) = delete;
    TSampleObject& operator=(const TSampleObject&) = delete;

    TObjDef* ObjDef() const { return def_; }
    TFrameObject* Frame() const { return frame_; }

    virtual bool HasPoint(int index) const = 0;
    virtual ImagePoint GetPoint(int index) const = 0;
    virtual void SetPoint(int index, ImagePoint point) = 0;
    virtual int PointCount() const = 0;
    // Classes have a fixed count; asking for more points than that fails.
    virtual void SetPointCount(int count);
    // 0 point, 1 line, 2 angle.
    virtual int KindCode() const = 0;
    virtual QString ClassName() const = 0;
    // Appends the sheet columns of this class for an object.
    virtual void CreateSheetColumns(const QString& name, TSheetElements& columns) const = 0;

    // The absolute angle of line 0 or 1 (radians, [0, 2π)) once that line is complete.
    virtual std::optional<double> LineAngle(int line) const;
    // The relative angle of an angle object once all its points are set.
    virtual std::optional<double> RelAngle() const;
    // The angle an angular displacement follows: a line's absolute angle, an angle object's
    // relative angle.
    virtual std::optional<double> TrackedAngle() const;

    // The tracked angle unwrapped along the object's samples (radians, absolute, not yet
    // relative to the first sample); kept by the object definition.
    double UnwrappedAngle() const { return unwrapped_angle_rad_; }
    void SetUnwrappedAngle(double radians) { unwrapped_angle_rad_ = radians; }

    // How a point came to be: clicked by the user, or found by tracking with the confidence of
    // its match (0 .. 1). Points are clicked until marked tracked.
    std::optional<float> TrackedConfidence(int index) const;
    bool IsTracked(int index) const { return TrackedConfidence(index).has_value(); }
    void MarkTracked(int index, float confidence);
    void MarkClicked(int index);

protected:
    // Fails with "<class> Point Index of <index>" outside 0 .. PointCount() - 1.
    void CheckIndex(int index) const;

private:
    static constexpr int kMostPoints = 4;

    TObjDef* def_;
    TFrameObject* frame_;
    double unwrapped_angle_rad_ = 0.0;
    std::array<std::optional<float>, kMostPoints> tracked_confidence_ {};
};

class TPointObject : public TSampleObject {
public:
    using TSampleObject::TSampleObject;
    bool HasPoint(int index) const override;
    ImagePoint GetPoint(int index) const override;
    void SetPoint(int index, ImagePoint point) override;
    int PointCount() const override { return 1; }
    int KindCode() const override { return 0; }
    QString ClassName() const override { return QStringLiteral("TPointObject"); }
    void CreateSheetColumns(const QString& name, TSheetElements& columns) const override;

private:
    std::optional<ImagePoint> point_;
};

// A point that feeds no sheet column: the fixed reference of the image.
class THiddenPoint : public TPointObject {
public:
    using TPointObject::TPointObject;
    QString ClassName() const override { return QStringLiteral("THiddenPoint"); }
    void CreateSheetColumns(const QString& name, TSheetElements& columns) const override;
};

class TLineObject : public TSampleObject {
public:
    using TSampleObject::TSampleObject;
    bool HasPoint(int index) const override;
    // Fails with "TLineObject coordinate <index> is nil" while that end is not set.
    ImagePoint GetPoint(int index) const override;
    void SetPoint(int index, ImagePoint point) override;
    int PointCount() const override { return 2; }
    int KindCode() const override { return 1; }
    QString ClassName() const override { return QStringLiteral("TLineObject"); }
    void CreateSheetColumns(const QString& name, TSheetElements& columns) const override;
    std::optional<double> LineAngle(int line) const override;
    std::optional<double> TrackedAngle() const override { return LineAngle(0); }

    bool Valid() const { return angle_.has_value(); }

private:
    std::array<std::optional<ImagePoint>, 2> points_;
    // Set while both ends are set and apart; a line of no length has no direction.
    std::optional<double> angle_;
};

class TAngleObject : public TSampleObject {
public:
    TAngleObject(TObjDef* def, TFrameObject* frame);
    bool HasPoint(int index) const override;
    ImagePoint GetPoint(int index) const override;
    void SetPoint(int index, ImagePoint point) override;
    int PointCount() const override { return 4; }
    int KindCode() const override { return 2; }
    QString ClassName() const override { return QStringLiteral("TAngleObject"); }
    void CreateSheetColumns(const QString& name, TSheetElements& columns) const override;
    std::optional<double> LineAngle(int line) const override;
    std::optional<double> RelAngle() const override;
    std::optional<double> TrackedAngle() const override { return RelAngle(); }

    bool Valid() const { return RelAngle().has_value(); }

private:
    std::array<TLineObject, 2> lines_;
};

// A sample of a class.
std::unique_ptr<TSampleObject> MakeSample(SampleClass sample_class, TObjDef* def, TFrameObject* frame);
// The name new objects of a class are numbered after ("Point", "Line", "Angle").
QString SampleClassBaseName(SampleClass sample_class);

} // namespace fw
