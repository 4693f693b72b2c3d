#include "imager_clock.h"

#include "sim_protocol.h"

namespace fw::imager_sim {
namespace {

int fromBcd(quint32 byte)
{
    return int((byte >> 4) & 0xF) * 10 + int(byte & 0xF);
}

quint32 toBcd(int value)
{
    return quint32((value / 10) << 4 | (value % 10));
}

quint32 bcdTriple(int a, int b, int c)
{
    return toBcd(a) << 16 | toBcd(b) << 8 | toBcd(c);
}

std::optional<quint32> hexField(const QByteArray& text, int offset, int digits)
{
    bool ok = false;
    const quint32 value = text.mid(offset, digits).toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

ImagerClock::ImagerClock()
{
    // A fresh imager believes it is noon on 1 January 2024.
    setNow(QDateTime(QDate(2024, 1, 1), QTime(12, 0)));
}

QDateTime ImagerClock::now() const
{
    const auto elapsed
        = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - set_at_);
    return set_to_.addSecs(elapsed.count());
}

void ImagerClock::setNow(const QDateTime& time)
{
    set_to_ = time;
    set_at_ = std::chrono::steady_clock::now();
}

quint32 ImagerClock::dateRegister() const
{
    const QDate date = now().date();
    return bcdTriple(date.month(), date.day(), date.year() % 100);
}

quint32 ImagerClock::timeRegister() const
{
    const QTime time = now().time();
    return bcdTriple(time.hour(), time.minute(), time.second());
}

void ImagerClock::setDateRegister(quint32 bcd)
{
    const QDate date(2000 + fromBcd(bcd & 0xFF), fromBcd(bcd >> 16 & 0xFF), fromBcd(bcd >> 8 & 0xFF));
    if (date.isValid())
        setNow(QDateTime(date, now().time()));
}

void ImagerClock::setTimeRegister(quint32 bcd)
{
    const QTime time(fromBcd(bcd >> 16 & 0xFF), fromBcd(bcd >> 8 & 0xFF), fromBcd(bcd & 0xFF));
    if (time.isValid())
        setNow(QDateTime(now().date(), time));
}

IrigStamp IrigStamp::of(const QDateTime& time)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return { int(QDate(date.year(), 1, 1).daysTo(date)), clock.hour(), clock.minute(), clock.second(),
        quint32(clock.msec()) * 1000 };
}

QByteArray IrigStamp::registerText() const
{
    return "000" + toHex(quint32(day), 3) + toHex(quint32(hours), 2) + toHex(quint32(minutes), 2)
        + toHex(quint32(seconds), 2) + toHex(microseconds, 8);
}

bool IrigStamp::setFrom(const QByteArray& text)
{
    if (text.size() != 14)
        return false;
    const auto new_day = hexField(text, 0, 4);
    const auto new_hours = hexField(text, 4, 2);
    const auto new_minutes = hexField(text, 6, 2);
    const auto new_seconds = hexField(text, 8, 2);
    const auto tenths = hexField(text, 10, 4);
    if (!new_day || !new_hours || !new_minutes || !new_seconds || !tenths || *new_day > 365 || *new_hours > 23
        || *new_minutes > 59 || *new_seconds > 59 || *tenths > 9999)
        return false;
    *this = { int(*new_day), int(*new_hours), int(*new_minutes), int(*new_seconds), *tenths * 100 };
    return true;
}

} // namespace fw::imager_sim
