#pragma once
// The one seam through which the program reads the local time, so that the
// log schedule and midnight can be tested without waiting.

#include <QDateTime>

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

// Seconds of the day (0..86399) of one reading of the clock.
inline int secondOfDay(const QDateTime &t)
{
    const QTime time = t.time();
    return time.hour() * 3600 + time.minute() * 60 + time.second();
}
