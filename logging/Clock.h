#pragma once
// The one seam through which the program reads the time, so that the log
// schedule, midnight and changes of the clock can be tested without waiting.

#include <QDateTime>

#include <chrono>

class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time: what records are stamped with.
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    // Milliseconds from an arbitrary start on a clock that only runs forward
    // at a steady rate: unmoved by summer time, time zones, or the operator
    // or time synchronisation setting the clock.
    virtual qint64 elapsedMs() const
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

// Seconds of the day (0..86399) of one reading of the clock.
inline int secondOfDay(const QDateTime &t)
{
    const QTime time = t.time();
    return time.hour() * 3600 + time.minute() * 60 + time.second();
}
