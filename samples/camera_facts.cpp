#include "camera_facts.h"

#include <algorithm>

namespace fw::samples {

void StampCameraFacts(const CameraFacts& facts, const CameraFactsLayout& layout, uint8_t* record)
{
    record[layout.colour] = facts.colour_code;
    record[layout.session] = facts.session_id;
    record[layout.camera] = facts.camera_id;
    record[layout.rate] = facts.rate_code;
    record[layout.exposure] = uint8_t(uint16_t(facts.exposure_code) >> 8);
    record[layout.exposure + 1] = uint8_t(uint16_t(facts.exposure_code) & 0xFF);
    std::copy(facts.date_time_bcd.begin(), facts.date_time_bcd.end(), record + layout.date_time);
}

} // namespace fw::samples
