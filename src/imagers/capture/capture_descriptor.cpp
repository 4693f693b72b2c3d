#include "imagers/capture/capture_descriptor.h"

#include <algorithm>

#include "clips/bay_record.h"
#include "clips/descriptor_block.h"

namespace fw {

namespace {

// The smallest period a clip keeps.
constexpr double kMinFramePeriodMs = 0.000001;

} // namespace

std::string CaptureDescriptorBlock(double frame_period_ms, double first_frame_time_ms,
    const QDateTime& opened, const std::vector<std::string>& title_lines)
{
    const std::vector<std::string> camera {
        "Camera Type=Capture Card",
        "Camera ID=?",
        "Session ID=?",
        "Recording Rate=?",
        "Exposure Setting=?",
        "Date and Time=" + BayDateTimeText(opened).toStdString(),
    };
    const double period = std::max(frame_period_ms, kMinFramePeriodMs);
    return BuildDescriptorBlock(1000.0 / period, 0, first_frame_time_ms, camera, title_lines);
}

} // namespace fw
