#pragma once
// Local wall time <-> instants, for the many records of a log or rows of an
// export: the time-zone database is asked once a day (or a quarter hour),
// not once a record, and the hour that the clock going back repeats is read
// as it was lived.

#include "trend/TrendSource.h"

#include <QByteArray>
#include <QDate>

#include <limits>

namespace trend {

constexpr Millis DayMs = 86'400'000;

// Whole days and the rest, rounding towards the past for negative times too.
inline Millis floorDiv(Millis a, Millis b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The UTC offset (ms) of local time at an instant.
Millis localOffsetAt(Millis instant);

// One local calendar day.
class LocalDay {
public:
    explicit LocalDay(QDate date);

    QDate date() const { return date_; }
    // The instant of the local time of day `ms`. In the hour that the clock
    // going back repeats, `secondPass` picks its second pass; a time that
    // the clock going forward skips is read with the offset before.
    Millis instant(Millis ms, bool secondPass) const;
    // True when a record at `ms`, earlier than the one before it at
    // `previousMs`, is the clock going back within this day (the two are
    // still in order as instants), not the next day.
    bool clockWentBack(Millis previousMs, Millis ms) const;

private:
    QDate date_;
    Millis wallStart_ = 0;    // local midnight as if it were UTC
    Millis offsetBefore_ = 0; // the offsets before and after a change within the day
    Millis offsetAfter_ = 0;
    Millis change_ = 0;       // the instant of that change
};

// Instants as local ISO 8601 text with the offset: "2026-12-07T08:46:01+01:00",
// with ".250" before the offset when the instant is not a whole second.
class IsoLocalWriter {
public:
    void append(Millis instant, QByteArray &out);

private:
    // A quarter hour of UTC in which the offset does not change; every zone
    // changes its offset on a quarter hour.
    Millis slot_ = std::numeric_limits<Millis>::min();
    bool slotValid_ = false;
    Millis offset_ = 0;
    QByteArray offsetText_;
    Millis day_ = 0;
    QByteArray dayText_;
};

} // namespace trend
