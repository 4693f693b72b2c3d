#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "measure/filtered_track.h"
#include "measure/measure_units.h"

namespace fw {

class MeasureSheet;
class TObjDef;
class TSampleObject;
class TSheetElements;

// One column of the data sheet: one quantity of one point (or line) of one object. It keeps
// the value of every row that has one, and only while it is shown.
class TSheetElement {
public:
    TSheetElement(TSheetElements* list, QuantityKind kind, int coordinate_index, QString caption);
    virtual ~TSheetElement() = default;
    TSheetElement(const TSheetElement&) = delete;
    TSheetElement& operator=(const TSheetElement&) = delete;

    TSheetElements* List() const { return list_; }
    TObjDef* ObjDef() const;
    QuantityKind Kind() const { return kind_; }
    // Point index x 2 + component (0 X/U, 1 Y/V); for angle columns the line number.
    int CoordinateIndex() const { return coordinate_index_; }
    int PointIndex() const { return coordinate_index_ / 2; }
    const QString& Caption() const { return caption_; }
    static constexpr int kWidth = 50;

    // Header rows from the top: object name, caption, unit label. The caption of a velocity or
    // acceleration of a filtered object names the filter ("X Velocity, CFC 180").
    QString HeaderText(int header_row) const;
    // Velocities and accelerations come from the filtered positions when the object has a filter.
    bool Filtered() const;
    // Why a filtered column has no values, or what to beware of in them; empty otherwise.
    QString FilterNote() const;
    QString UnitLabel() const;
    // The "&Show" menu entry of the hidden column.
    QString ShowMenuCaption() const;

    bool Shown() const { return shown_; }
    // Grid column while shown, 0 otherwise.
    int GridColumn() const { return grid_column_; }
    void SetGridColumn(int column) { grid_column_ = column; }
    // Placed among the object's shown columns, then every row computed.
    void Show();
    void Hide();

    std::optional<float> Value(int32_t frame_number) const;
    // The confidence of the point of this column on a frame when tracking found it; nothing
    // for a clicked point and for columns of angles.
    std::optional<float> TrackedConfidence(int32_t frame_number) const;
    // Six significant digits; empty without a value.
    QString Text(int32_t frame_number) const;

    // Computes the value of the sample's row (nothing when the quantity has none there).
    virtual std::optional<double> Compute(const TSampleObject& sample) const = 0;
    // Recomputes the rows that depend on the object's sample on a frame, which was just set,
    // changed or removed.
    virtual void SampleChanged(int32_t frame_number);
    void SampleRemoved(int32_t frame_number) { SampleChanged(frame_number); }

    void RecomputeRow(int32_t frame_number);
    void RecomputeAll();
    void RecomputeFrom(int32_t frame_number);

protected:
    // Recomputes the rows of the samples just before and just after a frame.
    void RecomputePrevious(int32_t frame_number);
    void RecomputeNext(int32_t frame_number);

private:
    // Computes and keeps the value of a row from the object's sample there (or none).
    void StoreRow(int32_t frame_number, const TSampleObject* sample);

    TSheetElements* list_;
    QuantityKind kind_;
    int coordinate_index_;
    QString caption_;
    bool shown_ = false;
    int grid_column_ = 0;
    std::unordered_map<int32_t, float> values_;
};

// Image U or V of a point, in pixels.
class TImageOrdElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// Object X or Y of a point.
class TObjectOrdElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// X or Y displacement from the object's first sample.
class TDisplacementOrdElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
    void SampleChanged(int32_t frame_number) override;
};

// Length of the displacement from the first sample.
class TDisplacementElement : public TDisplacementOrdElement {
public:
    using TDisplacementOrdElement::TDisplacementOrdElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// X or Y velocity since the previous sample.
class TVelocityOrdElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
    void SampleChanged(int32_t frame_number) override;
};

// Speed since the previous sample.
class TVelocityElement : public TVelocityOrdElement {
public:
    using TVelocityOrdElement::TVelocityOrdElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// X or Y acceleration from the previous, this and the next sample.
class TAccelerationOrdElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
    void SampleChanged(int32_t frame_number) override;
};

// Magnitude of the acceleration.
class TAccelerationElement : public TAccelerationOrdElement {
public:
    using TAccelerationOrdElement::TAccelerationOrdElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// The confidence of a tracked point; no value for a clicked one.
class TConfidenceElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// Absolute angle of a line (coordinate index = line number, 1 or 2).
class TAbsAngleElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// Angle from line 1 to line 2 of an angle object.
class TRelAngleElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// Unwrapped turn since the first sample with a valid angle.
class TAngleDispElement : public TSheetElement {
public:
    using TSheetElement::TSheetElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
    void SampleChanged(int32_t frame_number) override;
};

// Turn rate since the previous sample with a valid angle.
class TAnglularVelocityElement : public TAngleDispElement {
public:
    using TAngleDispElement::TAngleDispElement;
    std::optional<double> Compute(const TSampleObject& sample) const override;
};

// The columns of one object in creation order.
class TSheetElements {
public:
    TSheetElements(TObjDef* owner, MeasureSheet* sheet);
    ~TSheetElements();
    TSheetElements(const TSheetElements&) = delete;
    TSheetElements& operator=(const TSheetElements&) = delete;

    TObjDef* Owner() const { return owner_; }
    MeasureSheet* Sheet() const { return sheet_; }
    // The object has a filter: its velocities and accelerations come from its filtered track.
    bool Filtering() const;
    // A point's filtered positions, built when first asked for after a change.
    const FilteredTrack& Track(int point_index) const;
    // The object's filter changed: every header and value that depends on it follows.
    void FilterChanged();
    // What the filter said, point by point: why it refused, what to beware of, the automatic
    // cut-off; empty without a filter or before any sample.
    QString FilterStatus() const;
    const std::vector<std::unique_ptr<TSheetElement>>& Columns() const { return columns_; }
    int IndexOf(const TSheetElement* column) const;

    // The columns of an object with so many points and lines (0 point, 1 line, 2 angle).
    void CreateColumns(const QString& name, int point_count, int line_count);

    void RecomputeAll();
    void SampleChanged(int32_t frame_number);
    // The cells of a frame's row changed their look, if not their values.
    void NoteRow(int32_t frame_number);
    // Every header follows a new name or new units.
    void RefreshHeaders();
    // Leftmost shown column of a point, 0 when none is shown.
    int LeftmostShownColumn(int point_index) const;

private:
    void Add(std::unique_ptr<TSheetElement> column);

    TObjDef* owner_;
    MeasureSheet* sheet_;
    std::vector<std::unique_ptr<TSheetElement>> columns_;
    // Filtered tracks by point index; rebuilt after every change of the object's samples.
    mutable std::map<int, FilteredTrack> tracks_;
};

} // namespace fw
