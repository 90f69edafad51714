#pragma once
// The per-user settings store: text values under organization "KORVANE",
// group "VTX-500 Monitor" ($XDG_CONFIG_HOME/KORVANE.conf on Linux).

#include <QString>

#include <functional>
#include <memory>

class QSettings;

class SettingsStore {
public:
    SettingsStore();
    virtual ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;
    // The stored text of key, or def when the key is absent.
    virtual QString get(const QString &key, const QString &def) const;
    // Stores the text and flushes the file at once, so an abrupt end of the
    // process loses nothing that was saved before it. A file that cannot be
    // written is told through failureReport, once per save.
    virtual void save(const QString &key, const QString &value);
    // True when the key is present.
    virtual bool contains(const QString &key) const;

    // Told the store's file and the reason when a save could not be written;
    // the program goes on with the values it has.
    std::function<void(const QString &file, const QString &reason)> failureReport;

    // The keys saved while a scope is open are one save: the file is written
    // once, when the outermost scope closes, and a failure is told once.
    class SaveScope {
    public:
        explicit SaveScope(SettingsStore &store);
        ~SaveScope();
        SaveScope(const SaveScope &) = delete;
        SaveScope &operator=(const SaveScope &) = delete;

    private:
        SettingsStore &store_;
    };

private:
    // Writes the file; a failure is told.
    void flush(QSettings &settings);

    int openScopes_ = 0;
    std::unique_ptr<QSettings> scopeSettings_; // while a scope is open
};
