#pragma once
// The log file writer: creates one tab-separated log file per run in the
// directory "log" below the working directory and appends, at every due tick
// of LoggingTimer, one line with the time and the PV text of channels 0..30
// ("----" for every monitored channel while a step's box holds the loop).

#include "logging/LogSchedule.h"
#include "logging/LineAppender.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class Clock;
class PanelView;
class Prompter;
struct SharedState;

class LogWriter : public QObject {
    Q_OBJECT
public:
    // showStatus puts a text into the main window's status bar.
    LogWriter(SharedState &state, PanelView &panels, Prompter &prompter, const Clock &clock,
              std::function<void(const QString &)> showStatus, QObject *parent = nullptr);

    // Starts logging once per run: the first record one accepted interval from
    // now, logging active, the tick running, the file created. Later calls do
    // nothing.
    void startLogging();

    // Creates the "log" directory when missing, picks the file name, shows it
    // in the status bar and writes the header line into the new file.
    void loggingBegin();

    // The 200 ms tick: writes a record when one is due.
    void LoggingTimer_Timer();
    // The tick, when it is due, for a wait that serves no timer (a step's
    // wait on the line): the records keep their time at any line speed.
    void serveOverdueTick();

    // While a step of the main loop runs, ticks may run inside its wait for a
    // reply; a modal box opened there would hold that wait until the reply
    // times out. So while held, a failed record's message waits, and ending
    // the hold shows the waiting ones, one per failed record (and then the
    // count of those that failed while these boxes were open).
    void holdMessages(bool hold);
    int heldMessages() const { return heldFailures_; }

    LogSchedule &schedule() { return schedule_; }
    const QTimer &loggingTimer() const { return LoggingTimer; }
    QString logFileName() const { return LogFileName; }

private:
    // "log/yymmdd_hhmm.TXT" from one reading of the clock; when that name is
    // taken (a second run in the same minute), "_2", "_3", ... before ".TXT",
    // so an earlier run's file is never emptied and the names still sort by
    // time.
    QString NewLogFileName() const;

    QByteArray headerLine() const;
    QByteArray recordLine(const QDateTime &now) const;
    // Appends one line; false when it could not be written completely. A
    // line that failed part-way is cut off again, so that every line of the
    // file stays the header or one whole record.
    bool appendLine(const QByteArray &line);
    // Shows the boxes of failed records, unless a step runs or a box is open.
    void tellFailures();

    SharedState &state_;
    PanelView &panels_;
    Prompter &prompter_;
    const Clock &clock_;
    std::function<void(const QString &)> showStatus_;
    LogSchedule schedule_;
    QTimer LoggingTimer;
    QString LogFileName;
    bool reporting_ = false;  // a write failure message is on screen
    bool holding_ = false;    // a step is in progress: messages wait for its end
    int heldFailures_ = 0;    // failed records whose message waits
    int untoldFailures_ = 0;  // records that failed while a message was on screen
    LineAppender appender_;
};

namespace logfile {

// A field made safe for the tab-separated file: TAB, CR and LF become blanks,
// so a name or PV text can never shift columns or break a line.
QString cleanField(const QString &text);

// Text to bytes for the file. The system's local 8-bit encoding (UTF-8 on
// Linux) keeps every character of a channel name; its bytes never include
// TAB, CR or LF except for those characters themselves.
QByteArray encode(const QString &text);

} // namespace logfile
