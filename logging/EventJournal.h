#pragma once
// The alarm and event journal: turns what polling, the line, discovery and
// setting transfer report into events, keeps the latest of them in memory
// with the state of every alarm, and appends each one at once to the day's
// journal file beside the PV logs, "log/events-yyyy-MM-dd.tsv". A restart
// reads today's file back, so the list and the unacknowledged alarms stay.
//
// The alarms are the lamps of the monitored channels, 93 at most; each is
// normal, active and unacknowledged, active and acknowledged, or returned
// (green again) but unacknowledged. Only the latest red of a lamp carries
// its state; earlier ones are history.

#include "comm/VtxPort.h"
#include "config/ChannelTable.h"
#include "logging/Event.h"
#include "logging/LineAppender.h"

#include <QSet>

#include <array>
#include <deque>
#include <functional>
#include <vector>

class Clock;
class Prompter;
struct SharedState;

class EventJournal {
public:
    // The events kept in memory; older ones are only in the files.
    static constexpr int MemoryCapacity = 100000;
    static constexpr int LampCount = 3;

    EventJournal(const SharedState &state, const Clock &clock, Prompter &prompter,
                 QString directory = QStringLiteral("log"));

    // The journal file of a day, below `directory`.
    static QString fileName(const QString &directory, const QDate &day);
    QString fileName(const QDate &day) const { return fileName(directory_, day); }
    // The header line's column names.
    static QString headerText();

    // Calls `each` with every whole event line of a journal file, in file
    // order; false when the file cannot be read.
    static bool readFile(const QString &path, const std::function<void(Event &)> &each);

    // Reads today's file back: its events and the alarms' states. A line
    // that is not whole (a torn last line, a damaged one) is skipped.
    // Returns the number of events read.
    int readBack();

    void programStarted();
    void programEnded();

    // What polling shows: "----" is a failed read of the channel, any other
    // text and every status word a good one.
    void pvShown(int channel, const QString &text);
    void lampsShown(int channel, quint16 statusWord);
    // Every attempt on the line: a line fault, the line answering again
    // after one, and why the latest command failed.
    void attemptEnded(const AttemptReport &report);
    // After each pass over the channels: a channel that failed a read in it
    // stops answering (once per failure), one that answered after failing
    // answers again; channels switched ON or OFF since the last pass.
    void cycleEnded();
    void linkFound(const QString &port, const QString &speed);
    void settingWritten(int channel, int item, const QString &before, const QString &after, bool accepted);

    // Acknowledges the alarms whose latest red the given events are; others
    // are left alone. Returns how many were acknowledged.
    int acknowledge(const std::vector<quint64> &sequences);

    // Oldest first, at most MemoryCapacity.
    const std::deque<Event> &events() const { return events_; }
    const Event *find(quint64 sequence) const;
    // The state of the alarm that an event turned red, as long as it is its
    // lamp's latest red; Normal for every other event.
    AlarmState alarmState(const Event &event) const;
    int activeAlarms() const;
    int unacknowledgedAlarms() const;
    // Grows with every change: a view refreshes when it differs.
    quint64 changes() const { return changes_; }
    // Events that could not be written to the file.
    int failedWrites() const { return failedWrites_; }
    // While a step runs, a failed write's message waits for the step's end,
    // as the PV log's does: no box opens inside a wait for a reply.
    void holdMessages(bool hold);

private:
    struct Alarm {
        AlarmState state = AlarmState::Normal;
        quint64 latestRed = 0;
    };

    Event make(Event::Kind kind, int channel = -1) const;
    void add(Event event);
    void apply(const Event &event);
    void write(const Event &event);
    void tellHeldMessage();
    Alarm *alarmOf(const Event &event);
    QString intern(const QString &text);
    bool monitored(int channel) const;

    const SharedState &state_;
    const Clock &clock_;
    Prompter &prompter_;
    QString directory_;
    std::deque<Event> events_;
    quint64 nextSequence_ = 1;
    quint64 changes_ = 0;
    std::array<std::array<Alarm, LampCount>, ChannelCount> alarms_{};
    QSet<QString> interned_;

    // Polling's view of each channel.
    std::array<bool, ChannelCount> lampsKnown_{};
    std::array<quint16, ChannelCount> statusWords_{};
    std::array<bool, ChannelCount> failedInPass_{};
    std::array<bool, ChannelCount> answeredInPass_{};
    std::array<QString, ChannelCount> failure_;
    std::array<bool, ChannelCount> silent_{};
    std::array<bool, ChannelCount> wasMonitored_{};
    QString lastFailure_;
    bool lineFaulted_ = false;

    QString lastPath_; // the file last written
    LineAppender appender_;
    int failedWrites_ = 0;
    bool failureTold_ = false; // since the last good write
    bool telling_ = false;
    bool holding_ = false;
    QString heldMessage_; // a failed write's message that waits for the step's end
};
