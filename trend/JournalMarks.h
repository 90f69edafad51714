#pragma once
// Log files as charts with the alarm marks of their days: forwards
// everything to the chart and answers alarmMarks from the lamps turning red
// and green in the event journals beside the log files
// (log/events-yyyy-MM-dd.tsv) for every day the chart covers. A day without
// its journal has no marks.

#include "config/ChannelTable.h"
#include "trend/TrendSource.h"

#include <array>

namespace trend {

class LogChart;

class JournalMarks : public TrendSource {
public:
    // Reads the journals at once; the chart must outlive this.
    explicit JournalMarks(const LogChart &chart);

    int seriesCount() const override;
    QString seriesName(int series) const override;
    Millis firstTime() const override;
    Millis lastTime() const override;
    std::vector<Span> envelope(int series, Millis from, Millis to, int columns) const override;
    float valueAt(int series, Millis t) const override;
    int decimals(int series, Millis t) const override;
    std::vector<AlarmMark> alarmMarks(int series, Millis from, Millis to, Millis spacing = 0) const override;
    void forEachSample(Millis from, Millis to, const SampleVisitor &visit) const override;

private:
    const LogChart &chart_;
    std::array<std::vector<AlarmMark>, ChannelCount> marks_; // per channel, in time order
};

} // namespace trend
