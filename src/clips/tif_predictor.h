#pragma once

#include <cstddef>
#include <cstdint>

namespace fw {

// Undoes TIFF horizontal differencing (predictor 2) for 8-bit samples: within each row every
// sample is stored as its difference to the same sample of the pixel before. A trailing part
// row is left as it is.
void UndoHorizontalDifferencing(uint8_t* rows, size_t size, size_t row_bytes, int samples_per_pixel);

} // namespace fw
