#include "logging/EventJournal.h"

#include "config/Prompter.h"
#include "config/RegularFile.h"
#include "config/SettingCodes.h"
#include "config/SharedState.h"
#include "logging/Clock.h"
#include "logging/LogWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>
#include <utility>

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
constexpr int ColumnCount = 10;
const QString Accepted = QStringLiteral("accepted");
const QString Refused = QStringLiteral("refused");

QString lampText(int lamp) { return QStringLiteral("A%1").arg(lamp); }

bool isLampKind(Event::Kind kind)
{
    return kind == Event::Kind::LampRed || kind == Event::Kind::LampGreen || kind == Event::Kind::Acknowledged;
}

QString outcomeText(const AttemptReport &report)
{
    switch (report.outcome) {
    case AttemptReport::Outcome::Nak:
        return QStringLiteral("refused (%1)").arg(report.data);
    case AttemptReport::Outcome::Silence:
        return QStringLiteral("no answer");
    case AttemptReport::Outcome::BadReply:
        return QStringLiteral("bad reply");
    case AttemptReport::Outcome::LineFault:
        return QStringLiteral("line fault");
    case AttemptReport::Outcome::Ack:
        break;
    }
    return QString();
}

QString numberOrEmpty(int n) { return n < 0 ? QString() : QString::number(n); }

QByteArray lineOf(const Event &event)
{
    const QStringList fields = {
        event.localTime().toString(Qt::ISODate),
        Event::kindText(event.kind),
        numberOrEmpty(event.channel),
        event.name,
        numberOrEmpty(event.address),
        event.detail,
        event.caption,
        event.before,
        event.after,
        event.kind == Event::Kind::SettingWritten ? (event.accepted ? Accepted : Refused) : QString(),
    };
    QString line;
    for (const QString &field : fields)
        line += logfile::cleanField(field) + u'\t';
    line.chop(1);
    return logfile::encode(line) + LineEnd;
}

// A line of the file back into an event; false for a line that is not one.
bool parseLine(QByteArrayView bytes, Event &event)
{
    const QStringList fields = QString::fromLocal8Bit(bytes).split(u'\t');
    if (fields.size() != ColumnCount || !Event::kindFromText(fields[1], event.kind))
        return false;
    const QDateTime time = QDateTime::fromString(fields[0], Qt::ISODate);
    if (!time.isValid())
        return false;
    event.utcMs = time.toMSecsSinceEpoch();
    event.utcOffset = time.offsetFromUtc();
    bool ok = true;
    event.channel = qint8(fields[2].isEmpty() ? -1 : fields[2].toInt(&ok));
    if (!ok || event.channel < -1 || event.channel >= ChannelCount)
        return false;
    event.address = qint8(fields[4].isEmpty() ? -1 : fields[4].toInt(&ok));
    if (!ok || event.address < -1 || event.address > 31)
        return false;
    event.name = fields[3];
    event.detail = fields[5];
    event.caption = fields[6];
    event.before = fields[7];
    event.after = fields[8];
    event.accepted = fields[9] == Accepted;
    if (isLampKind(event.kind)) {
        event.lamp = qint8(event.detail.size() == 2 && event.detail[0] == u'A' ? event.detail[1].digitValue() : 0);
        if (event.lamp < 1 || event.lamp > EventJournal::LampCount || event.channel < 0)
            return false;
    }
    return true;
}

// True when the file ends in part of a line.
bool endsTorn(const QString &path)
{
    QFile file(path);
    QString reason;
    if (!regular_file::open(file, QIODevice::ReadOnly, reason) || file.size() == 0)
        return false;
    file.seek(file.size() - 1);
    char last = 0;
    return file.getChar(&last) && last != '\n';
}

} // namespace

EventJournal::EventJournal(const SharedState &state, const Clock &clock, Prompter &prompter, QString directory)
    : state_(state), clock_(clock), prompter_(prompter), directory_(std::move(directory))
{
}

QString EventJournal::fileName(const QString &directory, const QDate &day)
{
    // No PV log is named so (yymmdd_hhmm.TXT), nor is it one for the trend
    // window's file reader or its "Log files" filter.
    return directory + QStringLiteral("/events-") + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".tsv");
}

QString EventJournal::headerText()
{
    return QStringLiteral("Time\tEvent\tChannel\tName\tAddress\tDetail\tItem\tBefore\tAfter\tResult");
}

bool EventJournal::readFile(const QString &path, const std::function<void(Event &)> &each)
{
    QFile file(path);
    QString reason;
    if (!QFileInfo::exists(path) || !regular_file::open(file, QIODevice::ReadOnly, reason))
        return false;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        // A line without its end was cut off by a failed write: skipped.
        if (!line.endsWith('\n'))
            break;
        line.chop(line.endsWith(LineEnd) ? 2 : 1);
        Event event;
        if (parseLine(line, event)) // else the header, or a damaged line
            each(event);
    }
    return true;
}

int EventJournal::readBack()
{
    int read = 0;
    readFile(fileName(clock_.now().date()), [this, &read](Event &event) {
        event.name = intern(event.name);
        event.detail = intern(event.detail);
        event.sequence = nextSequence_++;
        apply(event);
        events_.push_back(std::move(event));
        if (events_.size() > std::size_t(MemoryCapacity))
            events_.pop_front();
        ++read;
    });
    ++changes_;
    return read;
}

void EventJournal::programStarted()
{
    for (int channel = 0; channel < ChannelCount; ++channel)
        wasMonitored_[std::size_t(channel)] = monitored(channel);
    add(make(Event::Kind::ProgramStart));
}

void EventJournal::programEnded() { add(make(Event::Kind::ProgramEnd)); }

void EventJournal::pvShown(int channel, const QString &text)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    const auto c = std::size_t(channel);
    if (text == QStringLiteral("----")) {
        if (!failedInPass_[c])
            failure_[c] = lastFailure_;
        failedInPass_[c] = true;
    } else {
        answeredInPass_[c] = true;
    }
}

void EventJournal::lampsShown(int channel, quint16 statusWord)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    const auto c = std::size_t(channel);
    answeredInPass_[c] = true;
    for (int lamp = 1; lamp <= LampCount; ++lamp) {
        const bool red = statusWord & (1u << (lamp - 1));
        const AlarmState known = alarms_[c][std::size_t(lamp - 1)].state;
        // The first status after start records the lamps that are red then;
        // a lamp the journal read back as active but that is green now has
        // returned meanwhile.
        const bool changed = lampsKnown_[c]
            ? red != bool(statusWords_[c] & (1u << (lamp - 1)))
            : red != (known == AlarmState::ActiveUnacknowledged || known == AlarmState::ActiveAcknowledged);
        if (!changed)
            continue;
        Event event = make(red ? Event::Kind::LampRed : Event::Kind::LampGreen, channel);
        event.lamp = qint8(lamp);
        event.detail = lampText(lamp);
        add(std::move(event));
    }
    lampsKnown_[c] = true;
    statusWords_[c] = statusWord;
}

void EventJournal::attemptEnded(const AttemptReport &report)
{
    if (report.outcome == AttemptReport::Outcome::LineFault) {
        if (!lineFaulted_)
            add(make(Event::Kind::LineFault));
        lineFaulted_ = true;
    } else if (report.answered() && lineFaulted_) {
        lineFaulted_ = false;
        add(make(Event::Kind::LineRestored));
    }
    lastFailure_ = outcomeText(report);
}

void EventJournal::cycleEnded()
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const auto c = std::size_t(channel);
        const bool on = monitored(channel);
        if (on != wasMonitored_[c]) {
            add(make(on ? Event::Kind::ChannelOn : Event::Kind::ChannelOff, channel));
            wasMonitored_[c] = on;
            silent_[c] = false;
        }
        if (on && failedInPass_[c] && !silent_[c]) {
            Event event = make(Event::Kind::NoAnswer, channel);
            event.detail = failure_[c];
            add(std::move(event));
            silent_[c] = true;
        } else if (on && !failedInPass_[c] && answeredInPass_[c] && silent_[c]) {
            add(make(Event::Kind::AnswersAgain, channel));
            silent_[c] = false;
        }
        failedInPass_[c] = false;
        answeredInPass_[c] = false;
    }
}

void EventJournal::linkFound(const QString &port, const QString &speed)
{
    Event event = make(Event::Kind::LinkFound);
    event.detail = QStringLiteral("%1 at %2 bit/s").arg(port, speed);
    add(std::move(event));
}

void EventJournal::settingWritten(int channel, int item, const QString &before, const QString &after, bool accepted)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    Event event = make(Event::Kind::SettingWritten, channel);
    event.caption = settingcodes::itemCaption(item);
    event.before = before;
    event.after = after;
    event.accepted = accepted;
    add(std::move(event));
}

int EventJournal::acknowledge(const std::vector<quint64> &sequences)
{
    int acknowledged = 0;
    for (quint64 sequence : sequences) {
        const Event *red = find(sequence);
        if (!red || !red->isAlarm())
            continue;
        const AlarmState state = alarmState(*red);
        if (state != AlarmState::ActiveUnacknowledged && state != AlarmState::ReturnedUnacknowledged)
            continue;
        Event event = make(Event::Kind::Acknowledged, red->channel);
        event.lamp = red->lamp;
        event.detail = red->detail;
        add(std::move(event));
        ++acknowledged;
    }
    return acknowledged;
}

const Event *EventJournal::find(quint64 sequence) const
{
    if (events_.empty() || sequence < events_.front().sequence || sequence > events_.back().sequence)
        return nullptr;
    return &events_[std::size_t(sequence - events_.front().sequence)];
}

AlarmState EventJournal::alarmState(const Event &event) const
{
    if (!event.isAlarm() || event.channel < 0 || event.lamp < 1)
        return AlarmState::Normal;
    const Alarm &alarm = alarms_[std::size_t(event.channel)][std::size_t(event.lamp - 1)];
    return alarm.latestRed == event.sequence ? alarm.state : AlarmState::Normal;
}

int EventJournal::activeAlarms() const
{
    int count = 0;
    for (const auto &lamps : alarms_)
        for (const Alarm &alarm : lamps)
            count += alarm.state == AlarmState::ActiveUnacknowledged || alarm.state == AlarmState::ActiveAcknowledged;
    return count;
}

int EventJournal::unacknowledgedAlarms() const
{
    int count = 0;
    for (const auto &lamps : alarms_)
        for (const Alarm &alarm : lamps)
            count += alarm.state == AlarmState::ActiveUnacknowledged
                || alarm.state == AlarmState::ReturnedUnacknowledged;
    return count;
}

Event EventJournal::make(Event::Kind kind, int channel) const
{
    const QDateTime now = clock_.now();
    Event event;
    event.kind = kind;
    event.utcMs = now.toMSecsSinceEpoch() / 1000 * 1000;
    event.utcOffset = now.offsetFromUtc();
    if (channel >= 0) {
        event.channel = qint8(channel);
        event.name = state_.channels.name(channel); // shares the table's text
        const qint64 address = state_.deviceAddress(channel);
        event.address = qint8(isValidAddress(address) ? address : -1);
    }
    return event;
}

void EventJournal::add(Event event)
{
    event.sequence = nextSequence_++;
    apply(event);
    events_.push_back(event);
    if (events_.size() > std::size_t(MemoryCapacity))
        events_.pop_front();
    ++changes_;
    // Last: a failure's box lets the operator acknowledge meanwhile, and
    // the events that makes must come after this one.
    write(event);
}

void EventJournal::apply(const Event &event)
{
    Alarm *alarm = alarmOf(event);
    if (!alarm)
        return;
    switch (event.kind) {
    case Event::Kind::LampRed:
        alarm->state = AlarmState::ActiveUnacknowledged;
        alarm->latestRed = event.sequence;
        break;
    case Event::Kind::LampGreen:
        if (alarm->state == AlarmState::ActiveUnacknowledged)
            alarm->state = AlarmState::ReturnedUnacknowledged;
        else if (alarm->state == AlarmState::ActiveAcknowledged)
            alarm->state = AlarmState::Normal;
        break;
    case Event::Kind::Acknowledged:
        if (alarm->state == AlarmState::ActiveUnacknowledged)
            alarm->state = AlarmState::ActiveAcknowledged;
        else if (alarm->state == AlarmState::ReturnedUnacknowledged)
            alarm->state = AlarmState::Normal;
        break;
    default:
        break;
    }
}

EventJournal::Alarm *EventJournal::alarmOf(const Event &event)
{
    if (!isLampKind(event.kind) || event.channel < 0 || event.channel >= ChannelCount || event.lamp < 1
        || event.lamp > LampCount)
        return nullptr;
    return &alarms_[std::size_t(event.channel)][std::size_t(event.lamp - 1)];
}

void EventJournal::write(const Event &event)
{
    // One file per day of the event's own local date, so that a journal
    // read back after midnight starts empty.
    const QString path = fileName(event.localTime().date());
    std::error_code error;
    std::filesystem::create_directories(directory_.toStdString(), error);

    // A file this run has not written yet may end in a line another run
    // tore: the next event starts a line of its own.
    if (path != lastPath_) {
        appender_.torn = endsTorn(path);
        lastPath_ = path;
    }
    static const QByteArray header = logfile::encode(headerText()) + LineEnd;
    QString reason;
    const bool whole = appender_.append(path, lineOf(event), header, reason);
    if (whole) {
        failureTold_ = false;
        return;
    }
    ++failedWrites_;
    // Told once until a write succeeds again: a flood of events on a full
    // disk must not stack one box per event.
    if (failureTold_ || telling_)
        return;
    failureTold_ = true;
    heldMessage_ = QStringLiteral("Cannot write in the event journal %1:\n%2.")
                       .arg(QDir::current().absoluteFilePath(path), reason);
    if (!holding_)
        tellHeldMessage();
}

void EventJournal::holdMessages(bool hold)
{
    holding_ = hold;
    if (!hold)
        tellHeldMessage();
}

void EventJournal::tellHeldMessage()
{
    if (heldMessage_.isEmpty() || telling_)
        return;
    telling_ = true;
    prompter_.message(std::exchange(heldMessage_, QString()), QString(), Prompter::Icon::Warning);
    telling_ = false;
}

QString EventJournal::intern(const QString &text)
{
    const auto found = interned_.constFind(text);
    if (found != interned_.constEnd())
        return *found;
    if (interned_.size() < 4096)
        interned_.insert(text);
    return text;
}

bool EventJournal::monitored(int channel) const { return stateIsMonitored(state_.channels.state(channel)); }
