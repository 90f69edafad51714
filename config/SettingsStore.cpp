#include "config/SettingsStore.h"

#include <QFile>
#include <QSettings>

namespace {
const QString Group = QStringLiteral("VTX-500 Monitor");

QString groupKey(const QString &key) { return Group + QLatin1Char('/') + key; }

// QSettings only says that the file could not be written; the file itself
// usually says why (a folder in its place, no permission). Otherwise the
// disk is full or its folder cannot take the new file.
QString whyNotWritten(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return file.errorString();
    return QStringLiteral("The settings could not be written (the disk may be full).");
}
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

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;

void SettingsStore::save(const QString &key, const QString &value)
{
    if (scopeSettings_) {
        scopeSettings_->setValue(groupKey(key), value);
        return;
    }
    QSettings settings(QStringLiteral("KORVANE"));
    settings.setValue(groupKey(key), value);
    flush(settings);
}

bool SettingsStore::contains(const QString &key) const
{
    return QSettings(QStringLiteral("KORVANE")).contains(groupKey(key));
}

void SettingsStore::flush(QSettings &settings)
{
    settings.sync();
    if (settings.status() != QSettings::NoError && failureReport)
        failureReport(settings.fileName(), whyNotWritten(settings.fileName()));
}

SettingsStore::SaveScope::SaveScope(SettingsStore &store) : store_(store)
{
    if (store_.openScopes_++ == 0)
        store_.scopeSettings_ = std::make_unique<QSettings>(QStringLiteral("KORVANE"));
}

SettingsStore::SaveScope::~SaveScope()
{
    if (--store_.openScopes_ == 0) {
        const std::unique_ptr<QSettings> settings = std::move(store_.scopeSettings_);
        store_.flush(*settings);
    }
}
