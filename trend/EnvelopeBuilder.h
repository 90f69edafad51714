#pragma once
// Puts the samples of one series, in time order, into the pixel columns of
// an envelope. Shared by every source, so that each draws its columns and
// joins by the same rules and finds its columns' samples the same fast way.

#include "trend/TrendSource.h"

#include <algorithm>
#include <limits>

namespace trend {

// The lowest and highest value of a run of samples; a gap (NaN) counts as
// nothing, so a run of gaps only is empty.
struct Extremes {
    float low = std::numeric_limits<float>::infinity();
    float high = -std::numeric_limits<float>::infinity();

    void add(float value)
    {
        // NaN compares false both ways and so is left out.
        low = value < low ? value : low;
        high = value > high ? value : high;
    }
    void add(const Extremes &other)
    {
        low = other.low < low ? other.low : low;
        high = other.high > high ? other.high : high;
    }
    bool hasValue() const { return low <= high; }
};

class EnvelopeBuilder {
public:
    // Columns of [from, to); none when the range or the count is empty.
    EnvelopeBuilder(Millis from, Millis to, int columns);

    int columns() const { return int(spans_.size()); }
    // The first time that falls in column c; columnStart(columns()) is `to`.
    Millis columnStart(int column) const;

    // Calls column(c, a, b) for each column c that holds samples, [a, b)
    // being their indices, for a source of `count` samples whose times,
    // timeAt(i), never go back.
    template <typename TimeAt, typename Column>
    void forEachColumn(std::size_t count, TimeAt timeAt, Column column) const;

    // The samples of `column`, their extremes; gapBefore: a gap comes before
    // its first value within the column, gapAfter: one comes after its last.
    void add(int column, const Extremes &run, bool gapBefore, bool gapAfter);

    std::vector<Span> take() { return std::move(spans_); }

private:
    // The first index in [low, high) whose time is at or after t, else high.
    template <typename TimeAt>
    static std::size_t firstFrom(std::size_t low, std::size_t high, Millis t, TimeAt timeAt);
    // The same, looked for around `guess` first.
    template <typename TimeAt>
    static std::size_t firstFromNear(std::size_t low, std::size_t high, std::size_t guess, Millis t, TimeAt timeAt);

    Millis from_;
    Millis whole_ = 0; // the span over the columns, whole and remainder
    Millis rest_ = 0;
    std::vector<Span> spans_;
    bool haveValue_ = false;
    bool gapSinceValue_ = false;
};

template <typename TimeAt>
std::size_t EnvelopeBuilder::firstFrom(std::size_t low, std::size_t high, Millis t, TimeAt timeAt)
{
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (timeAt(middle) < t)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

template <typename TimeAt>
std::size_t EnvelopeBuilder::firstFromNear(std::size_t low, std::size_t high, std::size_t guess, Millis t,
                                           TimeAt timeAt)
{
    // Gallop away from the guess in steps that double, then halve what is
    // left: a few steps when the guess is close, as it is for samples at a
    // steady rate. Before `low` every time is before t.
    std::size_t step = 1;
    if (guess < high && timeAt(guess) < t) {
        low = guess + 1;
        std::size_t probe = low;
        while (probe < high && timeAt(probe) < t) {
            low = probe + 1;
            probe = high - low > step ? low + step : high;
            step *= 2;
        }
        return firstFrom(low, probe, t, timeAt);
    }
    std::size_t probe = guess; // at or after t, or high
    while (probe > low && timeAt(probe - 1) >= t) {
        high = probe - 1;
        probe = high - low > step ? high - step : low;
        step *= 2;
    }
    return firstFrom(probe, std::min(high, guess), t, timeAt);
}

template <typename TimeAt, typename Column>
void EnvelopeBuilder::forEachColumn(std::size_t count, TimeAt timeAt, Column column) const
{
    if (spans_.empty())
        return;
    std::size_t begin = firstFrom(0, count, from_, timeAt);
    const std::size_t end = firstFrom(begin, count, columnStart(columns()), timeAt);
    std::size_t previous = 0; // the count of the last column: the guess for the next
    for (int c = 0; c < columns() && begin < end; ++c) {
        const std::size_t next = c + 1 == columns()
            ? end
            : firstFromNear(begin, end, std::min(begin + previous, end), columnStart(c + 1), timeAt);
        if (next > begin)
            column(c, begin, next);
        previous = next - begin;
        begin = next;
    }
}

} // namespace trend
