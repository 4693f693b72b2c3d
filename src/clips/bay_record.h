#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <QDateTime>
#include <QString>

namespace fw {

// The 1024-byte camera record that ends every BAY frame file. Only the fields below are
// interpreted; every other byte is kept in `bytes` and written back unchanged.
inline constexpr size_t kBayRecordBytes = 1024;
inline constexpr size_t kBayTitlesOffset = 256;
inline constexpr size_t kBayTitlesBytes = 640;
inline constexpr size_t kBayProcessingOffset = 896;
inline constexpr size_t kBayProcessingWordCount = 21;
inline constexpr uint8_t kBayMonochromeCameraCode = 2;

// Processing word numbers.
enum class BayWord : size_t {
    Magic = 0,
    Version = 1,
    TimeSeconds = 2,
    TimeMilliseconds = 3,
    TimeMicroseconds = 4,
    FrameRate = 5,
    Brightness = 6,
    Gamma = 7,
    Sharpness = 8,
    RedGain = 9,
    GreenGain = 10,
    BlueGain = 11,
    FilterIndex = 12,
    ColorTemperatureIndex = 13,
    Monochrome = 14,
    ToneCurve = 15,
};
// "FW" as a little-endian word.
inline constexpr int16_t kBayProcessingMagic = int16_t('F' | ('W' << 8));

using BayProcessingWords = std::array<int16_t, kBayProcessingWordCount>;

struct BayRecord {
    std::array<uint8_t, kBayRecordBytes> bytes {};

    std::string Signature() const;
    uint8_t CameraTypeCode() const { return bytes[8]; }
    uint8_t SessionId() const { return bytes[9]; }
    uint8_t CameraId() const { return bytes[10]; }
    uint8_t RecordingRateCode() const { return bytes[11]; }
    int16_t ExposureCode() const;
    // The six BCD bytes from seconds (offset 33) to year (offset 38).
    std::array<uint8_t, 6> DateTimeBcd() const;
    // Up to the first zero byte.
    std::string Titles() const;
    // Cut to 640 bytes, zero-padded.
    void SetTitles(const std::string& titles);

    bool HasKnownSignature() const;
    // Everything but camera code 2 is a colour imager.
    bool IsColor() const { return CameraTypeCode() != kBayMonochromeCameraCode; }
    bool ProcessingBlockValid() const { return Word(BayWord::Magic) == kBayProcessingMagic; }
    int16_t Word(size_t index) const;
    int16_t Word(BayWord word) const { return Word(size_t(word)); }
    void SetWord(size_t index, int16_t value);
    BayProcessingWords Words() const;
    void SetWords(const BayProcessingWords& words);
};

// The record at the start of `data`; nothing when fewer than 1024 bytes are given.
std::optional<BayRecord> ParseBayRecord(const uint8_t* data, size_t size);
std::array<uint8_t, kBayRecordBytes> SerialiseBayRecord(const BayRecord& record);

// Descriptor texts.
QString BayCameraTypeText(const BayRecord& record);
QString BayRecordingRateText(const BayRecord& record);
QString BayExposureText(int16_t exposure_code);
// Frames per second of a recording-rate text; 1000 when the text is not a number.
int32_t BayFrameRate(const QString& recording_rate_text);

// The recorded date and time; nothing when a BCD field is not a valid date or time.
std::optional<QDateTime> BayRecordDateTime(const BayRecord& record);
// The four-digit year of a two-digit BCD year: 00..50 and 99 are 20xx, the rest 19xx.
int32_t BayYear(int32_t year_in_century);
// How a date-time value is shown in the "Date and Time" descriptor.
QString BayDateTimeText(const QDateTime& when);

// A frame time in ms as processing words 2, 3 and 4 (seconds, milliseconds, microseconds).
std::array<int32_t, 3> SplitBayFrameTime(double time_ms);
double BayFrameTimeMs(int32_t seconds, int32_t milliseconds, int32_t microseconds);

// [Camera] and [Timing] entries of a BAY source: camera type, IDs, recording rate, exposure,
// date and time, and the frame rate over the frame step.
void SetBayDescriptors(
    std::string& block, const BayRecord& record, const QDateTime& when, int32_t frame_step);

} // namespace fw
