#pragma once
// Setting up the channel table for a test: everything OFF, then single
// channels switched on at an address.

#include "config/SharedState.h"

inline void switchAllOff(SharedState &state, const QString &text = QStringLiteral("OFF"))
{
    for (int channel = 0; channel < ChannelCount; ++channel)
        state.channels(channel, StateItem).Value = text;
}

inline void switchOn(SharedState &state, int channel, const QString &address, const QString &monitoring = "ON")
{
    state.channels(channel, StateItem).Value = monitoring;
    state.DvtoN[std::size_t(channel)] = address;
}
