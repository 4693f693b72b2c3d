#include "clips/kodaky_whacker.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <QDate>
#include <QTime>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr size_t kColourCode = 10;
constexpr size_t kSessionID = 11;
constexpr size_t kCameraID = 12;
constexpr size_t kRateCode = 13;
constexpr size_t kExposure = 14;
constexpr size_t kSeconds = 35;
constexpr size_t kMinutes = 36;
constexpr size_t kHours = 37;
constexpr size_t kDay = 38;
constexpr size_t kMonth = 39;
constexpr size_t kYear = 40;

bool Contains(const uint8_t* block, size_t count, std::string_view identifier)
{
    const std::string_view bytes(reinterpret_cast<const char*>(block), count);
    return bytes.find(identifier) != std::string_view::npos;
}

} // namespace

TKodakyWhacker::TKodakyWhacker(const uint8_t* block, size_t count)
{
    if (!block || count < kBlockSize)
        throw Error("Unknown Kodak Imager File");
    if (Contains(block, count, "EK MC TIF"))
        model_ = Model::kmMotionCorder;
    else if (Contains(block, count, "EK ML TIF"))
        model_ = Model::kmHGModel2000;
    else
        throw Error("Unknown Kodak Imager File");
    std::memcpy(block_.data(), block, kBlockSize);
}

QString TKodakyWhacker::CameraType() const
{
    QString text = model_ == Model::kmMotionCorder ? QStringLiteral("Motion 'Corder")
                                                   : QStringLiteral("HG Model 2000");
    if (block_[kColourCode] == 1)
        text += QStringLiteral(" Color");
    else if (block_[kColourCode] == 2)
        text += QStringLiteral(" Monochrome");
    return text + QStringLiteral(" (tif)");
}

QString TKodakyWhacker::CameraID() const
{
    if (model_ == Model::kmMotionCorder)
        return QStringLiteral("n/a");
    return QString::number(block_[kCameraID]);
}

QString TKodakyWhacker::SessionID() const
{
    return QString::number(block_[kSessionID]);
}

QString TKodakyWhacker::RecordingRate() const
{
    static const char* const kRates[] = { "Exte", "30", "60", "125", "250", "500", "1000", "2000" };
    const uint8_t code = block_[kRateCode];
    return code < std::size(kRates) ? QString::fromLatin1(kRates[code]) : QStringLiteral("?");
}

QString TKodakyWhacker::Exposure() const
{
    static const char* const kExposures[] = { "?", "50 uS", "100 uS", "1 mS", "2 mS", "4 mS" };
    const int16_t code = int16_t(uint16_t(block_[kExposure] << 8 | block_[kExposure + 1]));
    if (code < 0 || code > 5)
        return QString::number(code);
    return QString::fromLatin1(kExposures[code]);
}

int TKodakyWhacker::Bcd(size_t offset) const
{
    return (block_[offset] >> 4) * 10 + (block_[offset] & 0x0F);
}

QString TKodakyWhacker::DateAndTime() const
{
    const int yy = Bcd(kYear);
    const int year = yy <= 50 || yy >= 99 ? 2000 + yy : 1900 + yy;
    const QDate date(year, Bcd(kMonth), Bcd(kDay));
    const QTime time(Bcd(kHours), Bcd(kMinutes), Bcd(kSeconds));
    if (!date.isValid() || !time.isValid())
        return QStringLiteral("?");
    // Formatted apart, so a local clock change cannot move a recorded time.
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + time.toString(QStringLiteral("hh:mm:ss"));
}

} // namespace fw
