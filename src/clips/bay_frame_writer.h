#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "clips/bay_record.h"

namespace fw {

// Writes frames back out as BAY files ("Save Bayer Files"): each frame record is stamped with
// the processing words and titles, written under its own file name into the destination folder,
// and the running frame time moves on by one output frame.
class BayFrameWriter {
public:
    // The folder is created on the first write.
    void SetDestination(const QString& folder);
    const QString& Destination() const { return destination_; }

    void SetWord(size_t index, int16_t value);
    const BayProcessingWords& Words() const { return words_; }
    void SetTitles(const std::string& titles) { titles_ = titles; }

    // The time of the next frame written, and how far each written frame moves it.
    void SetFrameTime(double time_ms);
    double FrameTimeMs() const;
    void SetFrameRate(int32_t frames_per_s) { frame_rate_ = frames_per_s; }
    void SetFrameStep(int32_t step) { frame_step_ = step; }
    // Seconds, milliseconds and microseconds, kept apart as the processing words hold them.
    const std::array<int32_t, 3>& TimeCounters() const { return time_; }

    // Stamps the camera record (at mosaic_bytes) of `record` and writes it. False when the
    // folder or the file cannot be written; the time then stays.
    bool Write(std::vector<uint8_t>& record, int64_t mosaic_bytes, const QString& file_name);

private:
    bool MakeDestination();
    void Stamp(std::vector<uint8_t>& record, int64_t mosaic_bytes) const;
    void AdvanceTime();

    QString destination_;
    bool destination_made_ = false;
    BayProcessingWords words_ {};
    std::string titles_;
    std::array<int32_t, 3> time_ {};
    int32_t frame_rate_ = 1000;
    int32_t frame_step_ = 1;
};

} // namespace fw
