#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "clips/avi_stream.h"

namespace fw {

// Sharpens an extracted picture in place (top row first, rows unpadded).
class TSharpener {
public:
    virtual ~TSharpener() = default;
    virtual void Apply(uint8_t* image, int w, int h, int bytes_per_pixel) = 0;
};

// A rectangle of a picture in top-down coordinates; right and bottom are inclusive.
struct FrameRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left + 1; }
    int32_t Height() const { return bottom - top + 1; }
};

// Maps one 24-bit pixel in place; x and y are its position in the cut rectangle.
using ColourTransform = std::function<void(int32_t x, int32_t y, uint8_t* blue_green_red)>;
// Maps one 8-bit pixel value.
using GreyTransform = std::function<uint8_t(uint8_t value)>;

// Bottom-up pixel rows of one 8-bit or 24-bit picture, as a packed frame stores them.
struct SourcePixels {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t row_bytes = 0;
    int bytes_per_pixel = 1;
};

// A frame reader for processing: cuts a rectangle out of the current picture, maps every pixel
// through the optional transform and resamples it to the output size.
class TImageFiler {
public:
    TImageFiler() = default;
    virtual ~TImageFiler() = default;
    TImageFiler(const TImageFiler&) = delete;
    TImageFiler& operator=(const TImageFiler&) = delete;

    // ((width x bits per sample x samples per pixel / 8) + 3, rounded down to 4) x height.
    virtual int64_t ImageSize();
    virtual int32_t Width() = 0;
    virtual void SetWidth(int32_t width) = 0;
    virtual int32_t Height() = 0;
    virtual void SetHeight(int32_t height) = 0;
    virtual int BitsPerSample() = 0;
    virtual void SetBitsPerSample(int bits) = 0;
    virtual int SamplesPerPixel() = 0;
    virtual void SetSamplesPerPixel(int samples) = 0;
    // Writes out_w x out_h pixels, top row first, rows unpadded (out_w x out_h x bytes per pixel
    // bytes). Parts of the rectangle outside the picture read as zero. Throws fw::Error for an
    // empty rectangle or output size, or when no picture is loaded.
    virtual void ExtractRect(
        uint8_t* output, const FrameRect& rect, TSharpener* sharpener, int32_t out_w, int32_t out_h)
        = 0;
    virtual bool LoadFrame() = 0;
    virtual void SaveToFile(const QString& file_name) = 0;

    void SetColourTransform(ColourTransform transform) { colour_transform_ = std::move(transform); }
    void SetGreyTransform(GreyTransform transform) { grey_transform_ = std::move(transform); }

protected:
    // The extraction shared by every reader.
    void ExtractFromPixels(const SourcePixels& source, uint8_t* output, const FrameRect& rect,
        TSharpener* sharpener, int32_t out_w, int32_t out_h);

private:
    void CutRect(const SourcePixels& source, const FrameRect& rect, uint8_t* target);

    ColourTransform colour_transform_;
    GreyTransform grey_transform_;
    // Kept between calls; one row more than the rectangle, which the resampler reads last.
    std::vector<uint8_t> intermediate_;
};

// Resamples a top-down, unpadded picture of rows + 1 rows (the extra row after the last) to
// out_w x out_h, each byte of a pixel on its own.
void ResamplePixels(const uint8_t* source, int32_t width, int32_t rows, int bytes_per_pixel, uint8_t* output,
    int32_t out_w, int32_t out_h);

// Reads the frames of a clip stream for processing. Owns the stream.
class TAVIFile : public TImageFiler {
public:
    explicit TAVIFile(std::unique_ptr<TAVISTREAM> stream);
    ~TAVIFile() override;

    // Opens the stream when it is not open yet, begins frame access and decodes frame 0. Throws
    // fw::Error(short name + " Open Frame Access Failed") on any failure.
    void Open(const QString& file_name);
    void Close();

    int32_t Width() override;
    void SetWidth(int32_t) override { }
    int32_t Height() override;
    void SetHeight(int32_t) override { }
    int BitsPerSample() override;
    void SetBitsPerSample(int) override { }
    int SamplesPerPixel() override { return 1; }
    void SetSamplesPerPixel(int) override { }
    void ExtractRect(
        uint8_t* output, const FrameRect& rect, TSharpener* sharpener, int32_t out_w, int32_t out_h) override;
    // Decodes the frame at the current index; false (and no picture) when that fails.
    bool LoadFrame() override;
    void SaveToFile(const QString&) override { }

    // Whether the loaded picture is 8-bit with a grey colour table (entry i is i, i, i).
    bool GreyTable() const { return grey_table_; }
    // With expansion on, 8-bit pictures are read as 24-bit blue-green-red through their colour
    // table, so pictures whose indices are no grey values keep their colours. Takes effect
    // with the next LoadFrame.
    void SetExpandPalette(bool expand) { expand_palette_ = expand; }
    bool ExpandsPalette() const { return expand_palette_; }

    int32_t CurrentIndex() const { return current_index_; }
    void SetCurrentIndex(int32_t index) { current_index_ = index; }
    int32_t FrameCount() const { return frame_count_; }
    bool IsOpen() const { return access_ != nullptr; }
    TAVISTREAM& Stream() { return *stream_; }

private:
    // The stream's own reason, when it gave one, follows on a second line.
    [[noreturn]] void FailOpen(const QString& file_name, const QString& reason = {});
    static bool IsGreyTable(const uint8_t* table, uint32_t colours);
    void ExpandThroughTable(const uint8_t* table, uint32_t colours);

    std::unique_ptr<TAVISTREAM> stream_;
    FrameAccess* access_ = nullptr;
    int32_t current_index_ = 0;
    int32_t frame_count_ = 0;
    // The stream's packed frame, valid until the next GetFrame on access_.
    const uint8_t* frame_ = nullptr;
    SourcePixels pixels_;
    bool grey_table_ = false;
    bool expand_palette_ = false;
    std::vector<uint8_t> expanded_; // the 24-bit rows of an expanded picture
};

} // namespace fw
