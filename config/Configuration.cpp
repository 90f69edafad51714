#include "config/Configuration.h"

#include "config/LogInterval.h"
#include "config/Numbers.h"
#include "config/Prompter.h"
#include "config/RegularFile.h"
#include "config/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace configuration {

void regRead(SharedState &state, const SettingsStore &store)
{
    reloadAddresses(state, store);
    for (int i = 0; i < ChannelCount; ++i) {
        const QString suffix = numbers::keySuffix(i);
        state.channels(i, NameItem).Value = store.get(QStringLiteral("PVname") + suffix, QStringLiteral("CH %1").arg(i));
        state.channels(i, StateItem).Value = store.get(QStringLiteral("DvState") + suffix, QStringLiteral("OFF"));
    }
    state.LogT = loginterval::fieldText(store.get(QStringLiteral("LogT"), loginterval::DefaultText));
    state.acceptedLogInterval = loginterval::fromText(state.LogT).value_or(loginterval::Default);
}

void saveChannelConfiguration(const SharedState &state, SettingsStore &store)
{
    const SettingsStore::SaveScope oneSave(store);
    for (int i = 0; i < ChannelCount; ++i) {
        const QString suffix = numbers::keySuffix(i);
        store.save(QStringLiteral("PVname") + suffix, state.channels.name(i));
        store.save(QStringLiteral("DvState") + suffix, state.channels.state(i));
    }
}

void reloadAddresses(SharedState &state, const SettingsStore &store)
{
    for (int i = 0; i < ChannelCount; ++i)
        state.DvtoN[std::size_t(i)] = store.get(QStringLiteral("DvtoN") + numbers::keySuffix(i), QStringLiteral("0"));
}

void saveAddresses(const SharedState &state, SettingsStore &store)
{
    const SettingsStore::SaveScope oneSave(store);
    for (int i = 0; i < ChannelCount; ++i)
        store.save(QStringLiteral("DvtoN") + numbers::keySuffix(i), state.DvtoN[std::size_t(i)]);
}

void loadDecimalPlaces(DecimalPlaceTable &places, Prompter &prompter, const QString &path)
{
    if (!QFileInfo::exists(path)) {
        places.fill(0);
        return;
    }
    QFile file(path);
    QString reason;
    if (!regular_file::open(file, QIODevice::ReadOnly, reason)) {
        prompter.message(QStringLiteral("Cannot read the file %1.\n%2").arg(path, reason), QString(),
                         Prompter::Icon::Warning);
        return;
    }
    const QByteArray bytes = file.read(2 * ChannelCount);
    if (bytes.size() < 2 * ChannelCount && file.error() != QFileDevice::NoError) {
        prompter.message(QStringLiteral("Cannot read the file %1.\n%2").arg(path, file.errorString()), QString(),
                         Prompter::Icon::Warning);
        return;
    }
    QStringList impossible;
    for (int n = 0; n < ChannelCount; ++n) {
        const int at = 2 * n;
        places[std::size_t(n)] = at + 1 < bytes.size()
            ? qint16(quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8))
            : qint16(0);
        if (places[std::size_t(n)] < 0 || places[std::size_t(n)] > 3)
            impossible << QString::number(n);
    }
    // Kept as read, so that the file is written back as it was; the PVs
    // show without decimal places until the instrument's place is read.
    if (!impossible.isEmpty())
        prompter.message(QStringLiteral("The file %1 holds a number of decimal places that no instrument has "
                                        "(only 0 to 3 are possible) for device address(es) %2.\n"
                                        "Their PVs are shown and logged without decimal places until the setting "
                                        "dialog reads or writes the decimal point of the instrument.")
                             .arg(path, impossible.join(QStringLiteral(", "))),
                         QString(), Prompter::Icon::Warning);
}

void saveDecimalPlaces(const DecimalPlaceTable &places, Prompter &prompter, const QString &path)
{
    QByteArray bytes;
    bytes.reserve(2 * ChannelCount);
    for (int n = 0; n < ChannelCount; ++n) {
        const quint16 v = quint16(places[std::size_t(n)]);
        bytes.append(char(v & 0xFF));
        bytes.append(char(v >> 8));
    }
    // ReadWrite without truncation: bytes beyond the 62 of an older, longer
    // file stay as they were.
    QFile file(path);
    QString reason;
    bool ok = regular_file::open(file, QIODevice::ReadWrite, reason);
    ok = ok && file.seek(0) && file.write(bytes) == bytes.size() && file.flush();
    if (reason.isEmpty())
        reason = file.errorString();
    file.close();
    if (!ok || file.error() != QFileDevice::NoError)
        prompter.message(QStringLiteral("Cannot write the file %1.\n%2").arg(path, reason), QString(),
                         Prompter::Icon::Warning);
}

} // namespace configuration
