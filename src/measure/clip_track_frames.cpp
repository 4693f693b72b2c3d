#include "measure/clip_track_frames.h"

#include "clips/avi_stream.h"
#include "support/fw_error.h"

namespace fw {

ClipTrackFrames::ClipTrackFrames(TAVISTREAM& stream)
    : stream_(stream)
{
    if (!stream.IsOpen() || !stream.BeginFrameAccess(access_))
        throw Error(stream.GetShortName() + QStringLiteral(" Open Frame Access Failed"));
    count_ = stream.FrameCount();
}

ClipTrackFrames::~ClipTrackFrames()
{
    stream_.EndFrameAccess(access_);
}

PackedBytes ClipTrackFrames::Frame(int32_t index)
{
    if (index < 0 || index >= count_)
        return {};
    int32_t size = 0;
    const uint8_t* bytes = nullptr;
    if (!stream_.GetFrame(access_, index, size, bytes) || !bytes || size <= 0)
        return {};
    return { bytes, size_t(size) };
}

TrackFrameSource ClipTrackFrames::Source()
{
    return [this](int32_t index) { return Frame(index); };
}

} // namespace fw
