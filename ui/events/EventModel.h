#pragma once
// The journal's events as table rows, newest first, through a filter by
// channel and kind. It holds only the running numbers of the events it
// shows; a refresh adds the new ones on top and drops at the bottom those
// the journal no longer keeps in memory.

#include "logging/Event.h"

#include <QAbstractTableModel>

#include <deque>
#include <vector>

class EventJournal;

class EventModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, KindColumn, ChannelColumn, NameColumn, AddressColumn, DetailColumn, ItemColumn,
                  BeforeColumn, AfterColumn, ResultColumn, StateColumn, ColumnCount };
    static constexpr int AllChannels = -2; // a channel filter; -1 keeps the program's and the line's events
    static constexpr int AllKinds = -1;

    explicit EventModel(const EventJournal &journal, QObject *parent = nullptr);

    void setFilter(int channel, int kind);
    // Takes in what changed in the journal since the last call.
    void refresh();

    quint64 sequence(int row) const { return shown_[shown_.size() - 1 - std::size_t(row)]; }
    std::vector<quint64> shownSequences() const { return {shown_.begin(), shown_.end()}; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    bool passes(const Event &event) const;

    const EventJournal &journal_;
    std::deque<quint64> shown_; // oldest first
    quint64 lastSeen_ = 0;
    quint64 seenChanges_ = 0;
    int channel_ = AllChannels;
    int kind_ = AllKinds;
};
