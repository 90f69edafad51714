#pragma once
// Polling shows each PV and status word through this view. It hands them on
// to the panels and keeps the lamps, so that at the end of every polling
// cycle the PVs as the panels show them, and the lamps, become one row of
// the live history: what the operator saw is what the trend draws.

#include "config/ChannelTable.h"
#include "config/PanelView.h"

#include <QDateTime>

#include <array>
#include <functional>

namespace trend {

class LiveHistory;

class LiveFeed : public PanelView {
public:
    explicit LiveFeed(PanelView &panels) : panels_(panels) {}

    void setPvText(int channel, const QString &text) override { panels_.setPvText(channel, text); }
    QString pvText(int channel) const override { return panels_.pvText(channel); }
    void setLamps(int channel, quint16 statusWord) override;

    // One row of the history at `time`: the shown PV of each monitored
    // channel, a gap for "----" and for a channel not monitored.
    void cycleDone(LiveHistory &history, const QDateTime &time, const std::function<bool(int)> &monitored) const;
    // A row of gaps at `time`: from then on until the next cycle's row
    // nothing was measured (a step's box held the loop).
    void gap(LiveHistory &history, const QDateTime &time) const;

private:
    PanelView &panels_;
    std::array<quint16, ChannelCount> statusWords_{};
};

} // namespace trend
