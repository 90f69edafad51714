#pragma once
// What the trend window draws: named series of values over absolute time,
// with gaps and alarm marks. The live history of this run and log files
// opened as charts both give their data this way, so one window draws either.

#include <QString>
#include <QtGlobal>

#include <cmath>
#include <functional>
#include <vector>

namespace trend {

// The time axis of every series: milliseconds since the epoch (UTC).
using Millis = qint64;

// One pixel column of a series: the lowest and highest value of the samples
// that fall in it. A column without a value (no sample, or only gaps) has
// NaN for both. A value column is joined by a line to the nearest value
// column on its left only when no gap lies between the two: a "----" or empty
// field, a channel switched OFF, the break between two log files.
struct Span {
    float low = NAN;
    float high = NAN;
    bool joinsPrevious = false;
    bool hasValue() const { return !std::isnan(low); }
};

// An alarm lamp (1..3) of a series that turned red (on) or back (off).
struct AlarmMark {
    Millis time = 0;
    int lamp = 0;
    bool on = false;
};

class TrendSource {
public:
    virtual ~TrendSource() = default;

    virtual int seriesCount() const = 0;
    virtual QString seriesName(int series) const = 0;
    // The first and the last sample time; for a source without samples the
    // first is greater than the last.
    virtual Millis firstTime() const = 0;
    virtual Millis lastTime() const = 0;
    // The span of each of `columns` equal slices of [from, to), left to
    // right. Every extreme of the samples in a slice is kept, however many
    // samples it holds.
    virtual std::vector<Span> envelope(int series, Millis from, Millis to, int columns) const = 0;
    // The value of the last sample at or before t; NaN when there is none or
    // it is a gap.
    virtual float valueAt(int series, Millis t) const = 0;
    // The decimal places the instrument showed the sample at or before t
    // with (1.050: 3), so that a read-out or an export writes the value as
    // it was shown; -1 when the source does not know them.
    virtual int decimals(int /*series*/, Millis /*t*/) const { return -1; }
    // The lamp changes within [from, to), in time order; none for a source
    // that does not know the lamps (a log file). With a spacing, at most one
    // change of each lamp and direction within any `spacing` (a pixel column
    // or a few: marks closer than that cannot be told apart on screen).
    virtual std::vector<AlarmMark> alarmMarks(int series, Millis from, Millis to, Millis spacing = 0) const = 0;
    // Calls `visit` for each stored sample time in [from, to), in time order,
    // with the values of all seriesCount() series at that time (NaN for a
    // gap). What an export writes, so every source says itself what its
    // stored samples are.
    using SampleVisitor = std::function<void(Millis time, const float *values)>;
    virtual void forEachSample(Millis from, Millis to, const SampleVisitor &visit) const = 0;
};

} // namespace trend
