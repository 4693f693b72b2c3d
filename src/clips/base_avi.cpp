#include "clips/base_avi.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "clips/avi_clip_writer.h"
#include "clips/descriptor_block.h"
#include "clips/save_thread.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// The frame a save's worker holds between reads.
class BaseFrameAccess : public FrameAccess {
public:
    FrameImage frame;
};

struct SourceTiming {
    double rate = 1000.0;
    int32_t mark_index = 0;
    double time_at_mark_ms = 0.0;
};

SourceTiming readTiming(const std::string& block)
{
    SourceTiming timing;
    if (block.empty())
        return timing;
    std::string text;
    if (!GetDescriptorValue(block, "Timing", "Mark Frame", text)
        || !ParseDescriptorWholeNumber(text, timing.mark_index))
        timing.mark_index = 0;
    if (!GetDescriptorNumber(block, "Timing", "Time at Mark Frame", timing.time_at_mark_ms))
        timing.time_at_mark_ms = 0.0;
    if (!GetDescriptorNumber(block, "Timing", "Frame Rate", timing.rate) || !(timing.rate > 0.0))
        timing.rate = 1000.0;
    return timing;
}

} // namespace

TBaseAVI::TBaseAVI(QString options_section)
    : TAVISTREAM(std::move(options_section))
{
}

TBaseAVI::~TBaseAVI()
{
    // A save's worker reads through this object's reader: it must end first.
    StopSave();
}

int64_t TBaseAVI::ImageBytes() const
{
    return imageSize(out_width_, out_height_, bits_per_pixel_, 1);
}

int TBaseAVI::PaletteSize() const
{
    return IsColour() || bits_per_pixel_ <= 0 ? 0 : 1 << bits_per_pixel_;
}

void TBaseAVI::SetGeometry(int32_t width, int32_t height, int bits_per_pixel, int32_t lowest, int32_t highest)
{
    if (width <= 0 || height <= 0 || (bits_per_pixel != 8 && bits_per_pixel != 24))
        throw Error("Unsupported picture format");
    width_ = width;
    height_ = height;
    bits_per_pixel_ = bits_per_pixel;
    lowest_number_ = lowest;
    highest_number_ = highest;
    first_number_ = lowest;
    interval_ = 1;
    frame_count_ = std::max(highest - lowest + 1, 0);
    crop_ = FrameRect { 0, 0, width - 1, height - 1 };
    out_width_ = width;
    out_height_ = height;
    pipeline_.SetGreyFrames(!IsColour());
}

void TBaseAVI::CheckFormat(const QString& name, int32_t width, int32_t height, int bits_per_pixel) const
{
    if (width != width_ || height != height_ || bits_per_pixel != bits_per_pixel_)
        throw Error(name + QStringLiteral("\rFormat differs from previous file(s)"));
}

void TBaseAVI::SetFrameRange(int32_t first, int32_t last, int32_t interval)
{
    if (highest_number_ < lowest_number_)
        throw Error("The source has no frames");
    interval = std::max(interval, 1);
    first = std::clamp(first, lowest_number_, highest_number_);
    last = std::clamp(last, lowest_number_, highest_number_);
    if (last < first)
        throw Error("The last frame lies before the first");
    last -= (last - first) % interval;
    first_number_ = first;
    interval_ = interval;
    frame_count_ = (last - first) / interval + 1;
}

int32_t TBaseAVI::FrameCount()
{
    return stream_open_ ? frame_count_ : 0;
}

void TBaseAVI::SetCrop(const FrameRect& rect)
{
    if (rect.Width() < 1 || rect.Height() < 1)
        throw Error("Invalid crop rectangle");
    crop_ = rect;
}

void TBaseAVI::SetOutputSize(int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        throw Error("Invalid output size");
    out_width_ = width;
    out_height_ = height;
}

double TBaseAVI::FrameRate() const
{
    return readTiming(source_descriptor_).rate;
}

std::string TBaseAVI::DescriptorText() const
{
    const SourceTiming source = readTiming(source_descriptor_);
    const double period_ms = 1000.0 / source.rate;
    // Every saved frame keeps the time it had in the source. The mark stays on its frame when
    // that frame is saved; otherwise saved frame 0 becomes the mark. The block counts frames
    // from the source's first, which a numbered sequence numbers from its lowest number.
    int32_t mark = 0;
    const int64_t mark_number = int64_t(lowest_number_) + source.mark_index;
    double time_at_mark_ms = source.time_at_mark_ms + double(first_number_ - mark_number) * period_ms;
    const int64_t from_first = mark_number - first_number_;
    if (from_first >= 0 && from_first % interval_ == 0 && from_first / interval_ < frame_count_) {
        mark = int32_t(from_first / interval_);
        time_at_mark_ms = source.time_at_mark_ms;
    }
    const double saved_rate = source.rate / interval_;
    if (source_descriptor_.empty())
        return BuildDescriptorBlock(saved_rate, mark, time_at_mark_ms, {}, {});
    std::string block = source_descriptor_;
    SetDescriptorNumber(block, "Timing", "Frame Rate", saved_rate);
    SetDescriptorValue(block, "Timing", "Mark Frame", std::to_string(mark));
    SetDescriptorNumber(block, "Timing", "Time at Mark Frame", time_at_mark_ms);
    return block;
}

bool TBaseAVI::GetInfo(TAVIStreamInfo& info)
{
    if (!stream_open_)
        return false;
    info = TAVIStreamInfo {};
    info.fccType = fourcc('v', 'i', 'd', 's');
    info.fccHandler = fourcc('F', 'W', 'R', 'T');
    info.dwScale = 1;
    info.dwRate = 15;
    info.dwLength = uint32_t(std::max(frame_count_, 0));
    info.dwSuggestedBufferSize = uint32_t(ImageBytes());
    info.rcFrame[2] = out_width_;
    info.rcFrame[3] = out_height_;
    return true;
}

void TBaseAVI::ProduceFrame(int32_t index, FrameImage& frame)
{
    const std::lock_guard lock(read_mutex_);
    Render(SourceNumber(index), crop_, out_width_, out_height_, frame, processing_);
}

void TBaseAVI::Render(
    int32_t number, const FrameRect& rect, int32_t width, int32_t height, FrameImage& frame, bool processed)
{
    const int bpp = bits_per_pixel_ / 8;
    if (frame.isNull() || frame.width() != width || frame.height() != height
        || frame.bitsPerPixel() != bits_per_pixel_) {
        frame = FrameImage(width, height, bits_per_pixel_);
        if (bits_per_pixel_ == 8)
            frame.setGreyColourTable();
    }
    LoadSourceFrame(number);
    const size_t row_bytes = size_t(width) * size_t(bpp);
    extracted_.resize(row_bytes * size_t(height));
    Filer().ExtractRect(extracted_.data(), rect, nullptr, width, height);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(frame.topDownRow(y), extracted_.data() + size_t(y) * row_bytes, row_bytes);
    // The pipeline builds its filter mask from this unprocessed picture, then processes it.
    if (processed)
        pipeline_.ProcessFrame(frame);
}

void TBaseAVI::PreviewFrame(int32_t number, FrameImage& frame)
{
    const std::lock_guard lock(read_mutex_);
    Render(number, FrameRect { 0, 0, width_ - 1, height_ - 1 }, width_, height_, frame, processing_);
}

PixelColor TBaseAVI::RawPixel(int32_t number, int32_t x, int32_t y)
{
    const std::lock_guard lock(read_mutex_);
    x = std::clamp(x, 0, std::max(width_ - 1, 0));
    y = std::clamp(y, 0, std::max(height_ - 1, 0));
    FrameImage pixel;
    Render(number, FrameRect { x, y, x, y }, 1, 1, pixel, false);
    const uint8_t* bytes = pixel.topDownRow(0);
    if (bits_per_pixel_ == 8)
        return { bytes[0], bytes[0], bytes[0] };
    return { bytes[2], bytes[1], bytes[0] };
}

QString TBaseAVI::FrameFileName(int32_t /*number*/) const
{
    return title_;
}

int TBaseAVI::ReadFrame(int32_t index, uint8_t* destination)
{
    FrameImage frame;
    const int answer = [&] {
        try {
            if (index < 0 || index >= frame_count_)
                throw Error(QStringLiteral("Frame %1 is out of range").arg(index));
            ProduceFrame(index, frame);
            return kReadFrameOk;
        } catch (const Error& error) {
            return AskOnFrameReadError(error.message());
        }
    }();
    if (answer == kReadFrameOk)
        std::memcpy(destination, frame.pixels(), frame.pixelBytes());
    else
        std::memset(destination, 127, size_t(ImageBytes()));
    return answer;
}

bool TBaseAVI::BeginFrameAccess(FrameAccess*& handle)
{
    handle = nullptr;
    if (!stream_open_ || frame_count_ <= 0)
        return false;
    try {
        handle = new BaseFrameAccess;
    } catch (const std::bad_alloc&) {
        qCWarning(lcClips) << "No frame access: out of memory";
        return false;
    }
    return true;
}

bool TBaseAVI::GetFrame(FrameAccess* handle, int32_t index, int32_t& size, const uint8_t*& frame)
{
    auto* access = dynamic_cast<BaseFrameAccess*>(handle);
    if (!access || index < 0 || index >= frame_count_)
        return false;
    try {
        ProduceFrame(index, access->frame);
    } catch (const Error& error) {
        if (access->frame.isNull())
            access->frame = FrameImage(out_width_, out_height_, bits_per_pixel_);
        std::memset(access->frame.pixels(), 127, access->frame.pixelBytes());
        // Retry and Ignore both go on with the filled frame; the frame is not read again.
        if (AskOnFrameReadError(error.message()) == kAskAbort)
            return false;
    } catch (const std::bad_alloc&) {
        qCWarning(lcClips) << "Frame" << index << "- out of memory";
        return false;
    }
    size = int32_t(access->frame.packedSize());
    frame = access->frame.packed();
    return true;
}

void TBaseAVI::EndFrameAccess(FrameAccess* handle)
{
    delete handle;
}

} // namespace fw
