#include "imagers/em/em1012_avi.h"

#include <algorithm>
#include <cstring>

#include "clips/base_avi.h"
#include "clips/bay_record.h"
#include "clips/descriptor_block.h"
#include "clips/save_thread.h"
#include "imagers/gpib/gpib.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kTriesBeforeAsking = 3;

class EmFrameAccess : public FrameAccess {
public:
    FrameImage frame;
};

int RoundedUpTo4(int value)
{
    return (value + 3) & ~3;
}

} // namespace

TEM1012AVI::TEM1012AVI(std::shared_ptr<TGPIB> gpib, SteadyNow now)
    : TAVISTREAM(QStringLiteral("EM 1012"))
    , gpib_(std::move(gpib))
    , now_(std::move(now))
{
    tone_ = BuildEmToneTable(brightness_, gamma_);
    sharpen_.SetSharpness(0.0F);
}

TEM1012AVI::~TEM1012AVI()
{
    StopSave();
    Close();
    if (loaded_)
        gpib_->Unload();
}

std::unique_ptr<TEM1012> TEM1012AVI::MakeProcessor(const QString& address)
{
    return std::make_unique<TEM1012>(*gpib_, address, now_);
}

void TEM1012AVI::Open(const QString& address)
{
    Close();
    if (!loaded_ && !gpib_->Load())
        throw Error(gpib_->ErrorMessage());
    loaded_ = true;
    try {
        processor_ = MakeProcessor(address);
    } catch (const std::exception& failure) {
        qCWarning(lcGpib) << "No processor object for" << address << "-" << failure.what();
        throw Error(QStringLiteral("Imager Interface Create Failed"));
    }
    processor_->SetTiming(timing_);
    if (!processor_->Connect()) {
        const QString reason = processor_->ErrorMessage();
        processor_.reset();
        throw Error(QStringLiteral("Imager Not Opened: ") + reason);
    }
    file_name_ = address;
    title_ = CameraType() + QLatin1Char(' ') + address;
    for (std::vector<std::uint8_t>& buffer : buffers_)
        buffer.assign(UploadBufferBytes(), 0);
    ForgetFrames();
    stream_open_ = true;
}

void TEM1012AVI::Close()
{
    if (processor_) {
        processor_->WaitDownload();
        processor_->Disconnect();
    }
    prefetching_.reset();
    processor_.reset();
    stream_open_ = false;
}

bool TEM1012AVI::ReadRecordingInfo(EmRecordingInfo& info)
{
    if (!processor_ || !processor_->GetRecordingInfo(info))
        return false;
    SetRawGeometry(info.lines, info.line_length);
    return true;
}

void TEM1012AVI::SetRawGeometry(int lines, int line_length)
{
    if (lines > 0 && line_length > 0 && (lines != raw_lines_ || line_length != raw_line_length_)) {
        raw_lines_ = lines;
        raw_line_length_ = line_length;
        crop_.reset();
    }
    ForgetFrames();
}

QDateTime TEM1012AVI::RecordingDateTime() const
{
    const EMSessionRec& session = processor_->Session();
    const QDate date(BayYear(session.year), session.month, session.day);
    const QTime time(session.hour, session.minute);
    if (!date.isValid() || !time.isValid())
        return QDateTime::currentDateTime();
    return QDateTime(date, time);
}

void TEM1012AVI::SetFrames(std::int32_t first, std::int32_t count, std::int32_t interval)
{
    first_frame_ = first;
    frame_count_ = std::max(count, 0);
    interval_ = std::max(interval, 1);
    ForgetFrames();
}

std::int32_t TEM1012AVI::ProcessorFrame(std::int32_t index) const
{
    return first_frame_ + index * interval_;
}

std::int32_t TEM1012AVI::ClipIndex(std::int32_t frame) const
{
    return (frame - first_frame_) / interval_;
}

std::int32_t TEM1012AVI::FramesBetween(std::int32_t first, std::int32_t last, std::int32_t interval) const
{
    if (last < first || interval < 1)
        return 0;
    return (last - first) / interval + 1;
}

int TEM1012AVI::PictureWidth() const
{
    return raw_ ? raw_line_length_ : RoundedUpTo4(raw_line_length_);
}

void TEM1012AVI::SetCrop(std::optional<FrameRect> crop)
{
    crop_ = crop;
}

FrameRect TEM1012AVI::Crop() const
{
    const FrameRect whole { 0, 0, PictureWidth() - 1, PictureHeight() - 1 };
    if (!crop_)
        return whole;
    FrameRect rect = *crop_;
    rect.left = std::clamp(rect.left, 0, whole.right);
    rect.right = std::clamp(rect.right, rect.left, whole.right);
    rect.top = std::clamp(rect.top, 0, whole.bottom);
    rect.bottom = std::clamp(rect.bottom, rect.top, whole.bottom);
    return rect;
}

std::int64_t TEM1012AVI::ImageBytes() const
{
    return std::int64_t(dibRowBytes(OutputWidth(), 8)) * OutputHeight();
}

void TEM1012AVI::SetBrightnessGamma(double brightness, double gamma)
{
    brightness_ = brightness;
    gamma_ = gamma;
    tone_ = BuildEmToneTable(brightness, gamma);
}

void TEM1012AVI::ForgetFrames()
{
    holds_ = { kNone, kNone };
}

bool TEM1012AVI::FinishPrefetch()
{
    if (!prefetching_)
        return true;
    const auto [buffer, index] = *prefetching_;
    prefetching_.reset();
    // The frame counts only once its upload has been checked.
    const bool uploaded = processor_->WaitDownload();
    holds_[static_cast<std::size_t>(buffer)] = uploaded ? index : kNone;
    return uploaded;
}

bool TEM1012AVI::Fetch(std::int32_t index)
{
    if (!FinishPrefetch())
        processor_->ClearError();
    if (holds_[static_cast<std::size_t>(current_)] == index)
        return true;
    current_ = 1 - current_;
    auto& holds = holds_[static_cast<std::size_t>(current_)];
    if (holds == index)
        return true;
    holds = kNone;
    std::vector<std::uint8_t>& buffer = buffers_[static_cast<std::size_t>(current_)];
    if (!processor_->StartDownload(std::span(buffer).first(UploadBytes()), ProcessorFrame(index)))
        return false;
    if (!processor_->WaitDownload())
        return false;
    holds = index;
    return true;
}

void TEM1012AVI::Prefetch(std::int32_t index)
{
    const int other = 1 - current_;
    holds_[static_cast<std::size_t>(other)] = kNone;
    std::vector<std::uint8_t>& buffer = buffers_[static_cast<std::size_t>(other)];
    if (processor_->StartDownload(std::span(buffer).first(UploadBytes()), ProcessorFrame(index)))
        prefetching_ = std::pair { other, index };
}

FrameImage TEM1012AVI::BlankFrame() const
{
    FrameImage frame(OutputWidth(), OutputHeight(), 8);
    if (!raw_)
        frame.setColourTable(EmGreyPalette());
    return frame;
}

void TEM1012AVI::Convert(FrameImage& frame)
{
    if (frame.isNull() || frame.width() != OutputWidth() || frame.height() != OutputHeight()
        || frame.colourCount() != (raw_ ? 256U : 128U))
        frame = BlankFrame();
    const std::vector<std::uint8_t>& buffer = buffers_[static_cast<std::size_t>(current_)];
    const EmRawImage image { std::span(buffer).subspan(ImageOffset(),
                                 static_cast<std::size_t>(raw_lines_)
                                     * static_cast<std::size_t>(raw_line_length_)),
        raw_lines_, raw_line_length_ };
    EmConversion conversion { Crop(), invert_, mirror_, raw_ ? nullptr : &tone_, raw_ ? nullptr : &sharpen_,
        show_filter_mask_ && !raw_ };
    try {
        ConvertEmFrame(image, conversion, frame);
    } catch (const Error& failure) {
        qCWarning(lcGpib).noquote() << "Frame conversion failed:" << failure.message();
        throw Error(QStringLiteral("Internal Error: Convert to DIB"));
    }
}

void TEM1012AVI::FillUniform(FrameImage& frame) const
{
    if (frame.isNull() || frame.width() != OutputWidth() || frame.height() != OutputHeight())
        frame = BlankFrame();
    std::memset(frame.pixels(), 127, frame.pixelBytes());
}

std::optional<QString> TEM1012AVI::PreviewFrame(std::int32_t index, FrameImage& frame)
{
    if (!processor_)
        return QStringLiteral("Imager Not Opened");
    processor_->ClearError();
    if (!Fetch(index)) {
        ForgetFrames();
        return processor_->ErrorMessage();
    }
    Convert(frame);
    return std::nullopt;
}

int TEM1012AVI::ReadFrame(std::int32_t index, FrameImage& frame)
{
    processor_->ClearError();
    for (int tries = 1;; ++tries) {
        if (Fetch(index)) {
            if (prefetch_ && index + 1 < frame_count_)
                Prefetch(index + 1);
            Convert(frame);
            return kReadFrameOk;
        }
        ForgetFrames();
        if (tries % kTriesBeforeAsking == 0) {
            const QString message = QStringLiteral("Error Uploading Frame %1: ").arg(ProcessorFrame(index))
                + processor_->ErrorMessage();
            qCWarning(lcGpib).noquote() << message;
            const int answer = AskOnFrameReadError(message);
            if (answer != kAskRetry) {
                FillUniform(frame);
                if (answer == kAskAbort && abort_ != nullptr)
                    abort_->store(true);
                return answer;
            }
        }
        processor_->PollStatus(3);
    }
}

std::string TEM1012AVI::DescriptorText()
{
    const EMSessionRec& session = processor_->Session();
    recording_rate_ = session.rate_fps > 0 ? session.rate_fps : 1000.0;
    const auto line
        = [](const char* key, const QString& value) { return std::string(key) + "=" + value.toStdString(); };
    const std::vector<std::string> camera {
        line("Camera Type", CameraType()),
        line("Camera ID", QStringLiteral("N/A")),
        line("Session ID", QString::number(session.session)),
        line("Recording Rate", QString::number(session.rate_fps)),
        line("Exposure Setting", QString::number(session.exposure)),
        line("Date and Time", BayDateTimeText(RecordingDateTime())),
    };
    std::string block = BuildDescriptorBlock(recording_rate_ / interval_, 0, 0.0, camera, {});
    SetDescriptorValue(block, "Timing", "Frame Rate", FormatGeneral(recording_rate_ / interval_, 7));
    return block;
}

bool TEM1012AVI::GetInfo(TAVIStreamInfo& info)
{
    if (!stream_open_)
        return false;
    info = TAVIStreamInfo {};
    info.fccType = fourcc('v', 'i', 'd', 's');
    info.fccHandler = fourcc('k', 'o', 'd', 'k');
    info.dwScale = 1;
    info.dwRate = 15;
    info.dwLength = static_cast<std::uint32_t>(frame_count_);
    info.dwSuggestedBufferSize = static_cast<std::uint32_t>(ImageBytes());
    info.rcFrame[2] = OutputWidth() - 1;
    info.rcFrame[3] = OutputHeight() - 1;
    return true;
}

bool TEM1012AVI::BeginFrameAccess(FrameAccess*& handle)
{
    handle = nullptr;
    if (!stream_open_ || frame_count_ <= 0)
        return false;
    handle = new EmFrameAccess;
    return true;
}

bool TEM1012AVI::GetFrame(
    FrameAccess* handle, std::int32_t index, std::int32_t& size, const std::uint8_t*& frame)
{
    auto* access = dynamic_cast<EmFrameAccess*>(handle);
    if (access == nullptr || index < 0 || index >= frame_count_)
        return false;
    try {
        if (ReadFrame(index, access->frame) == kAskAbort)
            return false;
    } catch (const Error& failure) {
        qCWarning(lcGpib).noquote() << "Frame" << index << "-" << failure.message();
        return false;
    }
    size = static_cast<std::int32_t>(access->frame.packedSize());
    frame = access->frame.packed();
    return true;
}

void TEM1012AVI::EndFrameAccess(FrameAccess* handle)
{
    // A save that stopped early may have asked for the next frame already; the processor is
    // free again only once that upload is over.
    if (processor_ && prefetching_)
        FinishPrefetch();
    delete handle;
}

} // namespace fw
