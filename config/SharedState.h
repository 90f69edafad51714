#pragma once
// State shared by the main loop, the windows and the timers for the whole run.
// Everything runs on the one user-interface thread; there are no locks.

#include "config/ChannelTable.h"

#include <QString>

#include <array>

struct SharedState {
    ChannelTable channels;
    DecimalPlaceTable DecimalPlaces{};
    bool LoggingActive = false;
    qint32 LogStartSecond = 0;
    // A step's message box is open: the loop is held and no channel is
    // polled, so the log writes "----" for every monitored channel.
    bool loopHeldByBox = false;

    // The device address field of each channel as the operator typed it: the
    // live address table, read anew by every command. The address dialog's
    // fields edit these texts directly.
    std::array<QString, ChannelCount> DvtoN;

    // The logging interval field as the operator typed it, and the interval
    // last accepted (the stored one at start-up, then each one OK accepts).
    // The schedule steps by the accepted one, never by half-typed text.
    QString LogT = QStringLiteral("60");
    double acceptedLogInterval = 60.0;

    SharedState() { DvtoN.fill(QStringLiteral("0")); }

    // The channel's device address: the leading number of its field, rounded.
    // May lie outside 0..31; users check with isValidAddress().
    qint64 deviceAddress(int channel) const;
};

inline bool isValidAddress(qint64 address) { return address >= 0 && address <= 31; }
