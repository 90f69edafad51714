#include "comm/LineText.h"

#include "comm/Commands.h"

#include <array>

namespace {

QString speedText(const LineRecorder &recorder)
{
    return recorder.lineSpeed() > 0 ? QStringLiteral("%1 bit/s").arg(recorder.lineSpeed())
                                    : QStringLiteral("no speed");
}

QString lastGood(const LineRecorder &recorder)
{
    if (!recorder.lastGoodReply().isValid())
        return QStringLiteral("no good reply yet");
    return QStringLiteral("last good reply %1 from address %2")
        .arg(linetext::time(recorder.lastGoodReply()))
        .arg(recorder.lastGoodAddress());
}

bool isHexWord(const QString &text)
{
    bool ok = false;
    return text.size() == 4 && (text.toUShort(&ok, 16), ok);
}

// The status word: bits 0..2 the alarm lamps, bit 8 the input outside the
// scaling limits.
QString statusText(const QString &hex)
{
    const uint word = hex.toUShort(nullptr, 16);
    QStringList parts;
    for (int lamp = 0; lamp < 3; ++lamp) {
        if (word & (1u << lamp))
            parts << QStringLiteral("A%1").arg(lamp + 1);
    }
    QString text = parts.isEmpty() ? QStringLiteral("no lamp") : QStringLiteral("lamps ") + parts.join(u' ');
    if (word & 0x100u)
        text += QStringLiteral(", input out of range");
    return text;
}

} // namespace

namespace linetext {

QString time(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString activity(const LineRecorder &recorder)
{
    const QString since = time(recorder.activitySince());
    const QString line = QStringLiteral("%1 at %2").arg(recorder.portName(), speedText(recorder));
    switch (recorder.activity()) {
    case LineRecorder::Activity::Idle:
        return QStringLiteral("Line: not opened yet.");
    case LineRecorder::Activity::Searching:
        if (!recorder.probed())
            return QStringLiteral("Line: searching since %1; nothing to probe (no channel ON at an address "
                                  "0..31).")
                .arg(since);
    {
        QString text = QStringLiteral("Line: searching since %1; no answer to the probe of address %2, last on %3 at "
                                      "%4 bit/s")
                           .arg(since)
                           .arg(recorder.probeAddress())
                           .arg(recorder.probePort())
                           .arg(recorder.probeSpeed());
        if (!recorder.absentPorts().isEmpty())
            text += QStringLiteral("; no port ") + recorder.absentPorts().join(QStringLiteral(", "));
        return text + u'.';
    }
    case LineRecorder::Activity::Polling:
        return QStringLiteral("Line: polling on %1 since %2; %3.").arg(line, since, lastGood(recorder));
    case LineRecorder::Activity::NoReply:
        return QStringLiteral("Line: NO REPLY on %1 since %2; %3.").arg(line, since, lastGood(recorder));
    }
    return {};
}

QString cycle(const LineRecorder &recorder)
{
    if (recorder.activity() == LineRecorder::Activity::NoReply) {
        return QStringLiteral("Polling cycle: no reply since %1; last cycle %2 ms.")
            .arg(time(recorder.activitySince()))
            .arg(recorder.lastCycleMs(), 0, 'f', 1);
    }
    const double median = recorder.medianCycleMs();
    if (median <= 0)
        return QStringLiteral("Polling cycle: none yet.");
    return QStringLiteral("Polling cycle: last %1 ms, median %2 ms; wire limit %3 ms at %4 bit/s, ratio %5.")
        .arg(recorder.lastCycleMs(), 0, 'f', 1)
        .arg(median, 0, 'f', 1)
        .arg(recorder.lastWireLimitMs(), 0, 'f', 1)
        .arg(recorder.lineSpeed())
        .arg(recorder.wireLimitRatio(), 0, 'f', 2);
}

QString itemName(const QString &item)
{
    static const std::array<std::pair<const char *, const char *>, 12> names{{
        {"0080", "PV"},
        {"0081", "status"},
        {"0001", "alarm 1 set value"},
        {"0002", "alarm 2 set value"},
        {"0003", "alarm 3 set value"},
        {"0006", "scaling high limit"},
        {"0007", "scaling low limit"},
        {"0008", "decimal places"},
        {"0009", "filter time"},
        {"000D", "alarm 1 action"},
        {"000E", "alarm 2 action"},
        {"000F", "alarm 3 action"},
    }};
    for (const auto &[code, name] : names) {
        if (item == QLatin1String(code))
            return QString::fromLatin1(name);
    }
    return {};
}

QString value(const QString &hex)
{
    return isHexWord(hex) ? QString::number(qint16(hex.toUShort(nullptr, 16))) : hex;
}

QString command(const LineRecorder::LineFrame &frame)
{
    const QString name = itemName(frame.item);
    QString text = frame.type == commands::Write ? QStringLiteral("write ") : QStringLiteral("read ");
    text += name.isEmpty() ? QStringLiteral("item ") + frame.item : name;
    if (!frame.data.isEmpty())
        text += u' ' + value(frame.data);
    return text;
}

QString reply(const LineRecorder::LineFrame &frame)
{
    switch (frame.outcome) {
    case AttemptReport::Outcome::Ack:
        if (frame.replyData.isEmpty())
            return QStringLiteral("ACK written");
        if (frame.item == commands::StatusItem && isHexWord(frame.replyData))
            return QStringLiteral("ACK ") + statusText(frame.replyData);
        return QStringLiteral("ACK ") + value(frame.replyData);
    case AttemptReport::Outcome::Nak: {
        static const QStringList reasons{QStringLiteral("unknown data item"),
                                         QStringLiteral("value outside the span"),
                                         QStringLiteral("item cannot be written"),
                                         QStringLiteral("malformed data")};
        const int code = isHexWord(frame.replyData) ? frame.replyData.toInt(nullptr, 16) : 0;
        return QStringLiteral("NAK ") + (code >= 1 && code <= 4 ? reasons[code - 1] : frame.replyData);
    }
    case AttemptReport::Outcome::Silence:
        return QStringLiteral("no answer");
    default:
        return frame.reply;
    }
}

QString rawReply(const LineRecorder::LineFrame &frame)
{
    return frame.replyData.isEmpty() ? frame.reply : frame.reply + u' ' + frame.replyData;
}

} // namespace linetext
