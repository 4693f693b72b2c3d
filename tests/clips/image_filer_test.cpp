#include "clips/image_filer.h"

#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "clips/frame_image.h"
#include "support/fw_error.h"

namespace fw {
namespace {

struct FakeAccess : FrameAccess { };

// A clip stream that hands out frames from memory and counts what its reader asks of it.
class FakeStream : public TAVISTREAM {
public:
    FakeStream()
        : TAVISTREAM("AVI")
    {
    }

    std::vector<FrameImage> frames;
    bool fail_open = false;
    bool no_video = false;
    bool fail_begin = false;
    int opens = 0;
    int closes = 0;
    int begins = 0;
    int ends = 0;
    // When set, frames are handed out as these bytes instead.
    std::vector<uint8_t> raw_frame;

    void Open(const QString& file_name) override
    {
        ++opens;
        file_name_ = file_name;
        if (fail_open)
            throw Error("Stream Open Failed");
        stream_open_ = !no_video;
    }
    void Close() override
    {
        ++closes;
        TAVISTREAM::Close();
    }
    int32_t FrameCount() override { return int32_t(frames.size()); }
    bool BeginFrameAccess(FrameAccess*& handle) override
    {
        if (fail_begin)
            return false;
        ++begins;
        handle = new FakeAccess;
        return true;
    }
    bool GetFrame(FrameAccess*, int32_t index, int32_t& size, const uint8_t*& frame) override
    {
        if (!raw_frame.empty()) {
            frame = raw_frame.data();
            size = int32_t(raw_frame.size());
            return true;
        }
        if (index < 0 || index >= FrameCount())
            return false;
        frame = frames[size_t(index)].packed();
        size = int32_t(frames[size_t(index)].packedSize());
        return true;
    }
    void EndFrameAccess(FrameAccess* handle) override
    {
        ++ends;
        delete handle;
    }
};

uint8_t Pattern(int32_t x, int32_t y, int channel, int seed)
{
    return uint8_t(x * 7 + y * 13 + channel * 50 + seed * 31);
}

FrameImage PatternFrame(int32_t w, int32_t h, int bits, int seed = 0)
{
    FrameImage frame(w, h, bits);
    const int bpp = bits / 8;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            for (int c = 0; c < bpp; ++c)
                frame.topDownRow(y)[x * bpp + c] = Pattern(x, y, c, seed);
        }
    }
    return frame;
}

FrameImage FilledFrame(int32_t w, int32_t h, int bits, uint8_t value)
{
    FrameImage frame(w, h, bits);
    std::memset(frame.pixels(), value, frame.pixelBytes());
    return frame;
}

struct Reader {
    FakeStream* stream = nullptr;
    std::unique_ptr<TAVIFile> file;
};

Reader OpenReader(std::vector<FrameImage> frames)
{
    auto stream = std::make_unique<FakeStream>();
    stream->frames = std::move(frames);
    Reader reader { stream.get(), std::make_unique<TAVIFile>(std::move(stream)) };
    reader.file->Open("/data/run 4/clip.avi");
    return reader;
}

std::vector<uint8_t> Extract(
    TImageFiler& filer, FrameRect rect, int32_t out_w, int32_t out_h, TSharpener* sharpener = nullptr)
{
    const size_t bpp = size_t(filer.BitsPerSample() / 8);
    std::vector<uint8_t> out(size_t(out_w) * size_t(out_h) * bpp, 0xAB);
    filer.ExtractRect(out.data(), rect, sharpener, out_w, out_h);
    return out;
}

std::string OpenFailure(FakeStream* raw, const std::function<void(FakeStream&)>& setup)
{
    std::unique_ptr<FakeStream> stream(raw);
    setup(*stream);
    TAVIFile file(std::move(stream));
    try {
        file.Open("/data/run 4/clip.avi");
    } catch (const Error& e) {
        EXPECT_EQ(raw->begins, raw->ends) << "frame access left open";
        return e.what();
    }
    return "opened";
}

TEST(AviFileOpen, ReadsTheFirstFrameAndReleasesEverythingOnClose)
{
    Reader reader = OpenReader({ PatternFrame(6, 4, 24), PatternFrame(9, 5, 24) });
    TAVIFile& file = *reader.file;
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(reader.stream->opens, 1);
    EXPECT_EQ(file.FrameCount(), 2);
    EXPECT_EQ(file.CurrentIndex(), 0);
    EXPECT_EQ(file.Width(), 6);
    EXPECT_EQ(file.Height(), 4);
    EXPECT_EQ(file.BitsPerSample(), 24);
    EXPECT_EQ(file.SamplesPerPixel(), 1);
    EXPECT_EQ(file.ImageSize(), 20 * 4);

    file.SetCurrentIndex(1);
    ASSERT_TRUE(file.LoadFrame());
    EXPECT_EQ(file.Width(), 9);
    EXPECT_EQ(file.ImageSize(), 28 * 5);
    // The setters belong to other readers and change nothing here.
    file.SetWidth(100);
    file.SetBitsPerSample(8);
    EXPECT_EQ(file.Width(), 9);
    EXPECT_EQ(file.BitsPerSample(), 24);

    file.SetCurrentIndex(2);
    EXPECT_FALSE(file.LoadFrame());
    EXPECT_THROW(Extract(file, { 0, 0, 1, 1 }, 2, 2), Error);

    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(reader.stream->begins, 1);
    EXPECT_EQ(reader.stream->ends, 1);
    EXPECT_FALSE(reader.stream->IsOpen());
}

TEST(AviFileOpen, AnOpenStreamIsKeptAndReopeningEndsTheEarlierAccess)
{
    auto stream = std::make_unique<FakeStream>();
    stream->frames = { PatternFrame(4, 4, 8) };
    stream->Open("/data/clip.kfs");
    FakeStream* raw = stream.get();
    TAVIFile file(std::move(stream));
    file.Open("/elsewhere/other.avi");
    file.Open("/data/clip.kfs");
    EXPECT_EQ(raw->opens, 1);
    EXPECT_EQ(raw->FileName(), "/data/clip.kfs");
    EXPECT_EQ(raw->begins, 2);
    EXPECT_EQ(raw->ends, 1);
    EXPECT_THROW(TAVIFile(nullptr), Error);
}

TEST(AviFileOpen, EveryFailureNamesTheFileAndLeavesNoAccessOpen)
{
    const std::string expected = "clip.avi Open Frame Access Failed";
    // The stream's own reason follows on a line of its own.
    EXPECT_EQ(OpenFailure(new FakeStream, [](FakeStream& s) { s.fail_open = true; }),
        expected + "\rStream Open Failed");
    EXPECT_EQ(OpenFailure(new FakeStream, [](FakeStream& s) { s.no_video = true; }), expected);
    EXPECT_EQ(OpenFailure(new FakeStream,
                  [](FakeStream& s) {
                      s.frames = { PatternFrame(4, 4, 8) };
                      s.fail_begin = true;
                  }),
        expected);
    EXPECT_EQ(OpenFailure(new FakeStream, [](FakeStream&) {}), expected); // no frame 0

    // A decoder that hands out a damaged frame header is refused, not trusted.
    const auto damaged = [](void (*edit)(BitmapInfoHeader&)) {
        return [edit](FakeStream& s) {
            s.frames = { PatternFrame(8, 8, 8) };
            s.raw_frame.assign(s.frames[0].packed(), s.frames[0].packed() + s.frames[0].packedSize());
            edit(*reinterpret_cast<BitmapInfoHeader*>(s.raw_frame.data()));
        };
    };
    EXPECT_EQ(OpenFailure(new FakeStream, damaged([](BitmapInfoHeader& h) { h.biHeight = 4000; })), expected);
    EXPECT_EQ(
        OpenFailure(new FakeStream, damaged([](BitmapInfoHeader& h) { h.biClrUsed = 100000; })), expected);
    EXPECT_EQ(OpenFailure(new FakeStream, damaged([](BitmapInfoHeader& h) { h.biBitCount = 32; })), expected);
}

TEST(AviFileExtract, SameSizeCutIsTheRectangleTopRowFirst)
{
    for (int bits : { 8, 24 }) {
        const FrameImage frame = PatternFrame(10, 7, bits);
        Reader reader = OpenReader({ frame });
        const int bpp = bits / 8;
        const FrameRect rect { 2, 1, 6, 4 };
        const std::vector<uint8_t> out = Extract(*reader.file, rect, 5, 4);
        for (int32_t y = 0; y < 4; ++y) {
            const uint8_t* expected_row = frame.topDownRow(1 + y) + 2 * bpp;
            EXPECT_EQ(std::memcmp(out.data() + y * 5 * bpp, expected_row, size_t(5 * bpp)), 0)
                << bits << " " << y;
        }
        // The whole frame, including the last padded column.
        const std::vector<uint8_t> whole = Extract(*reader.file, { 0, 0, 9, 6 }, 10, 7);
        EXPECT_EQ(std::memcmp(whole.data() + 6 * 10 * bpp, frame.topDownRow(6), size_t(10 * bpp)), 0);
    }
}

TEST(AviFileExtract, OutsideThePictureReadsZeroAndBadSizesThrow)
{
    const FrameImage frame = PatternFrame(4, 3, 24);
    Reader reader = OpenReader({ frame });
    TAVIFile& file = *reader.file;

    // Rectangle hanging over the top-left and bottom-right corners.
    const std::vector<uint8_t> out = Extract(file, { -1, -1, 4, 3 }, 6, 5);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 3;
            for (int c = 0; c < 3; ++c) {
                const uint8_t expected = inside ? Pattern(x - 1, y - 1, c, 0) : 0;
                ASSERT_EQ(out[size_t((y * 6 + x) * 3 + c)], expected) << x << "," << y;
            }
        }
    }
    const std::vector<uint8_t> away = Extract(file, { 100, 100, 103, 101 }, 4, 2);
    EXPECT_EQ(away, std::vector<uint8_t>(4 * 2 * 3, 0));
    const std::vector<uint8_t> away_scaled = Extract(file, { -50, 2, -40, 9 }, 3, 3);
    EXPECT_EQ(away_scaled, std::vector<uint8_t>(3 * 3 * 3, 0));

    std::vector<uint8_t> buffer(64);
    EXPECT_THROW(file.ExtractRect(buffer.data(), { 3, 0, 2, 1 }, nullptr, 1, 1), Error);
    EXPECT_THROW(file.ExtractRect(buffer.data(), { 0, 0, 1, 1 }, nullptr, 0, 2), Error);
    EXPECT_THROW(file.ExtractRect(buffer.data(), { INT32_MIN, 0, INT32_MAX, 1 }, nullptr, 2, 2), Error);
    EXPECT_THROW(file.ExtractRect(nullptr, { 0, 0, 1, 1 }, nullptr, 2, 2), Error);
}

TEST(AviFileExtract, TransformsSeeEveryPixelWithItsPosition)
{
    Reader grey = OpenReader({ PatternFrame(5, 5, 8) });
    grey.file->SetGreyTransform([](uint8_t v) { return uint8_t(255 - v); });
    const std::vector<uint8_t> inverted = Extract(*grey.file, { 1, 2, 3, 4 }, 3, 3);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(inverted[size_t(y * 3 + x)], 255 - Pattern(1 + x, 2 + y, 0, 0));
    }

    Reader colour = OpenReader({ PatternFrame(5, 5, 24) });
    std::vector<std::pair<int32_t, int32_t>> seen;
    colour.file->SetColourTransform([&seen](int32_t x, int32_t y, uint8_t* bgr) {
        seen.emplace_back(x, y);
        std::swap(bgr[0], bgr[2]);
    });
    const std::vector<uint8_t> swapped = Extract(*colour.file, { 1, 2, 2, 3 }, 2, 2);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>> { { 0, 0 }, { 1, 0 }, { 0, 1 }, { 1, 1 } }));
    EXPECT_EQ(swapped[0], Pattern(1, 2, 2, 0));
    EXPECT_EQ(swapped[2], Pattern(1, 2, 0, 0));
}

TEST(AviFileResample, BlendsNeighbourColumnsAndAveragesEachRowWithTheNext)
{
    FrameImage frame(3, 2, 8);
    const uint8_t top[3] = { 0, 100, 200 };
    const uint8_t bottom[3] = { 50, 150, 250 };
    std::memcpy(frame.topDownRow(0), top, 3);
    std::memcpy(frame.topDownRow(1), bottom, 3);
    Reader reader = OpenReader({ frame });
    EXPECT_EQ(Extract(*reader.file, { 0, 0, 2, 1 }, 5, 2),
        (std::vector<uint8_t> { 25, 75, 125, 175, 225, 50, 100, 150, 200, 250 }));

    // Halfway samples round up; one output pixel takes the first sample.
    FrameImage pair(2, 1, 8);
    pair.topDownRow(0)[1] = 1;
    Reader small = OpenReader({ pair });
    EXPECT_EQ(Extract(*small.file, { 0, 0, 1, 0 }, 3, 1), (std::vector<uint8_t> { 0, 1, 1 }));
    EXPECT_EQ(Extract(*reader.file, { 0, 0, 2, 1 }, 1, 1), (std::vector<uint8_t> { 25 }));
    EXPECT_EQ(Extract(*reader.file, { 0, 0, 2, 1 }, 1, 3), (std::vector<uint8_t> { 25, 25, 50 }));
}

TEST(AviFileResample, BottomRowNeverBlendsWithAnEarlierCut)
{
    // A bright picture above a dark one: a large cut of the bright part first fills the buffer.
    FrameImage frame = FilledFrame(64, 64, 8, 0);
    for (int32_t y = 0; y < 32; ++y)
        std::memset(frame.topDownRow(y), 255, 64);
    Reader reader = OpenReader({ frame });
    Extract(*reader.file, { 0, 0, 63, 31 }, 20, 20);
    const std::vector<uint8_t> dark = Extract(*reader.file, { 0, 40, 9, 49 }, 7, 7);
    EXPECT_EQ(dark, std::vector<uint8_t>(49, 0));
}

TEST(AviFileResample, ColourChannelsResampleLikeGreyPictures)
{
    const FrameImage colour = PatternFrame(40, 30, 24, 3);
    std::vector<FrameImage> channels;
    for (int c = 0; c < 3; ++c) {
        FrameImage grey(40, 30, 8);
        for (int32_t y = 0; y < 30; ++y) {
            for (int32_t x = 0; x < 40; ++x)
                grey.topDownRow(y)[x] = colour.topDownRow(y)[x * 3 + c];
        }
        channels.push_back(grey);
    }
    Reader colour_reader = OpenReader({ colour });
    Reader grey_reader = OpenReader(channels);
    const FrameRect rect { 3, 4, 33, 24 };
    for (const auto& [out_w, out_h] : { std::pair { 17, 9 }, std::pair { 64, 50 }, std::pair { 31, 40 } }) {
        const std::vector<uint8_t> out = Extract(*colour_reader.file, rect, out_w, out_h);
        for (int c = 0; c < 3; ++c) {
            grey_reader.file->SetCurrentIndex(c);
            ASSERT_TRUE(grey_reader.file->LoadFrame());
            const std::vector<uint8_t> plane = Extract(*grey_reader.file, rect, out_w, out_h);
            for (size_t i = 0; i < plane.size(); ++i)
                ASSERT_EQ(out[i * 3 + size_t(c)], plane[i]) << out_w << "x" << out_h << " channel " << c;
        }
    }
}

class RecordingSharpener : public TSharpener {
public:
    void Apply(uint8_t* image, int w, int h, int bytes_per_pixel) override
    {
        seen.assign(image, image + size_t(w) * size_t(h) * size_t(bytes_per_pixel));
        shape = { w, h, bytes_per_pixel };
        image[0] = 7;
    }
    std::vector<uint8_t> seen;
    std::vector<int> shape;
};

TEST(AviFileExtract, SharpenerRunsOnTheFinishedOutput)
{
    Reader reader = OpenReader({ PatternFrame(12, 12, 24) });
    const std::vector<uint8_t> plain = Extract(*reader.file, { 0, 0, 11, 11 }, 5, 6);
    RecordingSharpener sharpener;
    const std::vector<uint8_t> sharpened = Extract(*reader.file, { 0, 0, 11, 11 }, 5, 6, &sharpener);
    EXPECT_EQ(sharpener.shape, (std::vector<int> { 5, 6, 3 }));
    EXPECT_EQ(sharpener.seen, plain);
    EXPECT_EQ(sharpened[0], 7);
}

} // namespace
} // namespace fw
