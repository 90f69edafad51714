#include "ui/linestatus/LineStatusWindow.h"

#include "comm/LineRecorder.h"
#include "comm/LineText.h"
#include "config/SharedState.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QTableView *makeTable(QAbstractItemModel *model, const QString &name)
{
    auto *table = new QTableView;
    table->setObjectName(name);
    table->setModel(model);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    // Widths fitted to the contents, never narrower than the reader made
    // them (see fitColumns).
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    return table;
}

// Widens each column to its contents; a column the reader widened stays.
void growColumns(QTableView *table)
{
    for (int column = 0; column < table->model()->columnCount({}); ++column) {
        const int width = table->columnWidth(column);
        table->resizeColumnToContents(column);
        if (table->columnWidth(column) < width)
            table->setColumnWidth(column, width);
    }
}

int tableWidth(const QTableView *table)
{
    return table->horizontalHeader()->length() + 2 * table->frameWidth() +
           table->verticalScrollBar()->sizeHint().width();
}
} // namespace

// One row a channel: what its address did on the line; the last row,
// discovery's probes.
class LineStatusWindow::ChannelModel : public QAbstractTableModel {
public:
    static constexpr int ProbeRow = ChannelCount;

    ChannelModel(const LineRecorder &recorder, const SharedState &state, QObject *parent)
        : QAbstractTableModel(parent), recorder_(recorder), state_(state)
    {
    }
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : ChannelCount + 1; }
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
        const bool probe = channel == ProbeRow;
        // An OFF channel sends nothing of its own: what its address did is
        // another channel's, or the probe's.
        const bool off = !probe && !stateIsMonitored(state_.channels.state(channel));
        if (off && index.column() >= 3)
            return {};
        const LineRecorder::AddressCounts &counts =
            probe ? recorder_.probeCounts() : recorder_.counts(int(state_.deviceAddress(channel)));
        switch (index.column()) {
        case 0:
            return probe ? QStringLiteral("Discovery probe")
                         : QStringLiteral("%1 %2").arg(channel).arg(state_.channels.name(channel));
        case 1:
            if (probe)
                return recorder_.probeAddress() >= 0 ? QVariant(recorder_.probeAddress()) : QVariant();
            return state_.DvtoN[std::size_t(channel)];
        case 2:
            return probe ? QString() : off ? QStringLiteral("OFF") : state_.channels.state(channel).trimmed();
        case 3:
            return linetext::time(counts.lastGoodReply);
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

// The last frames on the line, newest at the bottom, decoded (the bytes in
// hexadecimal as tooltips); a copy, so that a pause or the recorder going
// on does not move the rows under the reader.
class LineStatusWindow::FrameModel : public QAbstractTableModel {
public:
    explicit FrameModel(QObject *parent) : QAbstractTableModel(parent) {}
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(frames_.size()); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 5; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList captions{"Time", "Address", "Command", "Reply", "Attempt"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return captions.value(section);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const LineRecorder::LineFrame &frame = frames_[std::size_t(index.row())];
        const bool tip = role == Qt::ToolTipRole;
        switch (index.column()) {
        case 0:
            return tip ? QVariant() : frame.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        case 1:
            return tip ? QVariant() : frame.probe ? QStringLiteral("%1 probe").arg(frame.address) : QVariant(frame.address);
        case 2:
            return tip ? QStringLiteral("sub \"%1\" type \"%2\" item %3 data %4")
                             .arg(frame.sub, frame.type, frame.item, frame.data.isEmpty() ? QStringLiteral("none") : frame.data)
                       : linetext::command(frame);
        case 3:
            return tip ? linetext::rawReply(frame) : linetext::reply(frame);
        default:
            return tip ? QVariant() : frame.attempt;
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
      frames_(new FrameModel(this)), channelTable_(makeTable(channels_, QStringLiteral("channelTable"))),
      frameTable_(makeTable(frames_, QStringLiteral("frameTable"))), activity_(new QLabel), cycle_(new QLabel),
      countsSince_(new QLabel), reset_(new QPushButton(QStringLiteral("&Reset counts"))),
      pause_(new QCheckBox(QStringLiteral("&Pause"))), split_(new QSplitter(Qt::Vertical)), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("lineStatusWindow"));
    setWindowTitle(QStringLiteral("Line Status"));
    resize(820, 760);
    activity_->setObjectName(QStringLiteral("lineActivity"));
    cycle_->setObjectName(QStringLiteral("cycleTimes"));
    countsSince_->setObjectName(QStringLiteral("countsSince"));
    reset_->setObjectName(QStringLiteral("resetCounts"));
    pause_->setObjectName(QStringLiteral("pauseFrames"));
    activity_->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(activity_);
    layout->addWidget(cycle_);
    // The reader moves the split between channels and frames.
    auto *lower = new QWidget;
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(reset_);
    buttons->addWidget(countsSince_, 1);
    buttons->addWidget(pause_);
    lowerLayout->addLayout(buttons);
    lowerLayout->addWidget(frameTable_);
    split_->setChildrenCollapsible(false);
    split_->addWidget(channelTable_);
    split_->addWidget(lower);
    layout->addWidget(split_, 1);
    connect(reset_, &QPushButton::clicked, this, [this] {
        recorder_.resetCounts();
        refresh();
    });
    connect(pause_, &QCheckBox::toggled, this, [this](bool paused) {
        recorder_.setPaused(paused);
        refresh();
    });
    // Keeps the newest frame in sight unless the reader has scrolled away.
    connect(frames_, &QAbstractItemModel::modelReset, frameTable_, [this] {
        if (!frameTable_->verticalScrollBar()->isSliderDown())
            frameTable_->scrollToBottom();
    });
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &LineStatusWindow::refresh);

    // The frames' columns fit the widest text each can hold, so that 500
    // rows need not be measured, before the first frame or after.
    const QStringList widest{QStringLiteral("0000-00-00 00:00:00.000"), QStringLiteral("00 probe"),
                             QStringLiteral("write scaling high limit -00000"),
                             QStringLiteral("ACK lamps A1 A2 A3, input out of range"), QStringLiteral("0")};
    const int padding = 3 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, frameTable_) + 8;
    for (int column = 0; column < widest.size(); ++column) {
        frameTable_->setColumnWidth(column, std::max(frameTable_->horizontalHeader()->sectionSizeHint(column),
                                                     frameTable_->fontMetrics().horizontalAdvance(widest[column]) +
                                                         padding));
    }
}

LineStatusWindow::~LineStatusWindow() = default;

void LineStatusWindow::showEvent(QShowEvent *event)
{
    refresh();
    if (!sized_) {
        // Wide enough for every column of the channel table, and tall enough
        // for all its rows, as far as the screen allows; extra height goes
        // to the frames.
        sized_ = true;
        const int rows = channelTable_->verticalHeader()->length() +
                         channelTable_->horizontalHeader()->sizeHint().height() + 2 * channelTable_->frameWidth();
        const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
        const QMargins margins = layout()->contentsMargins();
        const int wanted = tableWidth(channelTable_) + margins.left() + margins.right();
        const int framesHeight = 12 * frameTable_->verticalHeader()->defaultSectionSize();
        resize(std::min(std::max(width(), wanted), screen.width() - 16),
               std::min(std::max(height(), rows + framesHeight + 120), screen.height() - 48));
        split_->setSizes({rows, framesHeight});
    }
    QWidget::showEvent(event);
    timer_->start();
}

void LineStatusWindow::hideEvent(QHideEvent *event)
{
    timer_->stop();
    QWidget::hideEvent(event);
}

void LineStatusWindow::fitColumns()
{
    // The channel table's 32 rows cost little to measure: fitted exactly at
    // first, then widened as texts grow (a longer name, a count's digits).
    if (channelsFitted_) {
        growColumns(channelTable_);
    } else {
        channelTable_->resizeColumnsToContents();
        channelsFitted_ = true;
    }
}

void LineStatusWindow::refresh()
{
    // The tables only when the line did something; the state also when it
    // did nothing (a box holding the loop is no reply as time goes by).
    if (recorder_.changes() != seenChanges_) {
        seenChanges_ = recorder_.changes();
        channels_->reload();
        if (!recorder_.paused() || frames_->rowCount({}) == 0)
            frames_->reload(recorder_);
        fitColumns();
    }
    activity_->setText(linetext::activity(recorder_));
    cycle_->setText(linetext::cycle(recorder_));
    const QString since = linetext::time(recorder_.countsSince());
    countsSince_->setText(since.isEmpty() ? QString() : QStringLiteral("Counts since %1").arg(since));
}
