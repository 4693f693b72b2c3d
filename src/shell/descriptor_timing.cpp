#include "shell/descriptor_timing.h"

#include <cmath>
#include <limits>

namespace fw {

namespace {

constexpr double kDefaultRate = 1000.0;

int32_t clampedIndex(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

} // namespace

AppliedTiming ApplyTimingFields(const TimingFields& fields)
{
    AppliedTiming applied;
    bool ok = false;
    double rate = fields.frame_rate_text.trimmed().toDouble(&ok);
    applied.frame_rate_text = fields.frame_rate_text;
    if (!ok || !std::isfinite(rate) || rate <= 0.0) {
        rate = kDefaultRate;
        applied.rate_rewritten = true;
        applied.frame_rate_text = QString::number(rate, 'f', 4);
    }
    applied.frame_rate = rate;
    applied.period_ms = 1000.0 / rate;
    applied.first_frame_time_ms = fields.time_at_mark_ms - applied.period_ms * double(fields.mark_index);
    return applied;
}

int32_t MarkNumberToIndex(int32_t number, int32_t first_frame_number, bool skip_frame_zero)
{
    const int64_t shift = (skip_frame_zero && number >= 1) ? 1 : 0;
    return clampedIndex(int64_t(number) - shift - first_frame_number);
}

int32_t IndexToMarkNumber(int32_t index, int32_t first_frame_number, bool skip_frame_zero)
{
    int64_t number = int64_t(index) + first_frame_number;
    if (skip_frame_zero && number >= 0)
        ++number;
    return clampedIndex(number);
}

int32_t StepMarkNumber(int32_t number, int step, bool skip_frame_zero)
{
    int64_t next = int64_t(number) + step;
    if (skip_frame_zero && next == 0)
        next += step;
    return clampedIndex(next);
}

} // namespace fw
