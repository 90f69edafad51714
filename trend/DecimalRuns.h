#pragma once
// The decimal places a series was shown with, over time: kept as runs (a
// place count and the time it began), since a channel's places change only
// when its instrument is set anew, so that a week of samples costs a few
// entries, not a byte each.

#include "trend/TrendSource.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace trend {

class DecimalRuns {
public:
    // The places of a sample at `time`, no earlier than the last one noted.
    void note(Millis time, int decimals)
    {
        if (runs_.empty() || runs_.back().second != decimals)
            runs_.emplace_back(time, qint8(decimals));
    }
    // The places of the last sample at or before `time`; -1 when unknown.
    int at(Millis time) const
    {
        const auto after = std::upper_bound(runs_.begin(), runs_.end(), time,
                                            [](Millis t, const std::pair<Millis, qint8> &run) { return t < run.first; });
        return after == runs_.begin() ? -1 : (after - 1)->second;
    }
    // The runs noted so far; back to that many (a file read in part, undone).
    std::size_t size() const { return runs_.size(); }
    void truncate(std::size_t size) { runs_.resize(std::min(size, runs_.size())); }
    // Forgets the runs that ended before `time`, keeping the one in force then.
    void dropBefore(Millis time)
    {
        const auto after = std::upper_bound(runs_.begin(), runs_.end(), time,
                                            [](Millis t, const std::pair<Millis, qint8> &run) { return t < run.first; });
        if (after - runs_.begin() > 1)
            runs_.erase(runs_.begin(), after - 1);
    }
    void clear() { runs_.clear(); }

private:
    std::vector<std::pair<Millis, qint8>> runs_;
};

} // namespace trend
