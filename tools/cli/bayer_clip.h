#pragma once

#include <cstdint>
#include <string>

#include <QString>

#include "clips/bayer.h"

namespace fw::cli {

// A folder of BAY files as the tool reads it: frames are numbered from the lowest file number,
// one more per file; a range of them, every step-th, is the clip a save writes. Frames come out
// of the raw pass until processing is switched on.
class BayerClip : public TBayer {
public:
    BayerClip();

    // Lists and checks the folder of `file_name`; throws fw::Error with the reason when the file
    // opened is missing or no BAY frame.
    void Open(const QString& file_name) override;
    int32_t FrameCount() override { return selected_count_; }

    int32_t FirstNumber() const { return Sequence().LowestNumber(); }
    int32_t LastNumber() const { return FirstNumber() + Sequence().Count() - 1; }
    // Chooses the frames numbered first .. last, every `step`-th (last moves down onto the grid).
    void SelectNumbers(int32_t first, int32_t last, int32_t step);
    int32_t Step() const { return step_; }

    // Renders selected frame `index` into a 24-bit frame; throws fw::Error with the reason
    // when the frame cannot be read.
    FrameImage Frame(int32_t index);
    // The descriptor block of the selection: the camera facts of its first frame and the
    // recording rate over the step.
    std::string SelectionDescriptors();

private:
    int32_t selected_count_ = 0;
    int32_t step_ = 1;
};

} // namespace fw::cli
