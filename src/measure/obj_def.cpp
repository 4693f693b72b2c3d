#include "measure/obj_def.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "measure/frame_object.h"

namespace fw {

namespace {

constexpr double kPi = std::numbers::pi;

struct NamedColour {
    TColor value;
    const char* name;
};

constexpr std::array<NamedColour, kObjectColourCount> kColours { {
    { 0xFFFF00, "aqua" },
    { 0xFF0000, "blue" },
    { 0xFF00FF, "fuchsia" },
    { 0x008000, "green" },
    { 0x00FF00, "lime" },
    { 0x000080, "maroon" },
    { 0x800000, "navy" },
    { 0x008080, "olive" },
    { 0x800080, "purple" },
    { 0x0000FF, "red" },
    { 0x808000, "teal" },
    { 0xFFFFFF, "white" },
    { 0x00FFFF, "yellow" },
} };

const NamedColour& ColourAt(int index)
{
    return kColours[size_t(std::clamp(index, 0, kObjectColourCount - 1))];
}

} // namespace

TColor ObjectColour(int index)
{
    return ColourAt(index).value;
}
QString ObjectColourName(int index)
{
    return QString::fromLatin1(ColourAt(index).name);
}

TObjDef::TObjDef(TObjDefList* list, const Setup& setup)
    : list_(list)
    , name_(setup.name)
    , class_(setup.sample_class)
    , scaler_(setup.scaler)
    , referencer_(setup.referencer)
    , polymarker_(std::clamp(setup.polymarker, 0, kPolymarkerCount - 1))
    , colour_index_(std::clamp(setup.colour_index, 0, kObjectColourCount - 1))
    , filter_(setup.filter)
    , columns_(this, setup.sheet)
{
    // The class tells its own shape.
    const std::unique_ptr<TSampleObject> probe = MakeSample(class_, nullptr, nullptr);
    kind_code_ = probe->KindCode();
    point_count_ = probe->PointCount();
    probe->CreateSheetColumns(name_, columns_);
    SetVisible(setup.visible);
}

TObjDef::~TObjDef()
{
    ClearSamples();
}

void TObjDef::SetName(const QString& name)
{
    name_ = name;
    columns_.RefreshHeaders();
}

void TObjDef::SetPolymarker(int polymarker)
{
    polymarker_ = std::clamp(polymarker, 0, kPolymarkerCount - 1);
}

void TObjDef::SetColourIndex(int index)
{
    colour_index_ = std::clamp(index, 0, kObjectColourCount - 1);
}

void TObjDef::SetFilter(const FilterChoice& filter)
{
    if (filter == filter_)
        return;
    filter_ = filter;
    columns_.FilterChanged();
}

void TObjDef::SetVisible(VisibleSet visible)
{
    visible_ = visible & kAllKindsSet;
    for (const auto& column : columns_.Columns()) {
        if (visible_ & KindBit(column->Kind()))
            column->Show();
        else
            column->Hide();
    }
}

TSampleObject* TObjDef::SampleAt(int32_t frame_number) const
{
    const auto it = samples_.find(frame_number);
    return it == samples_.end() ? nullptr : it->second;
}

TSampleObject* TObjDef::FirstSample() const
{
    return samples_.empty() ? nullptr : samples_.begin()->second;
}

TSampleObject* TObjDef::SampleBefore(int32_t frame_number) const
{
    auto it = samples_.lower_bound(frame_number);
    if (it == samples_.begin())
        return nullptr;
    return std::prev(it)->second;
}

TSampleObject* TObjDef::SampleAfter(int32_t frame_number) const
{
    const auto it = samples_.upper_bound(frame_number);
    return it == samples_.end() ? nullptr : it->second;
}

TSampleObject* TObjDef::PrevSample(const TSampleObject& sample) const
{
    return SampleBefore(sample.Frame()->FrameNumber());
}

TSampleObject* TObjDef::NextSample(const TSampleObject& sample) const
{
    return SampleAfter(sample.Frame()->FrameNumber());
}

TSampleObject* TObjDef::FirstValidSample() const
{
    for (const auto& [frame_number, sample] : samples_) {
        if (sample->TrackedAngle())
            return sample;
    }
    return nullptr;
}

TSampleObject* TObjDef::ValidSampleBefore(int32_t frame_number) const
{
    for (auto it = samples_.lower_bound(frame_number); it != samples_.begin();) {
        --it;
        if (it->second->TrackedAngle())
            return it->second;
    }
    return nullptr;
}

CollectedRange TObjDef::Range() const
{
    CollectedRange range;
    range.count = int(samples_.size());
    if (!samples_.empty()) {
        range.first_frame = samples_.begin()->first;
        range.last_frame = samples_.rbegin()->first;
    }
    return range;
}

void TObjDef::ClearSamples()
{
    while (!samples_.empty()) {
        TSampleObject* sample = samples_.begin()->second;
        sample->Frame()->RemoveSample(this);
    }
}

void TObjDef::UpdateUnwrap(int32_t from_frame)
{
    // Whole turns carried from sample to sample, so that no step exceeds half a turn.
    const TSampleObject* prev = ValidSampleBefore(from_frame);
    bool have_previous = prev != nullptr;
    double previous_unwrapped = prev ? prev->UnwrappedAngle() : 0.0;
    double turns = prev ? previous_unwrapped - *prev->TrackedAngle() : 0.0;
    for (auto it = samples_.lower_bound(from_frame); it != samples_.end(); ++it) {
        TSampleObject& sample = *it->second;
        const std::optional<double> angle = sample.TrackedAngle();
        if (!angle)
            continue;
        double unwrapped = *angle + turns;
        if (have_previous && previous_unwrapped - unwrapped > kPi) {
            unwrapped += 2.0 * kPi;
            turns += 2.0 * kPi;
        } else if (have_previous && unwrapped - previous_unwrapped > kPi) {
            unwrapped -= 2.0 * kPi;
            turns -= 2.0 * kPi;
        }
        sample.SetUnwrappedAngle(unwrapped);
        previous_unwrapped = unwrapped;
        have_previous = true;
    }
}

void TObjDef::AttachSample(TSampleObject& sample)
{
    samples_[sample.Frame()->FrameNumber()] = &sample;
}

void TObjDef::DetachSample(const TSampleObject& sample)
{
    const auto it = samples_.find(sample.Frame()->FrameNumber());
    if (it != samples_.end() && it->second == &sample)
        samples_.erase(it);
}

int TObjDefList::IndexOf(const TObjDef* def) const
{
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (objects_[i].get() == def)
            return int(i);
    }
    return -1;
}

TObjDef* TObjDefList::FindByName(const QString& name, const TObjDef* except) const
{
    for (const auto& def : objects_) {
        if (def.get() != except && def->Name().compare(name, Qt::CaseInsensitive) == 0)
            return def.get();
    }
    return nullptr;
}

QString TObjDefList::NewObjectName(SampleClass sample_class) const
{
    const QString base = SampleClassBaseName(sample_class);
    const auto same_class = [sample_class](const auto& def) { return def->Class() == sample_class; };
    int number = int(std::count_if(objects_.begin(), objects_.end(), same_class)) + 1;
    const auto build = [&base](int n) { return n >= 2 ? base + QString::number(n) : base; };
    const auto taken = [&](const QString& name) {
        return std::any_of(objects_.begin(), objects_.end(), [&](const auto& def) {
            return same_class(def) && def->Name().compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    QString name = build(number);
    while (taken(name))
        name = build(++number);
    return name;
}

TObjDef& TObjDefList::Create(TObjDef::Setup setup)
{
    setup.polymarker = next_polymarker_;
    setup.colour_index = next_colour_;
    next_polymarker_ = (next_polymarker_ + 1) % kPolymarkerCount;
    next_colour_ = (next_colour_ + 1) % kObjectColourCount;
    return CreateFixed(setup);
}

TObjDef& TObjDefList::CreateFixed(const TObjDef::Setup& setup)
{
    objects_.push_back(std::make_unique<TObjDef>(this, setup));
    return *objects_.back();
}

void TObjDefList::Destroy(TObjDef* def)
{
    const auto it
        = std::find_if(objects_.begin(), objects_.end(), [def](const auto& d) { return d.get() == def; });
    if (it != objects_.end())
        objects_.erase(it);
}

} // namespace fw
