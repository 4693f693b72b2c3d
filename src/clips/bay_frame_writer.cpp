#include "clips/bay_frame_writer.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <QDir>

#include "clips/bay_frame_file.h"

namespace fw {

void BayFrameWriter::SetDestination(const QString& folder)
{
    destination_ = folder;
    destination_made_ = false;
}

void BayFrameWriter::SetWord(size_t index, int16_t value)
{
    if (index < words_.size())
        words_[index] = value;
}

void BayFrameWriter::SetFrameTime(double time_ms)
{
    const std::array<int32_t, 3> split = SplitBayFrameTime(time_ms);
    time_ = split;
}

double BayFrameWriter::FrameTimeMs() const
{
    return BayFrameTimeMs(time_[0], time_[1], time_[2]);
}

bool BayFrameWriter::MakeDestination()
{
    if (destination_made_)
        return true;
    if (destination_.isEmpty() || !QDir().mkpath(destination_))
        return false;
    if (!destination_.endsWith(u'/'))
        destination_ += u'/';
    destination_made_ = true;
    return true;
}

void BayFrameWriter::Stamp(std::vector<uint8_t>& record, int64_t mosaic_bytes) const
{
    std::optional<BayRecord> camera
        = ParseBayRecord(record.data() + mosaic_bytes, record.size() - size_t(mosaic_bytes));
    if (!camera)
        return;
    BayProcessingWords words = words_;
    for (size_t i = 0; i < time_.size(); ++i)
        words[size_t(BayWord::TimeSeconds) + i] = int16_t(time_[i]);
    camera->SetWords(words);
    camera->SetTitles(titles_);
    const std::array<uint8_t, kBayRecordBytes> bytes = SerialiseBayRecord(*camera);
    std::memcpy(record.data() + mosaic_bytes, bytes.data(), bytes.size());
}

// The three counters grow without carry, as the reader's formula allows; a carry is made only
// when a counter would no longer fit its 16-bit word, which leaves the time the same.
void BayFrameWriter::AdvanceTime()
{
    const int64_t n = frame_rate_ > 0 ? std::llround(double(frame_step_) / frame_rate_ * 1e6) : 0;
    time_[0] += int32_t(n / 1000000);
    time_[1] += int32_t(n / 1000 % 1000);
    time_[2] += int32_t(n % 1000);
    constexpr int32_t kWordMax = std::numeric_limits<int16_t>::max();
    if (time_[1] > kWordMax || time_[2] > kWordMax) {
        time_[1] += time_[2] / 1000;
        time_[2] %= 1000;
        time_[0] += time_[1] / 1000;
        time_[1] %= 1000;
    }
}

bool BayFrameWriter::Write(std::vector<uint8_t>& record, int64_t mosaic_bytes, const QString& file_name)
{
    if (mosaic_bytes < 0 || size_t(mosaic_bytes) > record.size() || !MakeDestination())
        return false;
    Stamp(record, mosaic_bytes);
    if (!WriteBayFrameFile(destination_ + file_name, record))
        return false;
    AdvanceTime();
    return true;
}

} // namespace fw
