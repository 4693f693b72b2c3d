#include "clips/tif_predictor.h"

namespace fw {

void UndoHorizontalDifferencing(uint8_t* rows, size_t size, size_t row_bytes, int samples_per_pixel)
{
    const size_t stride = size_t(samples_per_pixel);
    if (row_bytes <= stride || stride == 0)
        return;
    for (size_t start = 0; row_bytes <= size - start; start += row_bytes) {
        uint8_t* row = rows + start;
        for (size_t i = stride; i < row_bytes; ++i)
            row[i] = uint8_t(row[i] + row[i - stride]);
    }
}

} // namespace fw
