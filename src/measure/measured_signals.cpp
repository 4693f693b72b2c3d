#include "measure/measured_signals.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "measure/motion_data_base.h"
#include "measure/sheet_elements.h"

namespace fw {

namespace {

// Object colours are kept as 0x00BBGGRR.
QColor ColourOf(TColor bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// The frames of the object's samples where the column has a value, in order.
std::vector<int32_t> FramesWithValues(const TSheetElement& column)
{
    std::vector<int32_t> frames;
    for (const auto& [frame_number, sample] : column.ObjDef()->Samples()) {
        if (column.Value(frame_number))
            frames.push_back(frame_number);
    }
    return frames;
}

int32_t CommonStep(const std::vector<int32_t>& frames)
{
    int64_t step = 0;
    for (size_t i = 1; i < frames.size(); ++i)
        step = std::gcd(step, int64_t(frames[i]) - frames[i - 1]);
    return step > 0 ? int32_t(step) : 1;
}

} // namespace

QString MeasuredSignalName(const TSheetElement& column)
{
    return column.HeaderText(1) + QStringLiteral(" - ") + column.ObjDef()->Name();
}

QString MeasuredAxisLabel(const TSheetElement& column)
{
    return KindListName(column.Kind()) + QStringLiteral(" (") + column.UnitLabel() + QLatin1Char(')');
}

MemorySignal SignalOfColumn(const TSheetElement& column, const TFrameObjectList& frames)
{
    MemorySignal signal;
    signal.name = MeasuredSignalName(column);
    signal.y_label = MeasuredAxisLabel(column);
    signal.colour = ColourOf(column.ObjDef()->Colour());
    signal.group = int(column.Kind());
    const std::vector<int32_t> valued = FramesWithValues(column);
    if (valued.empty())
        return signal;
    const int32_t step = CommonStep(valued);
    const int32_t first = valued.front();
    signal.times.first_ms = frames.FrameTime(first);
    signal.times.period_ms = frames.IntervalMs() * step;
    signal.times.count = int32_t((int64_t(valued.back()) - first) / step + 1);
    signal.values.assign(size_t(signal.times.count), std::numeric_limits<double>::quiet_NaN());
    for (int32_t frame_number : valued)
        signal.values[size_t((int64_t(frame_number) - first) / step)] = double(*column.Value(frame_number));
    return signal;
}

MeasuredSignals::MeasuredSignals(TMotionDataBase& db, QObject* parent)
    : SignalSource(parent)
    , db_(db)
{
    listener_ = db_.Sheet().AddListener([this](const TSheetElement* column) { SheetChanged(column); });
}

MeasuredSignals::~MeasuredSignals()
{
    db_.Sheet().RemoveListener(listener_);
}

void MeasuredSignals::SetColumns(const std::vector<const TSheetElement*>& columns)
{
    columns_.clear();
    for (const TSheetElement* column : columns) {
        if (int(columns_.size()) < kMaxGraphSignals && column && column->Shown()
            && std::find(columns_.begin(), columns_.end(), column) == columns_.end())
            columns_.push_back(column);
    }
    emit changed();
}

QString MeasuredSignals::Name() const
{
    return QStringLiteral("Measured Data");
}

std::vector<MemorySignal> MeasuredSignals::Signals() const
{
    std::vector<MemorySignal> signals_out;
    for (const TSheetElement* column : columns_)
        signals_out.push_back(SignalOfColumn(*column, db_.FrameList()));
    std::vector<int> group_order;
    for (const MemorySignal& signal : signals_out)
        if (std::find(group_order.begin(), group_order.end(), signal.group) == group_order.end())
            group_order.push_back(signal.group);
    const auto rank = [&group_order](int group) {
        return std::find(group_order.begin(), group_order.end(), group) - group_order.begin();
    };
    std::stable_sort(signals_out.begin(), signals_out.end(),
        [&rank](const MemorySignal& a, const MemorySignal& b) { return rank(a.group) < rank(b.group); });
    return signals_out;
}

void MeasuredSignals::SheetChanged(const TSheetElement* column)
{
    if (columns_.empty())
        return;
    if (column) {
        if (std::find(columns_.begin(), columns_.end(), column) != columns_.end())
            emit changed();
        return;
    }
    DropHiddenColumns();
    emit changed();
}

void MeasuredSignals::DropHiddenColumns()
{
    const MeasureSheet& sheet = db_.Sheet();
    const auto in_sheet = [&sheet](const TSheetElement* column) {
        for (int grid_column = 1; grid_column < sheet.ColumnCount(); ++grid_column)
            if (sheet.ColumnAt(grid_column) == column)
                return true;
        return false;
    };
    std::erase_if(columns_, [&](const TSheetElement* column) { return !in_sheet(column); });
}

} // namespace fw
