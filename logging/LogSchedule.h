#pragma once
// When the next log record is due: a point on a fixed grid of interval steps.
//
// The point is kept on continuous time (seconds since the epoch, UTC), so
// that neither midnight nor a change to or from summer time needs handling:
// the records keep their rhythm while their stamps, the local time of day,
// jump. A step of the clock (the operator setting it, time synchronisation)
// is told apart from time passing by a steady clock that never jumps, and
// moves the point with it: the log neither stops for the hour the clock went
// back nor bursts to catch up the hour it went ahead. The local second of the
// day of the point is mirrored into SharedState::LogStartSecond (0..86399)
// whenever it changes; only this class writes that field.

#include "config/SharedState.h"

#include <QDateTime>
#include <QtGlobal>

class LogSchedule {
public:
    explicit LogSchedule(SharedState &state) : state_(state) {}

    // Puts the point one interval after now, rounded to the whole second
    // (a tie to the even second). Used when logging starts and when the
    // operator accepts a new interval. `elapsedMs` is Clock::elapsedMs() read
    // with `now`.
    void restart(const QDateTime &now, qint64 elapsedMs, double interval);

    // One logging tick. When the point has been reached it advances by the
    // accepted interval (from the previous point, not from now, so records
    // stay on the grid) and the result tells whether to write a record:
    // true only while logging is active. A backlog (ticks held back while
    // time passed) is worked off one step per tick.
    bool tick(const QDateTime &now, qint64 elapsedMs);

    // The point on continuous time; for tests and diagnostics.
    qint64 duePoint() const { return point_; }

    // Continuous seconds of a clock reading.
    static qint64 continuousSecond(const QDateTime &t);

private:
    void setPoint(qint64 point);
    // Moves the point by any step of the clock since the last reading.
    void followClockSteps(const QDateTime &now, qint64 elapsedMs);

    SharedState &state_;
    qint64 point_ = 0;
    qint64 lastWallMs_ = 0;
    qint64 lastElapsedMs_ = 0;
};
