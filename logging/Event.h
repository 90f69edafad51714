#pragma once
// One entry of the event journal: what happened on the line, to which
// channel, and when (local time with its offset from UTC, to the second).

#include <QDateTime>
#include <QString>
#include <QtGlobal>

struct Event {
    enum class Kind : quint8 {
        ProgramStart,
        ProgramEnd,
        LampRed,      // detail: the lamp, "A1".."A3"
        LampGreen,
        Acknowledged, // the operator acknowledged the alarm of a lamp
        NoAnswer,     // a channel's first failed read after good ones; detail: why
        AnswersAgain,
        LineFault,    // the port vanished or reported an error
        LineRestored, // the port was reopened and answers again
        LinkFound,    // discovery: detail the port, after the speed
        SettingWritten, // caption, before, after; accepted or refused
        ChannelOn,
        ChannelOff,
    };
    static constexpr int KindCount = int(Kind::ChannelOff) + 1;

    qint64 utcMs = 0;      // the moment, to the second
    qint32 utcOffset = 0;  // seconds east of UTC of the local time then
    Kind kind = Kind::ProgramStart;
    qint8 channel = -1;    // 0..30, or -1 for the program and the line
    qint8 address = -1;    // the channel's device address then, -1 for none
    qint8 lamp = 0;        // 1..3 for the lamp kinds and Acknowledged
    bool accepted = false; // SettingWritten: the instrument took the value
    quint64 sequence = 0;  // the journal's running number, from 1
    QString name;          // the channel's display name then
    QString detail;
    QString caption, before, after; // SettingWritten

    QDateTime localTime() const
    {
        return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, utcOffset);
    }
    bool isAlarm() const { return kind == Kind::LampRed; }

    // The kind's text in the journal and the events window.
    static QString kindText(Kind kind);
    // The kind a text names; false for a text that names none.
    static bool kindFromText(const QString &text, Kind &kind);
};

// The state of one alarm (a lamp of a channel) as the operator sees it: the
// lamp is red or has returned to green, and the operator has or has not
// acknowledged it since it turned red.
enum class AlarmState : quint8 { Normal, ActiveUnacknowledged, ActiveAcknowledged, ReturnedUnacknowledged };
QString alarmStateText(AlarmState state);
