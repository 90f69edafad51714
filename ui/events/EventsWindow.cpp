#include "ui/events/EventsWindow.h"

#include "config/ChannelTable.h"
#include "logging/EventJournal.h"
#include "ui/events/EventModel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

EventsWindow::EventsWindow(EventJournal &journal, QWidget *parent)
    : QWidget(parent, Qt::Window), journal_(journal), model_(new EventModel(journal, this)),
      table_(new QTableView(this)), channel_(new QComboBox(this)), kind_(new QComboBox(this)),
      timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("EventsWindow"));
    resize(900, 500);

    channel_->setObjectName(QStringLiteral("eventChannel"));
    channel_->addItem(QStringLiteral("All channels"), EventModel::AllChannels);
    channel_->addItem(QStringLiteral("Program and line"), -1);
    for (int channel = 0; channel < ChannelCount; ++channel)
        channel_->addItem(QStringLiteral("Channel %1").arg(channel), channel);
    kind_->setObjectName(QStringLiteral("eventKind"));
    kind_->addItem(QStringLiteral("All events"), EventModel::AllKinds);
    for (int kind = 0; kind < Event::KindCount; ++kind)
        kind_->addItem(Event::kindText(Event::Kind(kind)), kind);
    connect(channel_, &QComboBox::currentIndexChanged, this, &EventsWindow::applyFilter);
    connect(kind_, &QComboBox::currentIndexChanged, this, &EventsWindow::applyFilter);

    table_->setObjectName(QStringLiteral("eventTable"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    // Rows of one height and columns of fixed width: a repaint measures only
    // the rows on screen, however many events there are.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(EventModel::TimeColumn, fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00+00:00 ")));
    table_->installEventFilter(this);

    auto *acknowledge = new QPushButton(QStringLiteral("&Acknowledge"), this);
    acknowledge->setObjectName(QStringLiteral("acknowledge"));
    auto *acknowledgeAll = new QPushButton(QStringLiteral("Acknowledge a&ll shown"), this);
    acknowledgeAll->setObjectName(QStringLiteral("acknowledgeAll"));
    connect(acknowledge, &QPushButton::clicked, this, &EventsWindow::acknowledgeSelected);
    connect(acknowledgeAll, &QPushButton::clicked, this, &EventsWindow::acknowledgeAllShown);

    auto *filters = new QHBoxLayout;
    auto *channelLabel = new QLabel(QStringLiteral("&Channel:"), this);
    channelLabel->setBuddy(channel_);
    auto *kindLabel = new QLabel(QStringLiteral("&Event:"), this);
    kindLabel->setBuddy(kind_);
    filters->addWidget(channelLabel);
    filters->addWidget(channel_);
    filters->addWidget(kindLabel);
    filters->addWidget(kind_);
    filters->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(acknowledge);
    buttons->addWidget(acknowledgeAll);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    // The order the window reads in: filters, events, buttons.
    setTabOrder(channel_, kind_);
    setTabOrder(kind_, table_);
    setTabOrder(table_, acknowledge);
    setTabOrder(acknowledge, acknowledgeAll);

    timer_->setInterval(250);
    connect(timer_, &QTimer::timeout, this, &EventsWindow::refresh);
    showCounts();
}

void EventsWindow::refresh()
{
    model_->refresh();
    showCounts();
}

void EventsWindow::acknowledgeSelected()
{
    std::vector<quint64> sequences;
    for (const QModelIndex &row : table_->selectionModel()->selectedRows())
        sequences.push_back(model_->sequence(row.row()));
    // Without a selection, the row the keyboard is on.
    if (sequences.empty() && table_->currentIndex().isValid())
        sequences.push_back(model_->sequence(table_->currentIndex().row()));
    journal_.acknowledge(sequences);
    refresh();
}

void EventsWindow::acknowledgeAllShown()
{
    journal_.acknowledge(model_->shownSequences());
    refresh();
}

void EventsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    timer_->start();
}

void EventsWindow::hideEvent(QHideEvent *event)
{
    timer_->stop();
    QWidget::hideEvent(event);
}

bool EventsWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            acknowledgeSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EventsWindow::applyFilter()
{
    model_->setFilter(channel_->currentData().toInt(), kind_->currentData().toInt());
}

void EventsWindow::showCounts()
{
    setWindowTitle(QStringLiteral("Events - %1 active, %2 unacknowledged alarms")
                       .arg(journal_.activeAlarms())
                       .arg(journal_.unacknowledgedAlarms()));
}
