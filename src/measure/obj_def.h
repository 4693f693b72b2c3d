#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "measure/filter_choice.h"
#include "measure/measure_units.h"
#include "measure/sample_object.h"
#include "measure/sheet_elements.h"

namespace fw {

class MeasureSheet;
class TObjDefList;
class TReferencer;
class TScaler;

// Colours are kept as 0x00BBGGRR values.
using TColor = uint32_t;
constexpr int kPolymarkerCount = 8;
constexpr int kObjectColourCount = 13;
TColor ObjectColour(int index);
QString ObjectColourName(int index);

// Where an object's samples lie.
struct CollectedRange {
    std::optional<int32_t> first_frame;
    int count = 0;
    std::optional<int32_t> last_frame;
};

// One measurement object. Its samples are owned by the frame records; it keeps an index of
// them by frame number.
class TObjDef {
public:
    struct Setup {
        QString name;
        SampleClass sample_class = SampleClass::Point;
        TScaler* scaler = nullptr;
        TReferencer* referencer = nullptr;
        MeasureSheet* sheet = nullptr;
        VisibleSet visible = kDefaultVisibleSet;
        int polymarker = 0;
        int colour_index = 0;
        FilterChoice filter;
    };
    TObjDef(TObjDefList* list, const Setup& setup);
    // Frees every sample of the object on every frame.
    ~TObjDef();
    TObjDef(const TObjDef&) = delete;
    TObjDef& operator=(const TObjDef&) = delete;

    TObjDefList* List() const { return list_; }
    const QString& Name() const { return name_; }
    // Renames the object; its column headers follow.
    void SetName(const QString& name);
    SampleClass Class() const { return class_; }
    int KindCode() const { return kind_code_; }
    int PointCount() const { return point_count_; }
    TScaler* Scaler() const { return scaler_; }
    TReferencer* Referencer() const { return referencer_; }

    int Polymarker() const { return polymarker_; }
    void SetPolymarker(int polymarker);
    int ColourIndex() const { return colour_index_; }
    TColor Colour() const { return ObjectColour(colour_index_); }
    void SetColourIndex(int index);

    // What smooths the positions before velocities and accelerations are taken.
    const FilterChoice& Filter() const { return filter_; }
    void SetFilter(const FilterChoice& filter);

    TSheetElements& Columns() { return columns_; }
    const TSheetElements& Columns() const { return columns_; }
    VisibleSet Visible() const { return visible_; }
    // Shows the columns whose kind is in the set and hides the others.
    void SetVisible(VisibleSet visible);

    // Samples by frame number.
    const std::map<int32_t, TSampleObject*>& Samples() const { return samples_; }
    TSampleObject* SampleAt(int32_t frame_number) const;
    TSampleObject* FirstSample() const;
    // Nearest sample on an earlier / later frame than the given frame number.
    TSampleObject* SampleBefore(int32_t frame_number) const;
    TSampleObject* SampleAfter(int32_t frame_number) const;
    TSampleObject* PrevSample(const TSampleObject& sample) const;
    TSampleObject* NextSample(const TSampleObject& sample) const;
    // First sample whose tracked angle is valid, and the nearest valid one before a frame.
    TSampleObject* FirstValidSample() const;
    TSampleObject* ValidSampleBefore(int32_t frame_number) const;
    CollectedRange Range() const;
    // Frees every sample of the object.
    void ClearSamples();

    // Re-unwraps the tracked angles of the samples from a frame on.
    void UpdateUnwrap(int32_t from_frame);

    // Called by the frame records that own the samples.
    void AttachSample(TSampleObject& sample);
    void DetachSample(const TSampleObject& sample);

private:
    TObjDefList* list_;
    QString name_;
    SampleClass class_;
    int kind_code_ = 0;
    int point_count_ = 1;
    TScaler* scaler_;
    TReferencer* referencer_;
    int polymarker_;
    int colour_index_;
    VisibleSet visible_ = 0;
    FilterChoice filter_;
    std::map<int32_t, TSampleObject*> samples_;
    TSheetElements columns_;
};

enum class CursorMode { None = 0, Simple = 1, Smart = 2 };

// The object definitions in creation order, with what new objects take from the list.
class TObjDefList {
public:
    const std::vector<std::unique_ptr<TObjDef>>& Objects() const { return objects_; }
    int IndexOf(const TObjDef* def) const;
    // Compared without regard to case; `except` is left out of the search.
    TObjDef* FindByName(const QString& name, const TObjDef* except = nullptr) const;
    // The name a new object of a class gets ("Point", "Point2", ...).
    QString NewObjectName(SampleClass sample_class) const;

    // Adds an object that takes the next polymarker and colour of the cycles.
    TObjDef& Create(TObjDef::Setup setup);
    // Adds an object with the setup as given (the hidden reference object).
    TObjDef& CreateFixed(const TObjDef::Setup& setup);
    void Destroy(TObjDef* def);

    CursorMode Cursor() const { return cursor_mode_; }
    void SetCursor(CursorMode mode) { cursor_mode_ = mode; }
    VisibleSet DefaultVisible() const { return default_visible_; }
    void SetDefaultVisible(VisibleSet visible) { default_visible_ = visible & kAllKindsSet; }
    // The filter new objects take.
    const FilterChoice& DefaultFilter() const { return default_filter_; }
    void SetDefaultFilter(const FilterChoice& filter) { default_filter_ = filter; }

private:
    std::vector<std::unique_ptr<TObjDef>> objects_;
    CursorMode cursor_mode_ = CursorMode::Smart;
    VisibleSet default_visible_ = kDefaultVisibleSet;
    FilterChoice default_filter_;
    int next_polymarker_ = 0;
    int next_colour_ = 0;
};

} // namespace fw
