#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <QString>

#include "clips/avi_stream.h"
#include "clips/frame_image.h"
#include "clips/image_filer.h"
#include "clips/processing_color_pick.h"
#include "clips/processing_pipeline.h"

namespace fw {

// Answers of ReadFrame besides success: what the user chose in the save's error prompt.
inline constexpr int kReadFrameOk = 1;

// The common base of the sources that re-process pictures from a frame reader: a frame range
// sampled at an interval, a crop rectangle and an output size, and the colour and tone
// pipeline. A save reads the selected frames one per call as packed frames (bottom-up rows).
class TBaseAVI : public TAVISTREAM {
public:
    explicit TBaseAVI(QString options_section);
    ~TBaseAVI() override;

    // Picture facts of the first frame.
    int32_t ImageWidth() const { return width_; }
    int32_t ImageHeight() const { return height_; }
    int BitsPerPixel() const { return bits_per_pixel_; }
    bool IsColour() const { return bits_per_pixel_ > 8; }
    // ((bits per pixel x width / 8) + 3, rounded down to 4) x height of the saved frames.
    int64_t ImageBytes() const;
    // 0 for colour, else 2 ^ bits per pixel grey entries.
    int PaletteSize() const;

    // Numbers of the source's frames.
    int32_t LowestNumber() const { return lowest_number_; }
    int32_t HighestNumber() const { return highest_number_; }
    int32_t FirstNumber() const { return first_number_; }
    int32_t Interval() const { return interval_; }
    // Selects first .. last every `interval` (at least 1): both are kept within the source's
    // numbers and last is moved down onto the interval grid. Throws fw::Error for an empty range.
    void SetFrameRange(int32_t first, int32_t last, int32_t interval);
    int32_t FrameCount() override;
    // The source frame number a saved index reads.
    int32_t SourceNumber(int32_t index) const { return first_number_ + index * interval_; }

    // The part of the picture saved (inclusive, top-down) and the size it is resampled to.
    // Without a call the whole picture is saved at its own size.
    void SetCrop(const FrameRect& rect);
    FrameRect CropRect() const { return crop_; }
    void SetOutputSize(int32_t width, int32_t height);
    int32_t OutputWidth() const { return out_width_; }
    int32_t OutputHeight() const { return out_height_; }

    ProcessingPipeline& Pipeline() { return pipeline_; }
    // Off: frames come out exactly as read (cut and resized only), without the pipeline.
    void SetProcessing(bool on) { processing_ = on; }
    bool Processing() const { return processing_; }

    // Reads saved frame `index`, processed, into `destination` (ImageBytes, bottom-up padded
    // rows). A frame that cannot be read is filled with 127 and the save's error prompt asks
    // Abort, Retry or Ignore: answers kReadFrameOk, or kAskAbort / kAskRetry / kAskIgnore.
    int ReadFrame(int32_t index, uint8_t* destination);

    // Source frame `number`, whole and processed, for showing.
    void PreviewFrame(int32_t number, FrameImage& frame);
    // The unprocessed colour of one pixel (top-down coordinates) of source frame `number`.
    PixelColor RawPixel(int32_t number, int32_t x, int32_t y);
    // What the source reads: the clip, or folder + "*" + extension of a numbered sequence.
    virtual QString Pattern() const { return file_name_; }
    // The name a preview shows for source frame `number`.
    virtual QString FrameFileName(int32_t number) const;

    // "Video", "Video(Tiff)" ...
    virtual QString TypeName() const = 0;
    // Frames per second of the source's frames.
    virtual double FrameRate() const;
    // The descriptor block the saved clip carries.
    virtual std::string DescriptorText() const;
    // The source's own descriptor block (as stored in a clip, or made from a sequence's camera
    // block); empty when it has none.
    const std::string& SourceDescriptor() const { return source_descriptor_; }

    bool GetInfo(TAVIStreamInfo& info) override;
    bool BeginFrameAccess(FrameAccess*& handle) override;
    bool GetFrame(FrameAccess* handle, int32_t index, int32_t& size, const uint8_t*& frame) override;
    void EndFrameAccess(FrameAccess* handle) override;

protected:
    // Loads source frame `number` into Filer(); throws fw::Error with the user's message.
    virtual void LoadSourceFrame(int32_t number) = 0;
    virtual TImageFiler& Filer() = 0;
    // Fixes the picture facts from the first frame and resets range, crop and output size.
    void SetGeometry(int32_t width, int32_t height, int bits_per_pixel, int32_t lowest, int32_t highest);
    // Raises the error of a frame whose picture differs from the first one.
    void CheckFormat(const QString& name, int32_t width, int32_t height, int bits_per_pixel) const;

    // The source's own descriptor block; empty when it has none.
    std::string source_descriptor_;

private:
    void ProduceFrame(int32_t index, FrameImage& frame);
    // Cuts `rect` of source frame `number`, resampled to width x height, optionally processed.
    void Render(int32_t number, const FrameRect& rect, int32_t width, int32_t height, FrameImage& frame,
        bool processed);

    int32_t width_ = 0;
    int32_t height_ = 0;
    int bits_per_pixel_ = 0;
    int32_t lowest_number_ = 10000000;
    int32_t highest_number_ = 0;
    int32_t first_number_ = 0;
    int32_t interval_ = 1;
    int32_t frame_count_ = 0;
    FrameRect crop_;
    int32_t out_width_ = 0;
    int32_t out_height_ = 0;
    ProcessingPipeline pipeline_ { WhiteLevelSource::Full };
    bool processing_ = true;
    // One reader and pipeline serve the preview and a save's worker in turn.
    std::mutex read_mutex_;
    std::vector<uint8_t> extracted_;
};

} // namespace fw
