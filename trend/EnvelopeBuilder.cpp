#include "trend/EnvelopeBuilder.h"

namespace trend {

EnvelopeBuilder::EnvelopeBuilder(Millis from, Millis to, int columns)
    : from_(from), spans_(to > from && columns > 0 ? std::size_t(columns) : 0)
{
    // Column c begins at from + ceil(c * span / columns), taken apart in
    // whole and remainder so that no product overflows, whatever the span.
    if (!spans_.empty()) {
        whole_ = (to - from) / columns;
        rest_ = (to - from) % columns;
    }
}

Millis EnvelopeBuilder::columnStart(int column) const
{
    const Millis count = Millis(spans_.size());
    return count == 0 ? from_ : from_ + column * whole_ + (column * rest_ + count - 1) / count;
}

void EnvelopeBuilder::add(int column, const Extremes &run, bool gapBefore, bool gapAfter)
{
    if (column < 0 || column >= columns())
        return;
    if (!run.hasValue()) {
        gapSinceValue_ = true;
        return;
    }
    Span &span = spans_[std::size_t(column)];
    if (!span.hasValue()) {
        span.joinsPrevious = haveValue_ && !gapSinceValue_ && !gapBefore;
        span.low = run.low;
        span.high = run.high;
    } else {
        span.low = std::min(span.low, run.low);
        span.high = std::max(span.high, run.high);
    }
    haveValue_ = true;
    gapSinceValue_ = gapAfter;
}

} // namespace trend
