#include "imagers/em/hs4540_avi.h"

namespace fw {

namespace {

constexpr int kSensorSide = 256;

} // namespace

T4540AVI::T4540AVI(std::shared_ptr<TGPIB> gpib, SteadyNow now)
    : TEM1012AVI(std::move(gpib), std::move(now))
{
    options_section_ = CameraType();
    SetRawGeometry(kSensorSide, kSensorSide);
}

std::unique_ptr<TEM1012> T4540AVI::MakeProcessor(const QString& address)
{
    return std::make_unique<THS4540>(*gpib_, address, now_);
}

std::int32_t T4540AVI::FrameNumber(std::int32_t first, std::int32_t index, std::int32_t interval)
{
    const std::int32_t frame = first + index * interval;
    return first < 0 && frame >= 0 ? frame + 1 : frame;
}

std::int32_t T4540AVI::ProcessorFrame(std::int32_t index) const
{
    return FrameNumber(FirstFrame(), index, Interval());
}

std::int32_t T4540AVI::FramesBetween(std::int32_t first, std::int32_t last, std::int32_t interval) const
{
    std::int32_t count = TEM1012AVI::FramesBetween(first, last, interval);
    if (count > 0 && FrameNumber(first, count - 1, interval) > last)
        --count;
    return count;
}

std::int32_t T4540AVI::ClipIndex(std::int32_t frame) const
{
    if (FirstFrame() < 0 && frame > 0)
        --frame;
    return TEM1012AVI::ClipIndex(frame);
}

} // namespace fw
