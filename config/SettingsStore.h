#pragma once
// The per-user settings store: text values under organization "KORVANE",
// group "VTX-500 Monitor" ($XDG_CONFIG_HOME/KORVANE.conf on Linux).

#include <QString>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text of key, or def when the key is absent.
    virtual QString get(const QString &key, const QString &def) const;
    // Stores the text and flushes the file at once, so an abrupt end of the
    // process loses nothing that was saved before it.
    virtual void save(const QString &key, const QString &value);
    // True when the key is present.
    virtual bool contains(const QString &key) const;
};
