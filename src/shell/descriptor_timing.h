#pragma once

#include <QString>

#include <cstdint>

namespace fw {

// The timing page of the descriptor dialog as numbers: a frame rate, a mark frame and the time
// at that frame give the clip's period and first-frame time.
struct TimingFields {
    QString frame_rate_text; // frames per second as typed
    int32_t mark_index = 0; // the mark frame as a clip index
    double time_at_mark_ms = 0.0;
};

struct AppliedTiming {
    double frame_rate = 1000.0; // frames per second
    double period_ms = 1.0;
    double first_frame_time_ms = 0.0;
    // The rate field is rewritten when its text was no usable rate.
    bool rate_rewritten = false;
    QString frame_rate_text;
};

// Rate 1000 when the text is no number above 0; period = 1000 / rate; first-frame time = time
// at the mark - period × mark index.
AppliedTiming ApplyTimingFields(const TimingFields& fields);

// A shown frame number and a clip index, for clips whose numbers may skip 0 (…, -1, 1, …).
int32_t MarkNumberToIndex(int32_t number, int32_t first_frame_number, bool skip_frame_zero);
int32_t IndexToMarkNumber(int32_t index, int32_t first_frame_number, bool skip_frame_zero);
// The spin buttons: one step up or down, over 0 when the clip has no frame zero.
int32_t StepMarkNumber(int32_t number, int step, bool skip_frame_zero);

} // namespace fw
