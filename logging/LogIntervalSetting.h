#pragma once
// What OK and Cancel of the logging interval dialog do, without the window:
// checking the entry, restarting the schedule for a new interval, and keeping
// the stored "LogT" and the interval in force.

#include <QString>

#include <optional>

class Clock;
class LogSchedule;
class Prompter;
class SettingsStore;
struct SharedState;

class LogIntervalSetting {
public:
    LogIntervalSetting(SharedState &state, SettingsStore &store, Prompter &prompter, LogSchedule &schedule,
                       const Clock &clock);

    // OK with the field's text. A valid entry becomes the interval in force;
    // when it differs from the stored text, the next record moves to one new
    // interval from now and the text is stored as typed. Returns true when the
    // dialog may close. An invalid entry is reported, the stored text goes
    // back into SharedState::LogT, and false is returned.
    bool accept(const QString &text);

    // Cancel: the stored text goes back into SharedState::LogT.
    void cancel();

    // The stored interval text, "60" when nothing is stored.
    QString storedText() const;

    // The interval an entry stands for: the whole text (blanks around it
    // allowed, '.' as decimal point) read as a number in 1..18000; nothing
    // for anything else ("", "abc", "12abc", "0.5").
    static std::optional<double> intervalFromEntry(const QString &text);

private:
    SharedState &state_;
    SettingsStore &store_;
    Prompter &prompter_;
    LogSchedule &schedule_;
    const Clock &clock_;
};
