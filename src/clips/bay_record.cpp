#include "clips/bay_record.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "clips/descriptor_block.h"

namespace fw {

namespace {

constexpr size_t kSignatureBytes = 8;
constexpr size_t kExposureOffset = 119;
constexpr size_t kDateTimeOffset = 33;
constexpr int16_t kLargestExposureCode = 22;

constexpr std::array<const char*, 4> kSignatures = { "EK BAYER", "EK BAY 2", "RO BAY 2", "ML BAY 2" };
constexpr const char* kRoSignature = "ML BAY 2";

template <size_t N> QString TableText(const std::array<const char*, N>& table, int32_t code)
{
    return QString::fromLatin1(code >= 0 && size_t(code) < N ? table[size_t(code)] : table[0]);
}

// The camera-type tables start at code 0 ("?"), so codes outside them fall back to "?".
constexpr std::array<const char*, 3> kRoCameraTypes = { "?", "RO Color", "RO Monochrome" };
constexpr std::array<const char*, 3> kHgCameraTypes = { "?", "HG Color", "HG Monochrome" };
constexpr std::array<const char*, 4> kRoRates = { "?", "250", "500", "1000" };
constexpr std::array<const char*, 8> kHgRates = { "Exte", "30", "60", "125", "250", "500", "1000", "2000" };
constexpr std::array<const char*, 6> kExposures = { "?", "50 uS", "100 uS", "1 mS", "2 mS", "4 mS" };

int32_t FromBcd(uint8_t value)
{
    return (value >> 4) * 10 + (value & 0x0F);
}

bool IsRoRecord(const BayRecord& record)
{
    return record.Signature() == kRoSignature;
}

} // namespace

std::string BayRecord::Signature() const
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), kSignatureBytes);
}

int16_t BayRecord::ExposureCode() const
{
    return int16_t(uint16_t(bytes[kExposureOffset] << 8 | bytes[kExposureOffset + 1]));
}

std::array<uint8_t, 6> BayRecord::DateTimeBcd() const
{
    std::array<uint8_t, 6> bcd {};
    std::copy_n(bytes.begin() + kDateTimeOffset, bcd.size(), bcd.begin());
    return bcd;
}

std::string BayRecord::Titles() const
{
    const auto* first = reinterpret_cast<const char*>(bytes.data() + kBayTitlesOffset);
    return std::string(first, strnlen(first, kBayTitlesBytes));
}

void BayRecord::SetTitles(const std::string& titles)
{
    const size_t length = std::min(titles.size(), kBayTitlesBytes);
    std::fill_n(bytes.begin() + kBayTitlesOffset, kBayTitlesBytes, uint8_t(0));
    std::memcpy(bytes.data() + kBayTitlesOffset, titles.data(), length);
}

bool BayRecord::HasKnownSignature() const
{
    const std::string signature = Signature();
    return std::any_of(kSignatures.begin(), kSignatures.end(),
        [&signature](const char* known) { return signature == known; });
}

int16_t BayRecord::Word(size_t index) const
{
    if (index >= kBayProcessingWordCount)
        return 0;
    const size_t at = kBayProcessingOffset + 2 * index;
    return int16_t(uint16_t(bytes[at] | bytes[at + 1] << 8));
}

void BayRecord::SetWord(size_t index, int16_t value)
{
    if (index >= kBayProcessingWordCount)
        return;
    const size_t at = kBayProcessingOffset + 2 * index;
    bytes[at] = uint8_t(uint16_t(value) & 0xFF);
    bytes[at + 1] = uint8_t(uint16_t(value) >> 8);
}

BayProcessingWords BayRecord::Words() const
{
    BayProcessingWords words {};
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = Word(i);
    return words;
}

void BayRecord::SetWords(const BayProcessingWords& words)
{
    for (size_t i = 0; i < words.size(); ++i)
        SetWord(i, words[i]);
}

std::optional<BayRecord> ParseBayRecord(const uint8_t* data, size_t size)
{
    if (!data || size < kBayRecordBytes)
        return std::nullopt;
    BayRecord record;
    std::memcpy(record.bytes.data(), data, kBayRecordBytes);
    return record;
}

std::array<uint8_t, kBayRecordBytes> SerialiseBayRecord(const BayRecord& record)
{
    return record.bytes;
}

QString BayCameraTypeText(const BayRecord& record)
{
    const int32_t code = record.CameraTypeCode();
    return IsRoRecord(record) ? TableText(kRoCameraTypes, code) : TableText(kHgCameraTypes, code);
}

QString BayRecordingRateText(const BayRecord& record)
{
    const int32_t code = record.RecordingRateCode();
    return IsRoRecord(record) ? TableText(kRoRates, code) : TableText(kHgRates, code);
}

QString BayExposureText(int16_t exposure_code)
{
    if (exposure_code > kLargestExposureCode)
        return QString::number(exposure_code);
    return TableText(kExposures, exposure_code);
}

int32_t BayFrameRate(const QString& recording_rate_text)
{
    bool ok = false;
    const int32_t rate = recording_rate_text.toInt(&ok);
    return ok ? rate : 1000;
}

int32_t BayYear(int32_t year_in_century)
{
    const bool this_century = year_in_century <= 50 || year_in_century >= 99;
    return (this_century ? 2000 : 1900) + year_in_century;
}

std::optional<QDateTime> BayRecordDateTime(const BayRecord& record)
{
    const std::array<uint8_t, 6> bcd = record.DateTimeBcd();
    const QDate date(BayYear(FromBcd(bcd[5])), FromBcd(bcd[4]), FromBcd(bcd[3]));
    const QTime time(FromBcd(bcd[2]), FromBcd(bcd[1]), FromBcd(bcd[0]));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

QString BayDateTimeText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

std::array<int32_t, 3> SplitBayFrameTime(double time_ms)
{
    const auto n = int64_t(std::llround(1000.0 * time_ms));
    return { int32_t(n / 1000000), int32_t(n / 1000 % 1000), int32_t(n % 1000) };
}

double BayFrameTimeMs(int32_t seconds, int32_t milliseconds, int32_t microseconds)
{
    return 1000.0 * seconds + milliseconds + microseconds / 1000.0;
}

void SetBayDescriptors(std::string& block, const BayRecord& record, const QDateTime& when, int32_t frame_step)
{
    const QString rate_text = BayRecordingRateText(record);
    const auto set_camera = [&block](const char* name, const QString& value) {
        SetDescriptorValue(block, "Camera", name, value.toStdString());
    };
    set_camera("Camera Type", BayCameraTypeText(record));
    set_camera("Camera ID", QString::number(record.CameraId()));
    set_camera("Session ID", QString::number(record.SessionId()));
    set_camera("Recording Rate", rate_text);
    set_camera("Exposure Setting", BayExposureText(record.ExposureCode()));
    set_camera("Date and Time", BayDateTimeText(when));
    const std::string frame_rate = frame_step == 0
        ? std::string("1000")
        : FormatGeneral(double(BayFrameRate(rate_text)) / frame_step, 7);
    SetDescriptorValue(block, "Timing", "Frame Rate", frame_rate);
}

} // namespace fw
