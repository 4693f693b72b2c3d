#include "bayer_clip.h"

#include <QFileInfo>

#include "clips/frame_image.h"
#include "support/fw_error.h"
#include "tool_prompt.h"

namespace fw::cli {

BayerClip::BayerClip()
{
    SetProcessing(false);
    SetUnsortableNameQuestion(ToolPrompt::AnswerUnsortableBayName);
}

void BayerClip::Open(const QString& file_name)
{
    const QFileInfo info(file_name);
    if (!info.exists())
        throw Error(file_name + QStringLiteral(": No such file"));
    if (!info.isFile())
        throw Error(file_name + QStringLiteral(": Not a file"));
    toolPrompt().ClearFailure();
    TBayer::Open(file_name);
    if (!IsOpen() || Sequence().Count() == 0) {
        const QString reason = toolPrompt().LastFailure();
        throw Error(reason.isEmpty() ? file_name + QStringLiteral(": no BAY frames") : reason);
    }
    SelectNumbers(FirstNumber(), LastNumber(), 1);
}

void BayerClip::SelectNumbers(int32_t first, int32_t last, int32_t step)
{
    step_ = std::max(step, 1);
    const int64_t first_entry = int64_t(first) - FirstNumber();
    const int64_t last_entry = int64_t(last) - FirstNumber();
    if (first_entry < 0 || last_entry >= Sequence().Count() || first_entry > last_entry)
        throw Error(QStringLiteral("Frames %1 to %2 are not in the sequence: it has frames %3 to %4")
                        .arg(first)
                        .arg(last)
                        .arg(FirstNumber())
                        .arg(LastNumber()));
    Sequence().SetFrameSelection(int32_t(first_entry), step_);
    selected_count_ = int32_t((last_entry - first_entry) / step_ + 1);
}

FrameImage BayerClip::Frame(int32_t index)
{
    FrameImage frame(Width(), Height(), 24);
    toolPrompt().ClearFailure();
    if (index < 0 || index >= FrameCount() || RenderFrame(index, frame.pixels()) != kBayFrameDone) {
        const QString reason = toolPrompt().LastFailure();
        throw Error(reason.isEmpty() ? QStringLiteral("Frame %1 could not be read").arg(index) : reason);
    }
    return frame;
}

std::string BayerClip::SelectionDescriptors()
{
    Frame(0);
    std::string block;
    SetBayDescriptors(block, Record(), FrameDateTime(), step_);
    return block;
}

} // namespace fw::cli
