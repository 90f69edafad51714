#pragma once
// The settings a benchmark or soak run starts from.

#include "config/ChannelTable.h"
#include "config/Numbers.h"
#include "config/SettingsStore.h"

#include <QSettings>

// A fresh store: the port, the saved speed, log interval 1, channels 0..on-1
// ON at device addresses channel + firstAddress, the rest OFF.
inline void prepareStore(const QString &port, const QString &speed, int on, int firstAddress)
{
    QSettings(QStringLiteral("KORVANE")).clear();
    SettingsStore store;
    store.save(QStringLiteral("CommPort"), port);
    store.save(QStringLiteral("Speed"), speed);
    store.save(QStringLiteral("LogT"), QStringLiteral("1"));
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const QString suffix = numbers::keySuffix(channel);
        store.save(QStringLiteral("DvState") + suffix, channel < on ? QStringLiteral("ON") : QStringLiteral("OFF"));
        store.save(QStringLiteral("DvtoN") + suffix, QString::number(channel + firstAddress));
    }
}
