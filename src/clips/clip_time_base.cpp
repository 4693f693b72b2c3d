#include "clips/clip_time_base.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string_view>

#include "clips/descriptor_block.h"

namespace fw {

namespace {

// The period is never stored below this ...
constexpr double kMinStoredPeriodMs = 0.000001;
// ... and never divided by or multiplied with below this.
constexpr double kMinCalcPeriodMs = 0.00001;

constexpr int kShownSignificantDigits = 7;

// Times and periods are kept in 32 bits; values beyond that range would not convert.
float ToStoredFloat(double value)
{
    if (std::isnan(value))
        return 0.0f;
    return static_cast<float>(std::clamp(value, -double(FLT_MAX), double(FLT_MAX)));
}

int32_t ToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(std::clamp(value, double(INT32_MIN), double(INT32_MAX)));
}

int32_t ToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

double ClampedStoredPeriod(double period_ms)
{
    if (!(period_ms >= kMinStoredPeriodMs))
        return kMinStoredPeriodMs;
    return std::min(period_ms, double(FLT_MAX));
}

// Fixed notation of a value first rounded to 7 significant digits; a value with more whole
// digits than that falls back to exponent form.
QString FormatFixed(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    // to_chars, unlike printf, never writes the user's decimal comma.
    char rounded[64];
    const auto sci = std::to_chars(
        rounded, rounded + sizeof rounded, value, std::chars_format::scientific, kShownSignificantDigits - 1);
    const std::string_view sci_text(rounded, static_cast<size_t>(sci.ptr - rounded));
    const size_t e_pos = sci_text.find('e');
    int exponent = 0;
    std::from_chars(sci_text.data() + e_pos + (sci_text[e_pos + 1] == '+' ? 2 : 1), sci.ptr, exponent);
    if (exponent >= kShownSignificantDigits)
        return QString::fromLatin1(sci_text.data(), qsizetype(sci_text.size())).toUpper();
    double seven_digits = 0.0;
    std::from_chars(rounded, sci.ptr, seven_digits);
    char fixed[400];
    const auto fix = std::to_chars(
        fixed, fixed + sizeof fixed, seven_digits, std::chars_format::fixed, std::clamp(decimals, 0, 20));
    QString text = QString::fromLatin1(fixed, qsizetype(fix.ptr - fixed));
    const bool all_zero
        = std::none_of(text.begin(), text.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    if (text.startsWith(u'-') && all_zero)
        text.remove(0, 1);
    return text;
}

} // namespace

void ClipTimeBase::SetFramePeriod(double period_ms)
{
    const double period = ClampedStoredPeriod(period_ms);
    frame_period_ms_ = ToStoredFloat(period);
    is_set_ = true;
    const double calc = std::max(period, kMinCalcPeriodMs);
    time_decimals_ = std::max(0, static_cast<int>(std::lround(std::log10(1.0 / calc))) + 2);
    SetDescriptorNumber(descriptors_, "Timing", "Frame Rate", 1000.0 / calc);
}

void ClipTimeBase::SetFirstFrameTime(double time_ms)
{
    first_frame_time_ms_ = ToStoredFloat(time_ms);
    is_set_ = true;
    // A block rewritten here always marks index 0 with the first frame's time.
    const bool representable = std::isfinite(time_ms) && std::abs(time_ms) <= double(FLT_MAX);
    SetDescriptorNumber(
        descriptors_, "Timing", "Time at Mark Frame", representable ? time_ms : double(first_frame_time_ms_));
    SetDescriptorValue(descriptors_, "Timing", "Mark Frame", "0");
}

void ClipTimeBase::SetFirstFrameNumber(int32_t number)
{
    int64_t n = number;
    if (n >= skip_frame_zero_)
        n -= skip_frame_zero_;
    // Every shown number keeps its time: the frame now numbered first is the one that showed n.
    const double shift = CalcPeriodMs() * double(n - first_frame_number_);
    const double time = double(first_frame_time_ms_) + shift;
    first_frame_number_ = ToInt32(n);
    SetFirstFrameTime(time);
}

double ClipTimeBase::FrameTime(int32_t index) const
{
    return double(first_frame_time_ms_) + double(index) * CalcPeriodMs();
}

int32_t ClipTimeBase::IndexAtTime(double time_ms) const
{
    return ToInt32(std::round((time_ms - double(first_frame_time_ms_)) / CalcPeriodMs()));
}

int32_t ClipTimeBase::ShownNumber(int32_t index) const
{
    int64_t shown = int64_t(index) * frame_step_ + first_frame_number_;
    if (skip_frame_zero_ && shown >= 0)
        ++shown;
    return ToInt32(shown);
}

int32_t ClipTimeBase::IndexOfShownNumber(int32_t number) const
{
    int64_t index = (skip_frame_zero_ && number >= 1) ? int64_t(number) - 1 : int64_t(number);
    return ToInt32(index - first_frame_number_);
}

bool ClipTimeBase::ApplyDescriptors(const std::string& block)
{
    descriptors_ = block;
    const DescriptorTiming timing = ParseDescriptorTiming(block);
    bool changed = false;
    if (ToStoredFloat(ClampedStoredPeriod(timing.frame_period_ms)) != frame_period_ms_) {
        SetFramePeriod(timing.frame_period_ms);
        changed = true;
    }
    if (ToStoredFloat(timing.first_frame_time_ms) != first_frame_time_ms_) {
        SetFirstFrameTime(timing.first_frame_time_ms);
        changed = true;
    }
    return changed;
}

ShownTime ClipTimeBase::ShowTime(double time_ms) const
{
    return ShowTimeMs(time_ms, time_decimals_);
}

double ClipTimeBase::CalcPeriodMs() const
{
    return std::max(double(frame_period_ms_), kMinCalcPeriodMs);
}

ShownTime ShowTimeMs(double time_ms, int time_decimals)
{
    if (time_ms >= 1000.0)
        return { FormatFixed(time_ms / 1000.0, 3), QStringLiteral("s"), QStringLiteral("Time in Seconds") };
    return { FormatFixed(time_ms, time_decimals), QStringLiteral("ms"),
        QStringLiteral("Time in Milliseconds") };
}

} // namespace fw
