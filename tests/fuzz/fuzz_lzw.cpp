// Decodes arbitrary bytes as one LZW strip. The first byte picks the strip's size, small ones
// so that streams run past it; the decoder must stop there with a message.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "clips/tif_lzw.h"
#include "support/fw_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t capacity = data[0] < 0x10 ? data[0] : size_t(data[0]) * 256;
    std::vector<uint8_t> strip(capacity + 1, 0xA5);
    try {
        const size_t written = fw::DecodeTIFLzw(data + 1, size - 1, strip.data(), capacity);
        if (written > capacity)
            std::abort();
    } catch (const fw::Error&) {
    }
    // The byte after the strip is never touched.
    if (strip[capacity] != 0xA5)
        std::abort();
    return 0;
}
