#include "config/SettingsStore.h"

#include <QSettings>

namespace {
const QString Group = QStringLiteral("VTX-500 Monitor");

QString groupKey(const QString &key) { return Group + QLatin1Char('/') + key; }
} // namespace

QString SettingsStore::get(const QString &key, const QString &def) const
{
    QSettings settings(QStringLiteral("KORVANE"));
    const QVariant value = settings.value(groupKey(key));
    if (!value.isValid())
        return def;
    // A hand-edited value with an unquoted comma reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    return value.toString();
}

void SettingsStore::save(const QString &key, const QString &value)
{
    QSettings settings(QStringLiteral("KORVANE"));
    settings.setValue(groupKey(key), value);
    settings.sync();
}

bool SettingsStore::contains(const QString &key) const
{
    return QSettings(QStringLiteral("KORVANE")).contains(groupKey(key));
}
