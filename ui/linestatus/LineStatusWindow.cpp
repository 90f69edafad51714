#include "ui/linestatus/LineStatusWindow.h"

#include "comm/LineRecorder.h"
#include "config/SharedState.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) : QString();
}

QTableView *makeTable(QAbstractItemModel *model, const QString &name)
{
    auto *table = new QTableView;
    table->setObjectName(name);
    table->setModel(model);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    // Widths fitted to the contents once (see refresh): fitting them on every
    // refresh measures every text of 500 rows each time.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    return table;
}
} // namespace

// One row a channel: what its address did on the line.
class LineStatusWindow::ChannelModel : public QAbstractTableModel {
public:
    ChannelModel(const LineRecorder &recorder, const SharedState &state, QObject *parent)
        : QAbstractTableModel(parent), recorder_(recorder), state_(state)
    {
    }
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : ChannelCount; }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 8; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList captions{"Channel", "Address", "State",   "Last good reply",
                                          "Replies", "Refusals", "No answer", "Repeats"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return captions.value(section);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::TextAlignmentRole && index.column() >= 4)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        const int channel = index.row();
        const qint64 address = state_.deviceAddress(channel);
        const LineRecorder::AddressCounts &counts = recorder_.counts(int(address));
        switch (index.column()) {
        case 0:
            return QStringLiteral("%1 %2").arg(channel).arg(state_.channels.name(channel));
        case 1:
            return state_.DvtoN[std::size_t(channel)];
        case 2:
            return state_.channels.state(channel).trimmed();
        case 3:
            return timeText(counts.lastGoodReply);
        case 4:
            return counts.replies;
        case 5:
            return counts.refusals;
        case 6:
            return counts.noAnswers;
        default:
            return counts.repeats;
        }
    }
    void reload()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const LineRecorder &recorder_;
    const SharedState &state_;
};

// The last frames on the line, newest at the bottom; a copy, so that a pause
// or the recorder going on does not move the rows under the reader.
class LineStatusWindow::FrameModel : public QAbstractTableModel {
public:
    explicit FrameModel(QObject *parent) : QAbstractTableModel(parent) {}
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(frames_.size()); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 8; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList captions{"Time", "Address", "Sub", "Type", "Item", "Data", "Reply", "Attempt"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return captions.value(section);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const LineRecorder::LineFrame &frame = frames_[std::size_t(index.row())];
        switch (index.column()) {
        case 0:
            return timeText(frame.time);
        case 1:
            return frame.address;
        case 2:
            return frame.sub;
        case 3:
            return frame.type;
        case 4:
            return frame.item;
        case 5:
            return frame.data;
        case 6:
            return frame.replyData.isEmpty() ? frame.reply : frame.reply + u' ' + frame.replyData;
        default:
            return frame.attempt;
        }
    }
    void reload(const LineRecorder &recorder)
    {
        beginResetModel();
        frames_.clear();
        frames_.reserve(std::size_t(recorder.frameCount()));
        for (int i = 0; i < recorder.frameCount(); ++i)
            frames_.push_back(recorder.frame(i));
        endResetModel();
    }

private:
    std::vector<LineRecorder::LineFrame> frames_;
};

LineStatusWindow::LineStatusWindow(LineRecorder &recorder, const SharedState &state, QWidget *parent)
    : QWidget(parent, Qt::Window), recorder_(recorder), channels_(new ChannelModel(recorder, state, this)),
      frames_(new FrameModel(this)), cycle_(new QLabel), pause_(new QCheckBox(QStringLiteral("&Pause"))),
      timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("lineStatusWindow"));
    setWindowTitle(QStringLiteral("Line Status"));
    resize(820, 760);
    cycle_->setObjectName(QStringLiteral("cycleTimes"));
    pause_->setObjectName(QStringLiteral("pauseFrames"));
    QTableView *frameTable = makeTable(frames_, QStringLiteral("frameTable"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cycle_);
    layout->addWidget(makeTable(channels_, QStringLiteral("channelTable")), 3);
    layout->addWidget(pause_);
    layout->addWidget(frameTable, 2);
    connect(pause_, &QCheckBox::toggled, this, [this](bool paused) {
        recorder_.setPaused(paused);
        refresh();
    });
    // Keeps the newest frame in sight unless the reader has scrolled away.
    connect(frames_, &QAbstractItemModel::modelReset, frameTable, [frameTable] {
        if (!frameTable->verticalScrollBar()->isSliderDown())
            frameTable->scrollToBottom();
    });
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &LineStatusWindow::refresh);
}

LineStatusWindow::~LineStatusWindow() = default;

void LineStatusWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    timer_->start();
}

void LineStatusWindow::hideEvent(QHideEvent *event)
{
    timer_->stop();
    QWidget::hideEvent(event);
}

void LineStatusWindow::refresh()
{
    if (recorder_.changes() == seenChanges_)
        return;
    seenChanges_ = recorder_.changes();
    channels_->reload();
    if (!recorder_.paused() || frames_->rowCount({}) == 0)
        frames_->reload(recorder_);
    if (!fitted_ && frames_->rowCount({}) > 0) {
        for (QTableView *table : findChildren<QTableView *>())
            table->resizeColumnsToContents();
        fitted_ = true;
    }
    const double median = recorder_.medianCycleMs();
    cycle_->setText(median > 0
                        ? QStringLiteral("Polling cycle: last %1 ms, median %2 ms; wire limit %3 ms at %4 bit/s, "
                                         "ratio %5")
                              .arg(recorder_.lastCycleMs(), 0, 'f', 1)
                              .arg(median, 0, 'f', 1)
                              .arg(recorder_.lastWireLimitMs(), 0, 'f', 1)
                              .arg(recorder_.lineSpeed())
                              .arg(recorder_.wireLimitRatio(), 0, 'f', 2)
                        : QStringLiteral("Polling cycle: none yet."));
}
