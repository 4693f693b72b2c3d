// Reads arbitrary bytes as the chart's stored look, both as the raw block and as the Base64 text
// the settings store holds. A block taken in must come back the same after being written again.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "signals/graph_appearance.h"

namespace {

void CheckBlock(const QByteArray& block)
{
    const std::optional<fw::GraphAppearance> look = fw::GraphAppearance::Decode(block);
    if (!look)
        return;
    if (look->font_point_size < fw::kMinFontPointSize || look->font_point_size > fw::kMaxFontPointSize
        || look->line_width < fw::kMinLineWidth || look->line_width > fw::kMaxLineWidth)
        std::abort();
    const std::optional<fw::GraphAppearance> again = fw::GraphAppearance::Decode(look->Encode());
    if (!again || !(*again == *look))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckBlock(bytes);
    CheckBlock(QByteArray::fromBase64(bytes));
    return 0;
}
