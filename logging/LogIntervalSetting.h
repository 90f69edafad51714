#pragma once
// What OK and Cancel of the logging interval dialog do, without the window:
// checking the entry, restarting the schedule for a new interval, and keeping
// the stored "LogT" and the interval in force.

#include <QString>

class Clock;
class LogSchedule;
class Prompter;
class SettingsStore;
struct SharedState;

class LogIntervalSetting {
public:
    LogIntervalSetting(SharedState &state, SettingsStore &store, Prompter &prompter, LogSchedule &schedule,
                       const Clock &clock);

    // OK with the field's text. An interval (loginterval::fromText) becomes
    // the interval in force; when it differs from the stored text, the next
    // record moves to one new interval from now and the text is stored as
    // typed. Returns true when the dialog may close. Any other entry is
    // reported, the field gets the stored text back (loginterval::fieldText:
    // "60" for a stored text that is no interval), and false is returned.
    bool accept(const QString &text);

    // Cancel: the field gets the stored text back, as after a refused entry.
    void cancel();

    // The stored interval text, "60" when nothing is stored.
    QString storedText() const;

private:
    SharedState &state_;
    SettingsStore &store_;
    Prompter &prompter_;
    LogSchedule &schedule_;
    const Clock &clock_;
};
