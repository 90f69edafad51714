#pragma once
// The PVs and alarm lamps of this run, as the trend window draws them: every
// polling cycle for the last hour, then the lowest, highest and last value of
// each 10 s for 7 days; anything older is dropped.
//
// Why 10 s: a week across a 1920-pixel window is 315 s a column and a day
// 45 s, so the coarse part still holds several intervals a column where it
// is drawn whole, and zoomed into an older hour a 10 s step is a few pixels.
// 7 days of 10 s intervals take about 27 MiB for 31 channels, well within
// the 64 MiB the history may take, whatever the polling rate.

#include "config/ChannelTable.h"
#include "trend/ChunkQueue.h"
#include "trend/DecimalRuns.h"
#include "trend/EnvelopeBuilder.h"

#include <array>
#include <functional>

namespace trend {

class LiveHistory : public TrendSource {
public:
    using Values = std::array<float, ChannelCount>;
    using StatusWords = std::array<quint16, ChannelCount>;

    static constexpr Millis FineSpan = 3'600'000;    // every cycle kept for the last hour
    static constexpr Millis BucketMs = 10'000;       // then one interval of 10 s
    static constexpr Millis KeptSpan = 7 * 86'400'000; // for 7 days
    // At most one record each 50 ms for the hour: faster cycles hand their
    // oldest records to the intervals before the hour is over, so that the
    // memory stays bounded at any rate.
    static constexpr std::size_t MaxFineRecords = 72'000;

    // `names` gives a series' name when asked, so renamed channels show at once.
    explicit LiveHistory(std::function<QString(int)> names);

    // One polling cycle: each channel's PV (NaN for "----" or a channel
    // switched OFF) and status word (bits 0..2: lamps 1..3). A time earlier
    // than the last one (the clock set back) is taken as the last one, so
    // that the history stays in order. When no cycle ended for longer than
    // three times the median of the last cycles (the loop held, the line
    // down), a row of gaps goes first, at the time the cycle was overdue:
    // the curves break there instead of drawing a line across.
    void append(Millis time, const Values &values, const StatusWords &statusWords);
    // The median time between the ends of the last cycles; 0 before there
    // are a few.
    Millis typicalCycle() const;

    // The decimal places each PV of the last appended cycle was shown with
    // (-1 for a gap): runs of places, a few entries for a whole week.
    void noteDecimals(const std::array<int, ChannelCount> &decimals);
    int decimals(int series, Millis t) const override;

    // What the history holds, in bytes: bounded by the intervals above.
    std::size_t memoryBytes() const;

    int seriesCount() const override { return ChannelCount; }
    QString seriesName(int series) const override;
    Millis firstTime() const override;
    Millis lastTime() const override;
    std::vector<Span> envelope(int series, Millis from, Millis to, int columns) const override;
    float valueAt(int series, Millis t) const override;
    // Exact in the last hour; beyond it one mark per lamp and direction per
    // interval, at the interval's last record.
    std::vector<AlarmMark> alarmMarks(int series, Millis from, Millis to, Millis spacing = 0) const override;
    // Every record of the last hour; beyond it one row per interval: its last
    // record's time and values. A real reading at its real time, where a mean
    // would be a value the instruments never showed (and undefined for an
    // interval with gaps).
    void forEachSample(Millis from, Millis to, const SampleVisitor &visit) const override;

private:
    static constexpr std::size_t ChunkSize = 1024;
    struct Record {
        static constexpr std::size_t Size = ChunkSize;
        Millis time[Size];
        float value[ChannelCount][Size];
        quint8 lamps[ChannelCount][Size]; // bits 0..2: lamps 1..3 lit
    };
    // An interval of the coarse part, at its last record's time.
    struct Bucket {
        static constexpr std::size_t Size = ChunkSize;
        Millis time[Size];
        quint32 startsWithGap[Size]; // bit per series: the first record was a gap
        Extremes extremes[ChannelCount][Size];
        float last[ChannelCount][Size];
        // Bits 0..2: lamps that turned on within, 3..5: turned off, 6..8: lit at its end.
        quint16 lamps[ChannelCount][Size];
    };

    void push(Millis time, const float *values, const quint8 *lamps);
    void fold();
    // Appends the changes of the lamps between the two words, each unless one of
    // the same lamp and direction came less than `spacing` before it.
    struct MarkSpacing {
        Millis spacing = 0;
        std::array<Millis, 6> last{}; // per lamp and direction
        std::array<bool, 6> seen{};
    };
    static void lampMarks(Millis time, int before, int after, std::vector<AlarmMark> &marks, MarkSpacing &spacing);

    std::array<DecimalRuns, ChannelCount> decimals_;
    std::function<QString(int)> names_;
    ChunkQueue<Record> fine_;
    ChunkQueue<Bucket> buckets_;
    std::array<quint8, ChannelCount> foldedLamps_{}; // the lamps of the last record folded
    // The last cycles' intervals, a ring, for their median.
    static constexpr std::size_t Cycles = 15;
    std::array<Millis, Cycles> cycles_{};
    std::size_t cycleCount_ = 0;
    Millis lastCycle_ = 0;
};

} // namespace trend
