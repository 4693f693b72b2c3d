#include "imagers/em/em_frame_conversion.h"

#include <algorithm>
#include <cmath>

#include "clips/sharpen.h"

namespace fw {

namespace {

constexpr int kTopGrey = 127;

std::uint8_t Limited(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, kTopGrey));
}

// Samples of one picture line before tone and filter.
void SourceLine(const EmRawImage& raw, const EmConversion& conversion, int y, std::span<std::uint8_t> line)
{
    const int raw_line = std::clamp(conversion.invert ? raw.lines - 1 - y : y, 0, raw.lines - 1);
    const std::uint8_t* samples = raw.samples.data() + static_cast<std::size_t>(raw_line) * raw.line_length;
    const int last = raw.line_length - 1;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const int x = std::min(conversion.crop.left + static_cast<int>(i), last);
        const int raw_x = conversion.mirror ? last - x : x;
        const std::uint8_t sample = samples[std::clamp(raw_x, 0, last)];
        line[i] = conversion.tone != nullptr ? (*conversion.tone)[sample] : sample;
    }
}

bool FilterPass(const EmConversion& conversion)
{
    return conversion.sharpen != nullptr && conversion.sharpen->Filter() != SharpenFilter::None
        && (conversion.sharpen->Strength() != 0 || conversion.show_filter_mask);
}

} // namespace

EmToneTable BuildEmToneTable(double brightness, double gamma)
{
    if (gamma <= 0.0)
        gamma = 0.001;
    EmToneTable table {};
    for (int i = 0; i < 256; ++i) {
        const int v = i / 2;
        const double step
            = i >= 3 ? std::round(kTopGrey * std::pow(v / double(kTopGrey), 1.0 / gamma)) - v : 0.0;
        const double entry = std::round(v * brightness + step);
        table[static_cast<std::size_t>(i)]
            = Limited(static_cast<int>(std::clamp(entry, 0.0, double(kTopGrey))));
    }
    return table;
}

std::vector<RgbQuad> EmGreyPalette()
{
    std::vector<RgbQuad> palette(kTopGrey + 1);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const auto grey = static_cast<std::uint8_t>(2 * i);
        palette[i] = RgbQuad { grey, grey, grey, 0 };
    }
    return palette;
}

void ConvertEmFrame(const EmRawImage& raw, const EmConversion& conversion, FrameImage& picture)
{
    const int width = conversion.crop.Width();
    const int height = conversion.crop.Height();
    std::vector<std::uint8_t> plain(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        SourceLine(raw, conversion, conversion.crop.top + row,
            std::span(plain).subspan(static_cast<std::size_t>(row) * width, static_cast<std::size_t>(width)));
    const bool filtered = FilterPass(conversion);
    if (filtered) {
        conversion.sharpen->SetColor(false);
        conversion.sharpen->SetWidth(width);
        conversion.sharpen->SetHeight(height);
        conversion.sharpen->BuildFilterMask(plain.data(), width);
    }
    for (int row = 0; row < height; ++row) {
        std::uint8_t* target = picture.topDownRow(row);
        const std::uint8_t* source = plain.data() + static_cast<std::size_t>(row) * width;
        if (!filtered) {
            std::copy_n(source, width, target);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const int step = conversion.sharpen->StepAtPixel(x, row);
            target[x] = Limited(conversion.show_filter_mask ? 64 + step : source[x] + step);
        }
    }
}

} // namespace fw
