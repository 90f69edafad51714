#include "logging/LogSchedule.h"

#include "config/LogInterval.h"
#include "config/Numbers.h"
#include "logging/Clock.h"

namespace {

constexpr qint64 SecondsPerDay = 86400;

// The interval the schedule may step by. The accepted interval is always an
// interval; anything else (never accepted) would stall the point or make a
// record at every tick, so it falls back to the default.
double usableInterval(double interval)
{
    return loginterval::isInterval(interval) ? interval : loginterval::Default;
}

} // namespace

qint64 LogSchedule::continuousSecond(const QDateTime &t)
{
    return t.date().toJulianDay() * SecondsPerDay + secondOfDay(t);
}

void LogSchedule::restart(const QDateTime &now, double interval)
{
    // Each day starts on an even number, so rounding the continuous sum picks
    // the same even neighbour as rounding the second of the day would.
    setPoint(numbers::roundHalfEven(double(continuousSecond(now)) + usableInterval(interval)));
}

bool LogSchedule::tick(const QDateTime &now)
{
    if (continuousSecond(now) < point_)
        return false;
    setPoint(numbers::roundHalfEven(double(point_) + usableInterval(state_.acceptedLogInterval)));
    return state_.LoggingActive;
}

void LogSchedule::setPoint(qint64 point)
{
    point_ = point;
    state_.LogStartSecond = qint32(((point % SecondsPerDay) + SecondsPerDay) % SecondsPerDay);
}
