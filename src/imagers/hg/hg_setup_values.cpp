#include "imagers/hg/hg_setup_values.h"

#include <algorithm>
#include <cmath>

#include <QDate>
#include <QTime>

#include "imagers/hg/hg_protocol.h"

namespace fw {

namespace {

constexpr uint32_t kOneButtonBit = 256;
constexpr int kDelayStep_ms = 54;
constexpr int kDelaySteps = 100;
constexpr int kPatchHalf = 8;

int FromBcd(uint32_t byte)
{
    return int((byte >> 4) & 0xF) * 10 + int(byte & 0xF);
}

uint32_t ToBcd(int value)
{
    return uint32_t((value / 10) << 4 | (value % 10));
}

// Three BCD bytes, most significant first.
QString BcdTriple(int32_t value, QChar separator)
{
    const auto bytes = uint32_t(value);
    const auto two
        = [](uint32_t byte) { return QStringLiteral("%1").arg(FromBcd(byte), 2, 10, QLatin1Char('0')); };
    return two(bytes >> 16 & 0xFF) + separator + two(bytes >> 8 & 0xFF) + separator + two(bytes & 0xFF);
}

QByteArray Hex(uint32_t value, int digits)
{
    return HGHexArgument(value, digits);
}

} // namespace

QStringList HGPlayRateNames()
{
    return { QStringLiteral("step"), QStringLiteral("1 fps"), QStringLiteral("2 fps"),
        QStringLiteral("4 fps"), QStringLiteral("7 fps"), QStringLiteral("15 fps"),
        QStringLiteral("30 fps") };
}

QStringList HGRecordDelayNames()
{
    QStringList names { QStringLiteral("none") };
    for (int i = 1; i <= kDelaySteps; ++i)
        names << QString::number(i * kDelayStep_ms);
    return names;
}

QStringList HGAutoSaveNames()
{
    return { QStringLiteral("immediate"), QStringLiteral("after 1 minute"), QStringLiteral("after 2 minutes"),
        QStringLiteral("disabled") };
}

QStringList HGWhiteBalanceNames()
{
    return { QStringLiteral("Daylight"), QStringLiteral("Tungsten"), QStringLiteral("Fuorescent"),
        QStringLiteral("White Patch"), QStringLiteral("Unity") };
}

QStringList HGVideoModeNames()
{
    return { QStringLiteral("NTSC"), QStringLiteral("PAL") };
}

QStringList HGOneButtonModeNames()
{
    return { QStringLiteral("Off"), QStringLiteral("Rec+Play"), QStringLiteral("Rec+Download") };
}

uint32_t HGAutoAcqValue(HGOneButtonMode mode, bool auto_exposure)
{
    return (mode == HGOneButtonMode::Off ? 0 : kOneButtonBit) + (auto_exposure ? 1 : 0);
}

bool HGAutoAcqExposure(int32_t auto_acq)
{
    return auto_acq != -1 && (auto_acq & 0xFF) != 0;
}

HGOneButtonMode HGOneButtonModeOf(int32_t auto_acq, int32_t auto_save)
{
    if (auto_acq == -1 || (uint32_t(auto_acq) & kOneButtonBit) == 0)
        return HGOneButtonMode::Off;
    return auto_save == 1 ? HGOneButtonMode::RecordDownload : HGOneButtonMode::RecordPlay;
}

int CapRegisterByte(int value)
{
    return std::clamp(value, 0, 255);
}

int RescaleForSplitFrames(int frames, bool split_on)
{
    return int(std::lround(split_on ? frames * 8.0 / 3.0 : frames * 0.375));
}

bool ColourBalancePossible(int32_t frame_sync, int32_t frame_rate, int32_t normal_exposure)
{
    return frame_sync != 1 && frame_rate != 0 && normal_exposure != 0;
}

QString ColourBalanceSettingsText()
{
    return QStringLiteral("Please check the following settings on the Recording page:\n"
                          "  1.  Frame Sync must not be checked.\n"
                          "  2.  Frame Rate may not be External.\n"
                          "  3.  Normal Exposure must not be External.");
}

QByteArray HGAutoExposureArgument(int maximum_us, int target_brightness)
{
    return "0017" + Hex(uint32_t(maximum_us), 4) + Hex(uint32_t(std::clamp(target_brightness, 0, 255)), 2);
}

uint32_t HGDownloadRangeValue(int first_index, int last_index)
{
    return uint32_t(first_index & 0xFFFF) << 16 | uint32_t(last_index & 0xFFFF);
}

int HGDownloadRangeFirst(int32_t value)
{
    return int(uint32_t(value) >> 16);
}

int HGDownloadRangeLast(int32_t value)
{
    return int(uint32_t(value) & 0xFFFF);
}

QString HGCardPathText(const QString& register_text)
{
    if (register_text == QLatin1String("[ROOT]"))
        return QStringLiteral("\\");
    return register_text.mid(1, register_text.size() - 2);
}

QByteArray HGCardDownloadArgument(int first_frame, int last_frame, bool auto_filing)
{
    return Hex(uint32_t(first_frame), 4) + Hex(uint32_t(last_frame), 4) + (auto_filing ? "03" : "01");
}

uint32_t HGPatchMoveValue(int x, int y)
{
    return uint32_t(std::max(x - kPatchHalf, 0)) + uint32_t(std::max(y - kPatchHalf, 0)) * 65536u;
}

QString HGDateText(int32_t date_register)
{
    return BcdTriple(date_register, QLatin1Char('/'));
}

QString HGTimeText(int32_t time_register)
{
    return BcdTriple(time_register, QLatin1Char(':'));
}

std::optional<uint32_t> HGDateRegisterOf(const QString& text)
{
    const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("MM/dd/yy"));
    if (!date.isValid())
        return std::nullopt;
    return ToBcd(date.month()) << 16 | ToBcd(date.day()) << 8 | ToBcd(date.year() % 100);
}

std::optional<uint32_t> HGTimeRegisterOf(const QString& text)
{
    const QTime time = QTime::fromString(text.trimmed(), QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        return std::nullopt;
    return ToBcd(time.hour()) << 16 | ToBcd(time.minute()) << 8 | ToBcd(time.second());
}

QString HGTemperatureText(int celsius)
{
    return QString::number(celsius) + QChar(0xBA) + QStringLiteral(" C");
}

HGStateButton HGButtonForState(int state)
{
    switch (state) {
    case 1:
        return HGStateButton::LiveLow;
    case 2:
        return HGStateButton::LiveNormal;
    case 3:
        return HGStateButton::Ready;
    case 4:
        return HGStateButton::None;
    case 6:
        return HGStateButton::Play;
    default:
        return HGStateButton::Stop;
    }
}

} // namespace fw
