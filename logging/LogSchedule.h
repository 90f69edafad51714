#pragma once
// When the next log record is due: a point on a fixed grid of interval steps.
//
// The point is kept on continuous time (days * 86400 + second of the day) so
// that midnight needs no extra handling: a point that lies in the next day
// cannot come due before the clock has passed midnight, and a point of the
// current day that the clock passed before midnight stays due after it. The
// second of the day of the point is mirrored into SharedState::LogStartSecond
// (0..86399) whenever it changes; only this class writes that field.

#include "config/SharedState.h"

#include <QDateTime>
#include <QtGlobal>

class LogSchedule {
public:
    explicit LogSchedule(SharedState &state) : state_(state) {}

    // Puts the point one interval after now, rounded to the whole second
    // (a tie to the even second). Used when logging starts and when the
    // operator accepts a new interval.
    void restart(const QDateTime &now, double interval);

    // One logging tick. When the point has been reached it advances by the
    // accepted interval (from the previous point, not from now, so records
    // stay on the grid) and the result tells whether to write a record:
    // true only while logging is active. A backlog is worked off one step per
    // tick.
    bool tick(const QDateTime &now);

    // The point on continuous time; for tests and diagnostics.
    qint64 duePoint() const { return point_; }

    // Continuous seconds of a clock reading.
    static qint64 continuousSecond(const QDateTime &t);

private:
    void setPoint(qint64 point);

    SharedState &state_;
    qint64 point_ = 0;
};
