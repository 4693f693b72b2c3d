#pragma once

#include <string>
#include <vector>

#include <QDateTime>

namespace fw {

// The descriptor block of a capture: the display's time base in "[Timing]"; in "[Camera]"
// "Camera Type" "Capture Card", the time the capture window opened as "Date and Time", and "?"
// for what a frame grabber cannot know; then the title lines.
std::string CaptureDescriptorBlock(double frame_period_ms, double first_frame_time_ms,
    const QDateTime& opened, const std::vector<std::string>& title_lines = {});

} // namespace fw
