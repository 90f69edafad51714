#include "trend/LiveHistory.h"

#include "trend/LocalTime.h"

#include <algorithm>
#include <cmath>

namespace trend {

namespace {
constexpr int LampBits = 0b111;
}

LiveHistory::LiveHistory(std::function<QString(int)> names) : names_(std::move(names)) {}

QString LiveHistory::seriesName(int series) const
{
    return names_ && series >= 0 && series < ChannelCount ? names_(series) : QString();
}

Millis LiveHistory::firstTime() const
{
    if (!buckets_.empty())
        return buckets_.timeAt(0);
    return fine_.empty() ? 1 : fine_.timeAt(0);
}

Millis LiveHistory::lastTime() const { return fine_.empty() ? 0 : fine_.timeAt(fine_.size() - 1); }

Millis LiveHistory::typicalCycle() const
{
    if (cycleCount_ < 3)
        return 0;
    std::array<Millis, Cycles> sorted = cycles_;
    const auto end = sorted.begin() + std::ptrdiff_t(std::min(cycleCount_, Cycles));
    const auto middle = sorted.begin() + (end - sorted.begin()) / 2;
    std::nth_element(sorted.begin(), middle, end);
    return *middle;
}

void LiveHistory::append(Millis time, const Values &values, const StatusWords &statusWords)
{
    std::array<quint8, ChannelCount> lamps;
    for (std::size_t i = 0; i < std::size_t(ChannelCount); ++i)
        lamps[i] = quint8(statusWords[i] & LampBits);
    if (!fine_.empty()) {
        time = std::max(time, lastTime());
        const Millis interval = time - lastCycle_;
        if (const Millis typical = typicalCycle(); typical > 0 && interval > 3 * typical) {
            // The lamps stay as they were, so that the gap marks no change.
            const auto [record, slot] = fine_.at(fine_.size() - 1);
            std::array<quint8, ChannelCount> before;
            for (std::size_t i = 0; i < std::size_t(ChannelCount); ++i)
                before[i] = record->lamps[i][slot];
            std::array<float, ChannelCount> none;
            none.fill(NAN);
            push(lastCycle_ + 3 * typical, none.data(), before.data());
        }
        cycles_[cycleCount_++ % Cycles] = interval;
    }
    lastCycle_ = time;
    push(time, values.data(), lamps.data());
}

void LiveHistory::push(Millis time, const float *values, const quint8 *lamps)
{
    const auto [record, slot] = fine_.pushBack();
    record->time[slot] = time;
    for (std::size_t i = 0; i < std::size_t(ChannelCount); ++i) {
        record->value[i][slot] = values[i];
        record->lamps[i][slot] = lamps[i];
    }
    while (fine_.timeAt(0) < time - FineSpan || fine_.size() > MaxFineRecords)
        fold();
    while (!buckets_.empty() && buckets_.timeAt(0) < time - KeptSpan)
        buckets_.popFront();
}

// The oldest record of the last hour into its interval.
void LiveHistory::fold()
{
    const auto [record, slot] = fine_.at(0);
    const Millis time = record->time[slot];
    const bool sameBucket = !buckets_.empty()
        && floorDiv(buckets_.timeAt(buckets_.size() - 1), BucketMs) == floorDiv(time, BucketMs);
    const auto [bucket, b] = sameBucket ? buckets_.at(buckets_.size() - 1) : buckets_.pushBack();
    if (!sameBucket)
        bucket->startsWithGap[b] = 0;
    bucket->time[b] = time;
    for (std::size_t i = 0; i < std::size_t(ChannelCount); ++i) {
        const float value = record->value[i][slot];
        const int before = foldedLamps_[i];
        const int after = record->lamps[i][slot];
        if (!sameBucket) {
            bucket->extremes[i][b] = Extremes();
            bucket->lamps[i][b] = 0;
            bucket->startsWithGap[b] |= std::isnan(value) ? 1u << i : 0u;
        }
        bucket->extremes[i][b].add(value);
        bucket->last[i][b] = value;
        const int changes = (bucket->lamps[i][b] & 0b111'111) | (after & ~before) | (before & ~after) << 3;
        bucket->lamps[i][b] = quint16(changes | after << 6);
        foldedLamps_[i] = quint8(after);
    }
    fine_.popFront();
}

std::vector<Span> LiveHistory::envelope(int series, Millis from, Millis to, int columns) const
{
    EnvelopeBuilder builder(from, to, columns);
    if (series < 0 || series >= ChannelCount)
        return builder.take();
    const auto s = std::size_t(series);
    // The intervals and then the records of the last hour, as one sequence.
    const std::size_t coarse = buckets_.size();
    const auto timeAt = [&](std::size_t i) { return i < coarse ? buckets_.timeAt(i) : fine_.timeAt(i - coarse); };
    const auto gapAt = [&](std::size_t i, bool atStart) {
        if (i >= coarse)
            return std::isnan(fine_.at(i - coarse).first->value[s][fine_.at(i - coarse).second]);
        const auto [bucket, b] = buckets_.at(i);
        return atStart ? (bucket->startsWithGap[b] >> s & 1) != 0 : std::isnan(bucket->last[s][b]);
    };
    builder.forEachColumn(coarse + fine_.size(), timeAt, [&](int column, std::size_t a, std::size_t b) {
        Extremes extremes;
        buckets_.forEachRun(std::min(a, coarse), std::min(b, coarse),
                            [&](const Bucket &bucket, std::size_t i, std::size_t end) {
                                for (; i < end; ++i)
                                    extremes.add(bucket.extremes[s][i]);
                            });
        fine_.forEachRun(std::max(a, coarse) - coarse, std::max(b, coarse) - coarse,
                         [&](const Record &record, std::size_t i, std::size_t end) {
                             for (; i < end; ++i)
                                 extremes.add(record.value[s][i]);
                         });
        builder.add(column, extremes, gapAt(a, true), gapAt(b - 1, false));
    });
    return builder.take();
}

float LiveHistory::valueAt(int series, Millis t) const
{
    if (series < 0 || series >= ChannelCount)
        return NAN;
    const auto s = std::size_t(series);
    if (const std::size_t i = fine_.lowerBound(t, true); i > 0) {
        const auto [record, slot] = fine_.at(i - 1);
        return record->value[s][slot];
    }
    if (const std::size_t i = buckets_.lowerBound(t, true); i > 0) {
        const auto [bucket, b] = buckets_.at(i - 1);
        return bucket->last[s][b];
    }
    return NAN;
}

void LiveHistory::noteDecimals(const std::array<int, ChannelCount> &decimals)
{
    const Millis last = lastTime();
    for (std::size_t i = 0; i < decimals.size(); ++i) {
        if (decimals[i] >= 0)
            decimals_[i].note(last, decimals[i]);
        decimals_[i].dropBefore(firstTime());
    }
}

int LiveHistory::decimals(int series, Millis t) const
{
    return series < 0 || series >= ChannelCount ? -1 : decimals_[std::size_t(series)].at(t);
}

void LiveHistory::lampMarks(Millis time, int before, int after, std::vector<AlarmMark> &marks, MarkSpacing &spacing)
{
    if (before == after)
        return;
    for (int lamp = 0; lamp < 3; ++lamp) {
        const int bit = 1 << lamp;
        if (!((before ^ after) & bit))
            continue;
        const bool on = (after & bit) != 0;
        const std::size_t kind = std::size_t(lamp * 2 + (on ? 1 : 0));
        if (spacing.seen[kind] && time - spacing.last[kind] < spacing.spacing)
            continue;
        spacing.seen[kind] = true;
        spacing.last[kind] = time;
        marks.push_back({time, lamp + 1, on});
    }
}

std::vector<AlarmMark> LiveHistory::alarmMarks(int series, Millis from, Millis to, Millis spacing) const
{
    std::vector<AlarmMark> marks;
    MarkSpacing apart{spacing, {}, {}};
    if (series < 0 || series >= ChannelCount)
        return marks;
    const auto s = std::size_t(series);
    // A chunk's lamp words at a time: most intervals turn no lamp, and a
    // week of them is read in a fraction of a millisecond.
    buckets_.forEachRun(buckets_.lowerBound(from), buckets_.lowerBound(to), [&](const Bucket &bucket, std::size_t i,
                                                                               std::size_t stop) {
        for (; i < stop; ++i) {
            const int word = bucket.lamps[s][i];
            if ((word & (LampBits | LampBits << 3)) == 0) // no lamp turned in this interval
                continue;
            // A lamp that turned both ways within the interval: the turn that
            // leaves it as it was at the end comes last.
            const int on = word & LampBits;
            const int off = word >> 3 & LampBits;
            const int end = word >> 6 & LampBits;
            const int both = on & off;
            const Millis time = bucket.time[i];
            lampMarks(time, end & both, ~end & both & LampBits, marks, apart); // the first turn of those
            lampMarks(time, ~end & (on | off) & LampBits, end & (on | off), marks, apart);
        }
    });
    const std::size_t first = fine_.lowerBound(from);
    int before = foldedLamps_[s];
    if (first > 0) {
        const auto [previous, p] = fine_.at(first - 1);
        before = previous->lamps[s][p];
    }
    fine_.forEachRun(first, fine_.lowerBound(to), [&](const Record &record, std::size_t i, std::size_t end) {
        for (; i < end; ++i) {
            const int after = record.lamps[s][i];
            if (after != before)
                lampMarks(record.time[i], before, after, marks, apart);
            before = after;
        }
    });
    return marks;
}

namespace {

// The rows of one part of the history in [from, to); false once past `to`.
template <typename Chunk>
bool visitRows(const ChunkQueue<Chunk> &queue, float (Chunk::*values)[ChannelCount][Chunk::Size], Millis from, Millis to,
               const TrendSource::SampleVisitor &visit)
{
    float row[ChannelCount];
    for (std::size_t i = queue.lowerBound(from); i < queue.size(); ++i) {
        const auto [chunk, slot] = queue.at(i);
        if (chunk->time[slot] >= to)
            return false;
        for (std::size_t s = 0; s < std::size_t(ChannelCount); ++s)
            row[s] = (chunk->*values)[s][slot];
        visit(chunk->time[slot], row);
    }
    return true;
}

} // namespace

void LiveHistory::forEachSample(Millis from, Millis to, const SampleVisitor &visit) const
{
    if (visitRows(buckets_, &Bucket::last, from, to, visit))
        visitRows(fine_, &Record::value, from, to, visit);
}

std::size_t LiveHistory::memoryBytes() const { return sizeof(*this) + fine_.memoryBytes() + buckets_.memoryBytes(); }

} // namespace trend
