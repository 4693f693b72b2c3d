#pragma once

#include <array>
#include <atomic>
#include <climits>
#include <memory>
#include <optional>
#include <vector>

#include <QDateTime>

#include "clips/avi_stream.h"
#include "clips/frame_image.h"
#include "clips/sharpen.h"
#include "imagers/em/em_frame_conversion.h"
#include "imagers/gpib/em1012.h"

namespace fw {

class TGPIB;

// The recording of an attached EM 1012 processor as a read-only clip of 8-bit grey frames:
// clip frame k is processor frame first + k x interval, uploaded into one of two buffers while
// the next is fetched into the other during a save, then cropped, flipped, mapped through the
// tone table and sharpened into a bitmap with 128 greys. The HS 4540 stream derives from it.
class TEM1012AVI : public TAVISTREAM {
public:
    // `gpib` is the program's driver library; it is loaded on Open and unloaded once when the
    // stream goes.
    explicit TEM1012AVI(std::shared_ptr<TGPIB> gpib, SteadyNow now = RealSteadyNow);
    ~TEM1012AVI() override;

    // Connects to the processor at `address` ("board:device") with the timing given before.
    // Throws fw::Error "GPIB Error: ...", "Imager Interface Create Failed" or
    // "Imager Not Opened: " + the processor's message.
    void Open(const QString& address) override;
    void Close() override;
    void SetTiming(const EmTiming& timing) { timing_ = timing; }

    // "EM 1012" or "HS 4540": the kind in descriptors and the settings section.
    virtual QString CameraType() const { return QStringLiteral("EM 1012"); }
    TEM1012& Processor() const { return *processor_; }
    // Reads the recording's information from the processor and takes its picture size; false
    // (with the processor's error) when there is no recording to read.
    bool ReadRecordingInfo(EmRecordingInfo& info);
    // The recording's date and time; the current time when the processor gives none.
    virtual QDateTime RecordingDateTime() const;

    // Clip frames: `count` processor frames from `first` every `interval`.
    void SetFrames(std::int32_t first, std::int32_t count, std::int32_t interval);
    std::int32_t FirstFrame() const { return first_frame_; }
    std::int32_t Interval() const { return interval_; }
    std::int32_t FrameCount() override { return frame_count_; }
    // The processor frame number of clip frame `index`.
    virtual std::int32_t ProcessorFrame(std::int32_t index) const;
    // The clip frame of processor frame `frame`.
    virtual std::int32_t ClipIndex(std::int32_t frame) const;
    // How many frames first, first + interval, ... lie at or before `last`.
    virtual std::int32_t FramesBetween(std::int32_t first, std::int32_t last, std::int32_t interval) const;
    // Whether the processor numbers a recording around its trigger without a frame 0.
    virtual bool SkipsFrameZero() const { return false; }

    // The uploaded picture: lines and samples per line; the picture's size with the width
    // rounded up to a multiple of 4 for the bitmap, or the crop's size while cropping.
    int RawLines() const { return raw_lines_; }
    int RawLineLength() const { return raw_line_length_; }
    int PictureWidth() const;
    int PictureHeight() const { return raw_lines_; }
    // The part of the picture saved (inclusive, in the flipped picture's coordinates); none: all.
    void SetCrop(std::optional<FrameRect> crop);
    FrameRect Crop() const;
    int OutputWidth() const { return Crop().Width(); }
    int OutputHeight() const { return Crop().Height(); }
    std::int64_t ImageBytes() const;

    void SetInvert(bool on) { invert_ = on; }
    bool Invert() const { return invert_; }
    void SetMirror(bool on) { mirror_ = on; }
    bool Mirror() const { return mirror_; }
    void SetShowFilterMask(bool on) { show_filter_mask_ = on; }
    bool ShowFilterMask() const { return show_filter_mask_; }
    void SetBrightnessGamma(double brightness, double gamma);
    double Brightness() const { return brightness_; }
    double Gamma() const { return gamma_; }
    TSharpen& Sharpen() { return sharpen_; }
    const TSharpen& Sharpen() const { return sharpen_; }
    // Raw: the uploaded samples unchanged with 256 greys, at the raw line length (no tone,
    // filter or rounded width); crop and flips still apply.
    void SetRaw(bool raw) { raw_ = raw; }
    bool Raw() const { return raw_; }

    // During a save the next frame is uploaded while the current one is converted.
    void SetPrefetch(bool on) { prefetch_ = on; }
    // Set when the user aborts a frame that could not be uploaded.
    void SetAbortFlag(std::atomic<bool>* abort) { abort_ = abort; }
    // Forgets both buffers, so that the next read uploads again.
    void ForgetFrames();

    // Reads clip frame `index` into `frame` (the output size, 8 bits). A failed upload is tried
    // again; after every third failure the save's error prompt asks Abort, Retry or Ignore, and
    // the frame is filled with 127. Answers kReadFrameOk, kAskAbort or kAskIgnore.
    int ReadFrame(std::int32_t index, FrameImage& frame);
    // Reads clip frame `index` once, without prompting: the processor's message on failure.
    std::optional<QString> PreviewFrame(std::int32_t index, FrameImage& frame);

    // The recording rate in frames per second (1000 until the descriptor step read it).
    double RecordingRate() const { return recording_rate_; }
    // The descriptor block of the saved clip: [Camera] facts and the frame rate of the interval.
    std::string DescriptorText();

    bool GetInfo(TAVIStreamInfo& info) override;
    bool BeginFrameAccess(FrameAccess*& handle) override;
    bool GetFrame(
        FrameAccess* handle, std::int32_t index, std::int32_t& size, const std::uint8_t*& frame) override;
    void EndFrameAccess(FrameAccess* handle) override;
    bool CanSave() const override { return processor_ != nullptr && processor_->IsConnected(); }

protected:
    virtual std::unique_ptr<TEM1012> MakeProcessor(const QString& address);
    // Bytes of one upload buffer and where the picture's first sample lies in it.
    virtual std::size_t UploadBufferBytes() const { return TEM1012::kEmUploadBytes; }
    virtual std::size_t ImageOffset() const { return TEM1012::kHeaderBytes; }
    // The bytes StartDownload asks for.
    virtual std::size_t UploadBytes() const { return TEM1012::kEmUploadBytes; }
    void SetRawGeometry(int lines, int line_length);

    std::shared_ptr<TGPIB> gpib_;
    SteadyNow now_;
    std::unique_ptr<TEM1012> processor_;

private:
    static constexpr std::int32_t kNone = INT32_MAX;
    // Makes sure the current buffer holds clip frame `index`; false with the processor's error.
    bool Fetch(std::int32_t index);
    bool FinishPrefetch();
    void Prefetch(std::int32_t index);
    void Convert(FrameImage& frame);
    void FillUniform(FrameImage& frame) const;
    FrameImage BlankFrame() const;

    EmTiming timing_;
    bool loaded_ = false;
    int raw_lines_ = TEM1012::kEmLines;
    int raw_line_length_ = TEM1012::kEmLineLength;
    std::optional<FrameRect> crop_;
    bool invert_ = false;
    bool mirror_ = false;
    bool show_filter_mask_ = false;
    bool raw_ = false;
    double brightness_ = 1.0;
    double gamma_ = 1.8;
    EmToneTable tone_ {};
    TSharpen sharpen_;
    std::int32_t first_frame_ = 1;
    std::int32_t interval_ = 1;
    std::int32_t frame_count_ = 0;
    double recording_rate_ = 1000.0;
    std::array<std::vector<std::uint8_t>, 2> buffers_;
    std::array<std::int32_t, 2> holds_ { kNone, kNone };
    int current_ = 0;
    // The buffer and clip frame of an upload started ahead, not yet checked.
    std::optional<std::pair<int, std::int32_t>> prefetching_;
    bool prefetch_ = false;
    std::atomic<bool>* abort_ = nullptr;
};

} // namespace fw
