#include "grabber_session.h"

#include <chrono>
#include <string>

#include <arv.h>

#include "genicam_errors.h"

namespace fw::imaq_genicam {

namespace {

ArvPixelFormat PixelFormatOf(SourceFormat format)
{
    switch (format) {
    case SourceFormat::kRgb8:
        return ARV_PIXEL_FORMAT_RGB_8_PACKED;
    case SourceFormat::kBgr8:
        return ARV_PIXEL_FORMAT_BGR_8_PACKED;
    case SourceFormat::kMono8:
        break;
    }
    return ARV_PIXEL_FORMAT_MONO_8;
}

bool HoldsImage(ArvBuffer* buffer)
{
    return arv_buffer_get_n_parts(buffer) > 0
        && arv_buffer_get_part_data_type(buffer, 0) == ARV_BUFFER_PART_DATA_TYPE_2D_IMAGE;
}

std::string Dimensions(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

} // namespace

GrabberSession::GrabberSession(std::shared_ptr<CameraDevice> camera)
    : camera_(std::move(camera))
    , colour_(camera_->colourCapable())
{
}

GrabberSession::~GrabberSession()
{
    stream_.reset();
}

int32_t GrabberSession::getAttribute(uint32_t attribute, uint32_t* value) const
{
    if (value == nullptr)
        return Fail(kErrNullPointer);
    switch (attribute) {
    case kImgAttrColourCapable:
        *value = camera_->colourCapable() ? 1 : 0;
        return kOk;
    case kImgAttrWidth:
        *value = camera_->width();
        return kOk;
    case kImgAttrHeight:
        *value = camera_->height();
        return kOk;
    case kImgAttrLostFrames:
        *value = numbering_.lostCount() > UINT32_MAX ? UINT32_MAX
                                                     : static_cast<uint32_t>(numbering_.lostCount());
        return kOk;
    case kImgAttrColourMode:
        *value = colour_ ? kImgColourModeColour : kImgColourModeMonochrome;
        return kOk;
    case kImgAttrHorizontalDecimation:
        *value = horizontal_decimation_ == 2 ? kImgDecimationHalf : kImgDecimationFull;
        return kOk;
    case kImgAttrVerticalDecimation:
        *value = vertical_decimation_ == 2 ? kImgDecimationHalf : kImgDecimationFull;
        return kOk;
    case kImgAttrTimeout_ms:
        *value = timeout_ms_;
        return kOk;
    case kImgAttrAcquireSetting82:
        *value = acquire_setting_82_;
        return kOk;
    case kImgAttrAcquireSetting07:
        *value = acquire_setting_07_;
        return kOk;
    case kImgAttrAcquireSetting75:
        *value = acquire_setting_75_;
        return kOk;
    default:
        return Fail(kErrUnknownAttribute);
    }
}

int32_t GrabberSession::setAttribute(uint32_t attribute, uint32_t value)
{
    switch (attribute) {
    case kImgAttrColourCapable:
    case kImgAttrWidth:
    case kImgAttrHeight:
    case kImgAttrLostFrames:
        return Fail(kErrReadOnlyAttribute);
    case kImgAttrColourMode:
        if (value != kImgColourModeColour && value != kImgColourModeMonochrome)
            return Fail(kErrAttributeValue);
        if (value == kImgColourModeColour && !camera_->colourCapable())
            return Fail(kErrAttributeValue, "The camera offers no colour pixel format.");
        if (acquiring_)
            return Fail(kImgErrAcquiring);
        colour_ = value == kImgColourModeColour;
        return kOk;
    case kImgAttrHorizontalDecimation:
    case kImgAttrVerticalDecimation:
        return setDecimation(attribute, value);
    case kImgAttrTimeout_ms:
        timeout_ms_ = value;
        return kOk;
    case kImgAttrAcquireSetting82:
        acquire_setting_82_ = value;
        return kOk;
    case kImgAttrAcquireSetting07:
        acquire_setting_07_ = value;
        return kOk;
    case kImgAttrAcquireSetting75:
        acquire_setting_75_ = value;
        return kOk;
    default:
        return Fail(kErrUnknownAttribute);
    }
}

int32_t GrabberSession::setDecimation(uint32_t attribute, uint32_t value)
{
    if (value != kImgDecimationFull && value != 1 && value != kImgDecimationHalf)
        return Fail(kErrAttributeValue, "Decimation is 0 or 1 (every pixel) or 2 (every second one).");
    if (acquiring_)
        return Fail(kImgErrAcquiring);
    const uint32_t step = value == kImgDecimationHalf ? 2 : 1;
    const uint32_t step_x = attribute == kImgAttrHorizontalDecimation ? step : horizontal_decimation_;
    const uint32_t step_y = attribute == kImgAttrVerticalDecimation ? step : vertical_decimation_;
    const int32_t result = camera_->setDecimation(step_x, step_y);
    if (result == kOk) {
        horizontal_decimation_ = step_x;
        vertical_decimation_ = step_y;
    }
    return result;
}

int32_t GrabberSession::setupRing(std::vector<RingEntry> entries, uint32_t frames_to_skip, bool start_now)
{
    if (acquiring_)
        return Fail(kImgErrAcquiring);
    if (entries.empty())
        return Fail(kErrBadArgument, "A ring needs at least one buffer.");
    stream_.reset();
    ring_.assign(std::move(entries));
    frames_to_skip_ = frames_to_skip;
    return start_now ? start() : kOk;
}

int32_t GrabberSession::start()
{
    if (camera_->controlLost())
        return Fail(kErrCameraLost);
    int32_t result = camera_->prepareFrames(colour_, layout_);
    if (result == kOk)
        result = checkRingFits();
    if (result == kOk)
        result = CameraStream::start(camera_->camera(), static_cast<uint32_t>(ring_.count()), stream_);
    if (result != kOk)
        return result;
    ring_.clearFrames();
    numbering_ = FrameNumbering(frames_to_skip_);
    acquiring_ = true;
    return kOk;
}

int32_t GrabberSession::checkRingFits() const
{
    const size_t frame_bytes = layout_.deliveredBytes();
    for (size_t index = 0; index < ring_.count(); ++index) {
        if (ring_.entries()[index].size < frame_bytes)
            return Fail(kErrBufferTooSmall,
                "Buffer " + std::to_string(index) + " holds " + std::to_string(ring_.entries()[index].size)
                    + " bytes; a frame needs " + std::to_string(frame_bytes) + ".");
    }
    return kOk;
}

int32_t GrabberSession::examine(uint32_t wanted, uint32_t* given, void** buffer)
{
    if (given == nullptr || buffer == nullptr)
        return Fail(kErrNullPointer);
    if (ring_.count() == 0)
        return Fail(kErrNoRing);
    if (ring_.held())
        return Fail(kErrBufferHeld);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms_);
    for (;;) {
        if (const std::optional<size_t> index = ring_.bestFor(wanted)) {
            ring_.hold(*index);
            *given = *ring_.numberAt(*index);
            *buffer = ring_.entries()[*index].memory;
            return kOk;
        }
        if (!stream_)
            return Fail(kImgErrNotAcquiring);
        if (camera_->controlLost())
            return Fail(kErrCameraLost);
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        ArvBuffer* frame = stream_->next(left.count() > 0 ? static_cast<uint64_t>(left.count()) : 0);
        if (frame == nullptr)
            return Fail(kImgErrTimeout);
        const int32_t result = takeFrame(frame, wanted);
        if (result != kOk)
            return result;
    }
}

int32_t GrabberSession::takeFrame(ArvBuffer* buffer, uint32_t wanted)
{
    const bool complete = arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS && HoldsImage(buffer);
    const FrameNumbering::Placement placement = numbering_.arrive(arv_buffer_get_frame_id(buffer), complete);
    int32_t result = kOk;
    // A frame that the ring will overwrite before the caller gets to it is not worth the copy.
    if (placement.captured && uint64_t { placement.number } + ring_.count() > wanted)
        result = copyFrame(buffer, placement.number);
    const CameraStream::Drops drops = stream_->giveBack(buffer);
    numbering_.noteDrops(drops.dropped, drops.waiting);
    return result;
}

int32_t GrabberSession::copyFrame(ArvBuffer* buffer, uint32_t number)
{
    const RingEntry* entry = ring_.writableFor(number);
    if (entry == nullptr)
        return kOk;
    const int width = arv_buffer_get_image_width(buffer);
    const int height = arv_buffer_get_image_height(buffer);
    if (width != static_cast<int>(layout_.source_width) || height != static_cast<int>(layout_.source_height)
        || arv_buffer_get_image_pixel_format(buffer) != PixelFormatOf(layout_.format))
        return Fail(kErrFrameFormat,
            "Frame of " + Dimensions(width, height) + " pixels where "
                + Dimensions(static_cast<int>(layout_.source_width), static_cast<int>(layout_.source_height))
                + " were set up.");
    gint x_padding = 0;
    gint y_padding = 0;
    arv_buffer_get_image_padding(buffer, &x_padding, &y_padding);
    FrameLayout layout = layout_;
    layout.source_stride += x_padding > 0 ? static_cast<size_t>(x_padding) : 0;
    size_t size = 0;
    const auto* data = static_cast<const uint8_t*>(arv_buffer_get_image_data(buffer, &size));
    if (!CopyFrameBottomUp(layout, data, size, entry->memory, entry->size))
        return Fail(kErrFrameFormat, "The frame holds " + std::to_string(size) + " bytes.");
    ring_.filled(number);
    return kOk;
}

int32_t GrabberSession::release()
{
    if (!ring_.held())
        return Fail(kImgErrNoBufferHeld);
    ring_.release();
    return kOk;
}

int32_t GrabberSession::status(uint32_t* acquiring, uint32_t* buffer_number) const
{
    if (acquiring == nullptr || buffer_number == nullptr)
        return Fail(kErrNullPointer);
    *acquiring = acquiring_ ? 1 : 0;
    *buffer_number = ring_.lastFilled().value_or(0);
    return kOk;
}

int32_t GrabberSession::stop()
{
    if (!acquiring_)
        return Fail(kImgErrNotAcquiring);
    stream_->stopCamera();
    drainStream();
    stream_.reset();
    acquiring_ = false;
    return kOk;
}

// Frames the camera completed before it stopped still go into the ring, as on a grabber that
// fills its buffers as frames come.
void GrabberSession::drainStream()
{
    const uint64_t next = numbering_.nextNumber();
    const uint32_t first_kept = static_cast<uint32_t>(next);
    while (ArvBuffer* frame = stream_->nextReady())
        takeFrame(frame, first_kept);
}

int32_t GrabberSession::lostFrames(uint32_t* list, uint32_t count) const
{
    if (list == nullptr)
        return Fail(kErrNullPointer);
    if (count == 0)
        return Fail(kErrBadArgument, "The lost-frames list needs room for its closing 0.");
    uint32_t listed = 0;
    for (const uint32_t number : numbering_.lost()) {
        if (listed + 1 >= count)
            break;
        if (number != 0) // a 0 would end the list
            list[listed++] = number;
    }
    list[listed] = 0;
    return kOk;
}

} // namespace fw::imaq_genicam
