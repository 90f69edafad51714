#include "logging/LogSchedule.h"

#include "config/LogInterval.h"
#include "config/Numbers.h"
#include "logging/Clock.h"

#include <cstdlib>

namespace {

// Wall time and steady time may part by this much between two ticks before
// it counts as a step of the clock: time synchronisation slews the clock by
// far less, and a record a fraction of a second off its grid is no loss.
constexpr qint64 StepToleranceMs = 1000;

// The interval the schedule may step by. The accepted interval is always an
// interval; anything else (never accepted) would stall the point or make a
// record at every tick, so it falls back to the default.
double usableInterval(double interval)
{
    return loginterval::isInterval(interval) ? interval : loginterval::Default;
}

} // namespace

qint64 LogSchedule::continuousSecond(const QDateTime &t) { return t.toSecsSinceEpoch(); }

void LogSchedule::restart(const QDateTime &now, qint64 elapsedMs, double interval)
{
    lastWallMs_ = now.toMSecsSinceEpoch();
    lastElapsedMs_ = elapsedMs;
    // Every offset of a time zone is a whole even number of seconds, so
    // rounding the continuous sum picks the same even neighbour as rounding
    // the second of the day would.
    setPoint(numbers::roundHalfEven(double(continuousSecond(now)) + usableInterval(interval)));
}

bool LogSchedule::tick(const QDateTime &now, qint64 elapsedMs)
{
    followClockSteps(now, elapsedMs);
    if (continuousSecond(now) < point_)
        return false;
    setPoint(numbers::roundHalfEven(double(point_) + usableInterval(state_.acceptedLogInterval)));
    return state_.LoggingActive;
}

void LogSchedule::followClockSteps(const QDateTime &now, qint64 elapsedMs)
{
    const qint64 wallMs = now.toMSecsSinceEpoch();
    const qint64 step = (wallMs - lastWallMs_) - (elapsedMs - lastElapsedMs_);
    lastWallMs_ = wallMs;
    lastElapsedMs_ = elapsedMs;
    if (std::llabs(step) >= StepToleranceMs)
        setPoint(point_ + numbers::roundHalfEven(double(step) / 1000.0));
}

void LogSchedule::setPoint(qint64 point)
{
    point_ = point;
    state_.LogStartSecond = qint32(secondOfDay(QDateTime::fromSecsSinceEpoch(point)));
}
