#include "clips/bayer_interpolation.h"

#include "clips/processing_pipeline.h"

namespace fw {

namespace bayer_detail {

Rgb TopRow(const BayerMosaic& m, int32_t x)
{
    const int32_t last = m.Width() - 1;
    if (x == 0)
        return { m.At(0, 1), (7 * m.At(0, 0) + m.At(1, 1)) / 8, m.At(1, 0) };
    if (x == last)
        return { m.At(0, last), (m.At(0, last - 1) + 7 * m.At(1, last)) / 8, m.At(1, last - 1) };
    if (x % 2 == 1)
        return { m.At(0, x), (m.At(0, x - 1) + m.At(0, x + 1) + m.At(1, x)) / 3,
            (m.At(1, x - 1) + m.At(1, x + 1)) / 2 };
    return { (m.At(0, x - 1) + m.At(0, x + 1)) / 2, (6 * m.At(0, x) + m.At(1, x - 1) + m.At(1, x + 1)) / 8,
        m.At(1, x) };
}

Rgb FirstColumn(const BayerMosaic& m, int32_t y)
{
    if (y % 2 == 1)
        return { (m.At(y - 1, 1) + m.At(y + 1, 1)) / 2, (m.At(y - 1, 0) + m.At(y, 1) + m.At(y + 1, 0)) / 3,
            m.At(y, 0) };
    return { m.At(y, 1), (6 * m.At(y, 0) + m.At(y - 1, 1) + m.At(y + 1, 1)) / 8,
        (m.At(y - 1, 0) + m.At(y + 1, 0)) / 2 };
}

Rgb LastColumn(const BayerMosaic& m, int32_t y)
{
    const int32_t last = m.Width() - 1;
    if (y % 2 == 1)
        return { (m.At(y - 1, last) + m.At(y + 1, last)) / 2, (7 * m.At(y, last) + m.At(y - 1, last - 1)) / 8,
            m.At(y, last - 1) };
    return { m.At(y, last), (m.At(y - 1, last) + m.At(y + 1, last) + m.At(y, last - 1)) / 3,
        (m.At(y - 1, last - 1) + m.At(y + 1, last - 1)) / 2 };
}

Rgb BottomRow(const BayerMosaic& m, int32_t x)
{
    const int32_t y = m.Height() - 1;
    const int32_t last = m.Width() - 1;
    if (x == 0)
        return { m.At(y - 1, 1), (m.At(y - 1, 0) + m.At(y, 1)) / 2, m.At(y, 0) };
    if (x == last)
        return { m.At(y - 1, last), (m.At(y - 1, last - 1) + 7 * m.At(y, last)) / 8, m.At(y, last - 1) };
    if (x % 2 == 1)
        return { m.At(y - 1, x), (m.At(y - 1, x - 1) + 6 * m.At(y, x) + m.At(y - 1, x + 1)) / 8,
            (m.At(y, x - 1) + m.At(y, x + 1)) / 2 };
    return { (m.At(y - 1, x - 1) + m.At(y - 1, x + 1)) / 2,
        (m.At(y, x - 1) + m.At(y - 1, x) + m.At(y, x + 1)) / 3, m.At(y, x) };
}

} // namespace bayer_detail

void InterpolateBayerRaw(const BayerMosaic& m, bool color, uint8_t* dib)
{
    if (color)
        InterpolateBayer(m, BayerRawStore { dib });
    else
        SpreadBayerGrey(m, BayerRawStore { dib });
}

void InterpolateBayerProcessed(
    const BayerMosaic& m, bool color, const ProcessingPipeline& pipeline, uint8_t* dib)
{
    const auto hook = [&pipeline, dib](size_t offset, uint8_t red, uint8_t green, uint8_t blue) {
        pipeline.PixelCallback(dib, offset, red, green, blue);
    };
    if (color)
        InterpolateBayer(m, hook);
    else
        SpreadBayerGrey(m, hook);
}

void RenderBayerFrame(const BayerMosaic& m, bool color, ProcessingPipeline& pipeline, uint8_t* dib)
{
    if (pipeline.NeedsFilterMask()) {
        InterpolateBayerRaw(m, color, dib);
        pipeline.BuildFilterMask(dib, m.Width(), m.Height(), m.Width() * 3, true);
    }
    InterpolateBayerProcessed(m, color, pipeline, dib);
}

} // namespace fw
