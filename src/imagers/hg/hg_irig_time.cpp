#include "imagers/hg/hg_irig_time.h"

#include <algorithm>
#include <cmath>

#include "imagers/hg/hg_protocol.h"

namespace fw {

namespace {

constexpr int kIrigTextLength = 20;

// `count` hexadecimal characters from the 1-based position `first`.
std::optional<uint32_t> HexField(const QString& text, int first, int count)
{
    bool ok = false;
    const uint value = text.mid(first - 1, count).toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<HGIrigTime> ParseHGIrigTime(const QString& register_text)
{
    if (register_text.size() < kIrigTextLength)
        return std::nullopt;
    const auto day = HexField(register_text, 4, 3);
    const auto hours = HexField(register_text, 7, 2);
    const auto minutes = HexField(register_text, 9, 2);
    const auto seconds = HexField(register_text, 11, 2);
    const auto microseconds = HexField(register_text, 13, 8);
    if (!day || !hours || !minutes || !seconds || !microseconds)
        return std::nullopt;
    return HGIrigTime { int(*day), int(*hours), int(*minutes), int(*seconds), *microseconds / 1000.0 };
}

QByteArray HGIrigTimeArgument(const HGIrigTime& time)
{
    const auto tenths = uint32_t(std::lround(std::max(time.milliseconds, 0.0) * 10.0));
    return HGHexArgument(uint32_t(time.day), 4) + HGHexArgument(uint32_t(time.hours), 2)
        + HGHexArgument(uint32_t(time.minutes), 2) + HGHexArgument(uint32_t(time.seconds), 2)
        + HGHexArgument(tenths, 4);
}

HGIrigTime HGIrigTimeOf(const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    return { int(QDate(date.year(), 1, 1).daysTo(date)), time.hour(), time.minute(), time.second(),
        double(time.msec()) };
}

QString HGIrigMillisecondsText(double milliseconds)
{
    return QString::number(milliseconds, 'f', 1);
}

} // namespace fw
