#include "ui/events/EventModel.h"

#include "logging/EventJournal.h"

#include <QColor>

EventModel::EventModel(const EventJournal &journal, QObject *parent) : QAbstractTableModel(parent), journal_(journal)
{
    refresh();
}

void EventModel::setFilter(int channel, int kind)
{
    beginResetModel();
    channel_ = channel;
    kind_ = kind;
    shown_.clear();
    lastSeen_ = 0;
    for (const Event &event : journal_.events()) {
        if (passes(event))
            shown_.push_back(event.sequence);
        lastSeen_ = event.sequence;
    }
    seenChanges_ = journal_.changes();
    endResetModel();
}

void EventModel::refresh()
{
    if (seenChanges_ == journal_.changes())
        return;
    seenChanges_ = journal_.changes();
    const std::deque<Event> &events = journal_.events();
    // Events the journal let go of, at the bottom.
    std::size_t gone = 0;
    const quint64 first = events.empty() ? lastSeen_ + 1 : events.front().sequence;
    while (gone < shown_.size() && shown_[gone] < first)
        ++gone;
    if (gone > 0) {
        const int rows = int(shown_.size());
        beginRemoveRows(QModelIndex(), rows - int(gone), rows - 1);
        shown_.erase(shown_.begin(), shown_.begin() + std::ptrdiff_t(gone));
        endRemoveRows();
    }
    // New events, on top.
    std::vector<quint64> added;
    for (auto it = events.rbegin(); it != events.rend() && it->sequence > lastSeen_; ++it) {
        if (passes(*it))
            added.push_back(it->sequence);
    }
    if (!events.empty())
        lastSeen_ = events.back().sequence;
    if (!added.empty()) {
        beginInsertRows(QModelIndex(), 0, int(added.size()) - 1);
        shown_.insert(shown_.end(), added.rbegin(), added.rend());
        endInsertRows();
    }
    // An acknowledgement changes the state of rows further down.
    if (!shown_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::BackgroundRole, Qt::DisplayRole});
}

bool EventModel::passes(const Event &event) const
{
    return (channel_ == AllChannels || event.channel == channel_) && (kind_ == AllKinds || int(event.kind) == kind_);
}

int EventModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(shown_.size()); }

int EventModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant EventModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const Event *event = journal_.find(sequence(index.row()));
    if (!event)
        return QVariant();
    const AlarmState state = journal_.alarmState(*event);
    if (role == Qt::BackgroundRole) {
        // The alarms that want the operator stand out most.
        switch (state) {
        case AlarmState::ActiveUnacknowledged:
            return QColor(255, 110, 110);
        case AlarmState::ActiveAcknowledged:
            return QColor(255, 200, 200);
        case AlarmState::ReturnedUnacknowledged:
            return QColor(255, 225, 120);
        case AlarmState::Normal:
            break;
        }
        return QVariant();
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case TimeColumn:
        return event->localTime().toString(Qt::ISODate).replace(u'T', u' ');
    case KindColumn:
        return Event::kindText(event->kind);
    case ChannelColumn:
        return event->channel < 0 ? QString() : QString::number(event->channel);
    case NameColumn:
        return event->name;
    case AddressColumn:
        return event->address < 0 ? QString() : QString::number(event->address);
    case DetailColumn:
        return event->detail;
    case ItemColumn:
        return event->caption;
    case BeforeColumn:
        return event->before;
    case AfterColumn:
        return event->after;
    case ResultColumn:
        if (event->kind != Event::Kind::SettingWritten)
            return QString();
        return event->accepted ? QStringLiteral("accepted") : QStringLiteral("refused");
    case StateColumn:
        return event->isAlarm() ? alarmStateText(state) : QString();
    }
    return QVariant();
}

QVariant EventModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList titles = {
        QStringLiteral("Time"),   QStringLiteral("Event"), QStringLiteral("Channel"), QStringLiteral("Name"),
        QStringLiteral("Address"), QStringLiteral("Detail"), QStringLiteral("Item"),  QStringLiteral("Before"),
        QStringLiteral("After"),  QStringLiteral("Result"), QStringLiteral("Alarm state"),
    };
    return titles.value(section);
}
