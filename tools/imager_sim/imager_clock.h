#pragma once

// The imager's own clock: the "Date" and "Time" registers count whole seconds from the moment
// they are set (so a register read within a second of its write reads what was written), and
// the IRIG time code is stamped on each trigger.

#include <chrono>

#include <QDateTime>
#include <QtGlobal>

namespace fw::imager_sim {

class ImagerClock {
public:
    ImagerClock();

    // BCD MMDDYY and HHMMSS as the registers read now.
    quint32 dateRegister() const;
    quint32 timeRegister() const;
    // Written registers set the clock; the other half keeps running.
    void setDateRegister(quint32 bcd);
    void setTimeRegister(quint32 bcd);

private:
    QDateTime now() const;
    void setNow(const QDateTime& time);

    // The time last set, and when: the clock counts whole seconds from that moment.
    QDateTime set_to_;
    std::chrono::steady_clock::time_point set_at_;
};

// The IRIG time code stamped on a trigger: day of the year (0 on 1 January) and time of day.
struct IrigStamp {
    int day = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    quint32 microseconds = 0;

    static IrigStamp of(const QDateTime& time);
    // "000" (time code locked), the day in 3 hex digits, hours, minutes and seconds in 2 each,
    // and the microseconds in 8.
    QByteArray registerText() const;
    // The setting text: day in 4 hex digits, hours, minutes, seconds in 2 each, tenths of a
    // millisecond in 4. False when it is not that or out of range.
    bool setFrom(const QByteArray& text);
};

} // namespace fw::imager_sim
