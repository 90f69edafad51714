#include "trend/LiveFeed.h"

#include "trend/LiveHistory.h"
#include "trend/PvValue.h"

#include <cmath>

namespace trend {

void LiveFeed::setLamps(int channel, quint16 statusWord)
{
    panels_.setLamps(channel, statusWord);
    if (channel >= 0 && channel < ChannelCount)
        statusWords_[std::size_t(channel)] = statusWord;
}

void LiveFeed::cycleDone(LiveHistory &history, const QDateTime &time, const std::function<bool(int)> &monitored) const
{
    std::array<float, ChannelCount> values;
    std::array<int, ChannelCount> decimals;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const std::size_t i = std::size_t(channel);
        decimals[i] = -1;
        values[i] = monitored(channel) ? pvValue(panels_.pvText(channel), &decimals[i]) : NAN;
    }
    history.append(time.toMSecsSinceEpoch(), values, statusWords_);
    history.noteDecimals(decimals); // so that the read-out and the export show 1.050 as shown
}

void LiveFeed::gap(LiveHistory &history, const QDateTime &time) const
{
    std::array<float, ChannelCount> values;
    values.fill(NAN);
    history.append(time.toMSecsSinceEpoch(), values, statusWords_);
}

} // namespace trend
