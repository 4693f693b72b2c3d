// Reads arbitrary bytes as a BAY camera record, as the frame-size rule's file size and as a small
// mosaic. Every field and text must come out without a crash, a record must survive being
// written and read back unchanged, and the interpolation must stay inside its buffers.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clips/bay_frame_file.h"
#include "clips/bay_record.h"
#include "clips/bayer_interpolation.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void ReadRecord(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> padded(data, data + size);
    padded.resize(std::max(size, fw::kBayRecordBytes));
    const std::optional<fw::BayRecord> record = fw::ParseBayRecord(padded.data(), padded.size());
    Check(record.has_value());
    Check(!fw::ParseBayRecord(data, std::min(size, fw::kBayRecordBytes - 1)));

    const std::optional<QDateTime> when = fw::BayRecordDateTime(*record);
    std::string block;
    fw::SetBayDescriptors(block, *record, when.value_or(QDateTime()), int32_t(record->SessionId()) - 1);
    Check(!fw::BayExposureText(record->ExposureCode()).isEmpty());
    Check(fw::BayFrameRate(fw::BayRecordingRateText(*record)) > 0);

    fw::BayRecord copy = *record;
    copy.SetWords(record->Words());
    copy.SetTitles(record->Titles());
    const std::array<uint8_t, fw::kBayRecordBytes> bytes = fw::SerialiseBayRecord(copy);
    Check(std::memcmp(bytes.data(), padded.data(), 256) == 0);
    Check(std::memcmp(bytes.data() + fw::kBayProcessingOffset, padded.data() + fw::kBayProcessingOffset,
              fw::kBayRecordBytes - fw::kBayProcessingOffset)
        == 0);
    Check(copy.Titles() == record->Titles());
}

void CheckFrameSize(const uint8_t* data, size_t size)
{
    int64_t file_bytes = 0;
    if (size > 0)
        std::memcpy(&file_bytes, data, std::min(size, sizeof file_bytes));
    const std::optional<fw::BayFrameSize> frame = fw::BayFrameSizeForFile(file_bytes);
    if (frame)
        Check(
            frame->AcceptsFileSize(file_bytes) && frame->width == 512 && file_bytes >= frame->MosaicBytes());
}

// The bytes as the mosaic of the smallest pictures the interpolation takes.
void Interpolate(const uint8_t* data, size_t size)
{
    const int32_t width = 4 + 2 * int32_t(size % 3);
    const int32_t height = 4 + 2 * int32_t(size / 3 % 3);
    std::vector<uint8_t> cells(data, data + size);
    cells.resize(size_t(width * height));
    std::vector<uint8_t> dib(size_t(width * height * 3));
    fw::InterpolateBayerRaw(fw::BayerMosaic(cells.data(), width, height), size % 2 == 0, dib.data());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadRecord(data, size);
    CheckFrameSize(data, size);
    Interpolate(data, size);
    return 0;
}
