#include "ui/trend/TrendWindow.h"

#include "config/Prompter.h"
#include "trend/CsvExport.h"
#include "trend/ExportFile.h"
#include "trend/JournalMarks.h"
#include "trend/LogChart.h"
#include "trend/PvValue.h"
#include "ui/trend/TrendPlot.h"

#include <QBuffer>
#include <QDateEdit>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <atomic>
#include <cmath>

namespace {
QPushButton *addButton(QHBoxLayout *bar, const QString &name, const QString &caption)
{
    auto *button = new QPushButton(caption);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::TabFocus); // clicks leave the keys with the plot
    bar->addWidget(button);
    return button;
}

constexpr int SideWidth = 260;
constexpr int ValueColumn = 1;

// The date a renamed log began, asked in a small dialog.
QDate askDateInDialog(QWidget *parent, const QString &path, QDate suggested)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Date of the log file"));
    auto *edit = new QDateEdit(suggested);
    edit->setObjectName(QStringLiteral("logDate"));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(QStringLiteral("The name of %1 does not say the date its log began "
                                            "(yymmdd_hhmm.TXT).\nThe date of its first record:")
                                 .arg(QFileInfo(path).fileName()));
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? edit->date() : QDate();
}

// "a.TXT, b.TXT and 3 more"
QString fileList(const QStringList &paths)
{
    QStringList names;
    for (qsizetype i = 0; i < paths.size() && i < 3; ++i)
        names.append(QFileInfo(paths[i]).fileName());
    QString text = names.join(QStringLiteral(", "));
    if (paths.size() > 3)
        text += QStringLiteral(" and %1 more").arg(paths.size() - 3);
    return text;
}
} // namespace

// One reading of log files on its own thread. The thread touches only the
// chart, the error text and the two atomics; the window takes the chart once
// the thread has finished.
struct TrendWindow::Reading {
    std::unique_ptr<trend::LogChart> chart = std::make_unique<trend::LogChart>();
    std::unique_ptr<trend::JournalMarks> marks; // the chart with its days' alarm marks
    QString error;
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    std::unique_ptr<QThread> thread;
    quint64 number = 0; // which reading of the window: a cancelled one's end is ignored

    ~Reading()
    {
        cancel = true;
        if (thread)
            thread->wait();
    }
};

TrendWindow::TrendWindow(const trend::TrendSource *live, Prompter &prompter, QWidget *parent)
    : QWidget(parent, Qt::Window), live_(live), prompter_(prompter), plot_(new TrendPlot),
      series_(new QTreeWidget), readout_(new QLabel), status_(new QLabel), liveButton_(nullptr),
      progress_(new QProgressBar), progressTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("trendWindow"));
    setWindowTitle(QStringLiteral("Trend"));
    resize(1000, 600);

    auto *bar = new QHBoxLayout;
    if (live_) {
        // Pressed while the view follows the live PVs; a click stops or
        // resumes it.
        liveButton_ = addButton(bar, QStringLiteral("liveButton"), QStringLiteral("&Live"));
        liveButton_->setCheckable(true);
        liveButton_->setToolTip(QStringLiteral("Follow the PVs of this run as they are polled"));
        connect(liveButton_, &QPushButton::clicked, this, [this](bool follow) {
            if (follow)
                showLive();
            else
                plot_->setFollowing(false);
            updateFollowing();
        });
    }
    openButton_ = addButton(bar, QStringLiteral("openButton"), QStringLiteral("&Open log files..."));
    connect(openButton_, &QPushButton::clicked, this, &TrendWindow::chooseFiles);
    connect(addButton(bar, QStringLiteral("showAllButton"), QStringLiteral("Show &all")), &QPushButton::clicked,
            plot_, [this] {
                plot_->setFollowing(false);
                plot_->showAll();
            });
    auto *scaleButton = addButton(bar, QStringLiteral("scaleButton"), QStringLiteral("Own &scales"));
    scaleButton->setCheckable(true); // each series over its own range, the selected one's values on the axis
    connect(scaleButton, &QPushButton::toggled, plot_, &TrendPlot::setOwnScales);
    connect(addButton(bar, QStringLiteral("pngButton"), QStringLiteral("Export &PNG...")), &QPushButton::clicked,
            this, [this] { chooseExport(true); });
    connect(addButton(bar, QStringLiteral("csvButton"), QStringLiteral("Export &CSV...")), &QPushButton::clicked,
            this, [this] { chooseExport(false); });
    bar->addStretch();
    progress_->setObjectName(QStringLiteral("readProgress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(160);
    progress_->hide();
    bar->addWidget(progress_);
    cancelButton_ = addButton(bar, QStringLiteral("cancelReadButton"), QStringLiteral("Cance&l reading"));
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, &TrendWindow::cancelReading);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &TrendWindow::showProgress);

    // The names in one column, cut short when too wide, the values right-
    // aligned in one of their own: a read-out never widens the panel, so
    // the plot does not move under the mouse.
    series_->setObjectName(QStringLiteral("seriesList"));
    series_->setColumnCount(2);
    series_->setHeaderHidden(true);
    series_->setRootIsDecorated(false);
    series_->setUniformRowHeights(true);
    series_->setTextElideMode(Qt::ElideRight);
    series_->header()->setStretchLastSection(false);
    series_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    series_->header()->setSectionResizeMode(ValueColumn, QHeaderView::Fixed);
    series_->header()->resizeSection(ValueColumn, fontMetrics().horizontalAdvance(QStringLiteral("-32768.000")) + 12);
    readout_->setObjectName(QStringLiteral("cursorReadout"));
    readout_->setWordWrap(true);
    readout_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    readout_->setFixedHeight(2 * fontMetrics().lineSpacing() + 2); // the list does not move either
    status_->setObjectName(QStringLiteral("trendStatus"));
    auto *sidePanel = new QWidget;
    sidePanel->setFixedWidth(SideWidth);
    auto *side = new QVBoxLayout(sidePanel);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(readout_);
    side->addWidget(series_);
    auto *middle = new QHBoxLayout;
    middle->addWidget(plot_, 1);
    middle->addWidget(sidePanel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addLayout(middle, 1);
    layout->addWidget(status_);

    connect(series_, &QTreeWidget::itemChanged, this, &TrendWindow::onItemChanged);
    connect(series_, &QTreeWidget::currentItemChanged, plot_,
            [this](QTreeWidgetItem *item) { plot_->setSelectedSeries(series_->indexOfTopLevelItem(item)); });
    connect(plot_, &TrendPlot::cursorMoved, this, &TrendWindow::updateReadout);
    // A zoom or a pan may take the cursor line out of sight: the read-out
    // goes with it; and a pan into the past ends following.
    connect(plot_, &TrendPlot::rangeChanged, this, [this] {
        updateReadout();
        updateFollowing();
    });
    setFocusProxy(plot_);
    if (live_) {
        showLive();
    } else {
        plot_->showAll(); // the present hour, not the epoch, before a file is open
        status_->setText(QStringLiteral("Open log files (Alt+O) to show them as curves."));
        updateReadout();
    }
}

void TrendWindow::setProgramTitle(const QString &title)
{
    programTitle_ = title;
    updateTitle();
}

void TrendWindow::updateTitle()
{
    if (programTitle_.isEmpty())
        return; // the monitor's window: "Trend", whatever it shows
    const bool files = files_ && marks_ && plot_->source() == marks_.get(); // the chart, seen through its journal marks
    setWindowTitle(files ? QStringLiteral("%1 - %2").arg(programTitle_, fileList(files_->files())) : programTitle_);
}

void TrendWindow::tell(const QString &text) { prompter_.message(text, programTitle_, Prompter::Icon::Warning); }

void TrendWindow::updateFollowing()
{
    if (liveButton_)
        liveButton_->setChecked(showingLive() && plot_->following());
}

TrendWindow::~TrendWindow() = default; // a reading still running is cancelled and waited for

bool TrendWindow::showingLive() const { return live_ && plot_->source() == live_; }

qint64 TrendWindow::skippedLines() const { return files_ ? files_->skippedLines() : 0; }

void TrendWindow::showLive()
{
    if (!live_)
        return;
    // Back from a log chart, or the monitored channels told since: ticked
    // anew; otherwise the operator's ticks stay.
    if (!showingLive() || (shownAtFirst && !liveTickedByMonitoring_))
        showSource(live_);
    plot_->setFollowing(true);
    status_->setText(QStringLiteral("Live: the PVs of this run, as polled."));
    updateFollowing();
    updateTitle();
}

void TrendWindow::openFiles(const QStringList &paths)
{
    reading_.reset();
    auto reading = std::make_unique<Reading>();
    Reading *r = reading.get();
    // A log that was renamed: the operator says the day it began.
    QHash<QString, QDate> dates;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (trend::LogChart::nameHasDate(path) || !info.isFile())
            continue;
        const QDate suggested = info.lastModified().date();
        const QDate date = askDate ? askDate(path, suggested) : askDateInDialog(this, path, suggested);
        if (date.isValid())
            dates.insert(path, date);
    }
    r->chart->setGivenDates(dates);
    r->number = ++readings_;
    r->thread.reset(QThread::create([r, paths] {
        r->chart->open(paths, &r->error, [r](qint64 done, qint64 total) {
            r->permille = total > 0 ? int(done * 1000 / total) : 0;
            return !r->cancel;
        });
        r->marks = std::make_unique<trend::JournalMarks>(*r->chart);
    }));
    // Its end is noticed by the progress timer, not by a queued signal: a
    // timer never runs inside a step of the main loop, so the chart and a
    // box about the files left out come between two steps.
    reading_ = std::move(reading);
    openButton_->setEnabled(false);
    progress_->setValue(0);
    progress_->show();
    cancelButton_->show();
    status_->setText(QStringLiteral("Reading %1 log file(s)...").arg(paths.size()));
    progressTimer_->start();
    r->thread->start(QThread::LowPriority);
}

void TrendWindow::cancelReading()
{
    if (!reading_)
        return;
    reading_.reset();
    endReading();
    status_->setText(QStringLiteral("Reading the log files was cancelled."));
    emit filesOpened(false);
}

void TrendWindow::showProgress()
{
    if (!reading_)
        return;
    if (reading_->thread->isFinished())
        readingDone(reading_->number);
    else
        progress_->setValue(reading_->permille);
}

void TrendWindow::endReading()
{
    progressTimer_->stop();
    progress_->hide();
    cancelButton_->hide();
    openButton_->setEnabled(true);
}

void TrendWindow::readingDone(quint64 number)
{
    if (!reading_ || reading_->number != number) // an earlier reading, cancelled
        return;
    const std::unique_ptr<Reading> done = std::move(reading_);
    done->thread->wait();
    endReading();
    if (done->chart->cancelled()) {
        status_->setText(QStringLiteral("Reading the log files was cancelled."));
        emit filesOpened(false);
        return;
    }
    if (!done->error.isEmpty()) // the files left out, each with its reason
        tell(done->error);
    if (done->chart->files().isEmpty()) {
        status_->setText(QStringLiteral("No log file could be read."));
        emit filesOpened(false);
        return;
    }
    plot_->setFollowing(false);
    showSource(done->marks.get());
    files_ = std::move(done->chart); // after the plot has let go of the old chart
    marks_ = std::move(done->marks);
    const qint64 skipped = files_->skippedLines();
    status_->setText(QStringLiteral("%1 file(s) shown. %2 line(s) were not records and were skipped.")
                         .arg(files_->files().size())
                         .arg(skipped));
    updateFollowing();
    updateTitle();
    emit filesOpened(true);
}

void TrendWindow::liveGrew()
{
    if (showingLive() && isVisible())
        plot_->sourceGrew();
}

void TrendWindow::showSource(const trend::TrendSource *source)
{
    plot_->setSource(source);
    const QSignalBlocker quiet(series_);
    series_->clear();
    const bool live = source == live_;
    liveTickedByMonitoring_ = live && shownAtFirst;
    for (int s = 0; s < source->seriesCount(); ++s) {
        auto *item = new QTreeWidgetItem(series_, {source->seriesName(s), QString()});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setForeground(0, TrendPlot::seriesColor(s));
        item->setTextAlignment(ValueColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, source->seriesName(s));
        // Live: the monitored channels; a log chart: the channels that hold
        // a value, not the empty ones of channels switched OFF.
        const bool shown = live ? !shownAtFirst || shownAtFirst(s)
                                : source->firstTime() <= source->lastTime()
                && source->envelope(s, source->firstTime(), source->lastTime() + 1, 1).front().hasValue();
        item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
        plot_->setSeriesShown(s, shown);
    }
    updateReadout();
}

void TrendWindow::onItemChanged(QTreeWidgetItem *item, int column)
{
    if (column == 0)
        plot_->setSeriesShown(series_->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
}

void TrendWindow::updateReadout()
{
    const trend::TrendSource *source = plot_->source();
    const std::optional<trend::Millis> cursor = plot_->cursorTime();
    // Only while the cursor line is in sight: no time without its line.
    const bool shown = source && cursor && *cursor >= plot_->from() && *cursor < plot_->to();
    readout_->setText(shown ? QDateTime::fromMSecsSinceEpoch(*cursor).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            : QStringLiteral("Move the mouse over the curves to read them."));
    const QSignalBlocker quiet(series_);
    const QString point = QLocale().decimalPoint(); // as the panels show it
    for (int s = 0; s < series_->topLevelItemCount(); ++s) {
        QString text;
        if (shown && s < source->seriesCount()) {
            // As the instrument showed it: 1.050, 98.40, 1426 (no group separator).
            const float value = source->valueAt(s, *cursor);
            text = std::isnan(value)
                ? QStringLiteral("----")
                : QString::fromLatin1(trend::pvText(value, source->decimals(s, *cursor))).replace(u'.', point);
        }
        series_->topLevelItem(s)->setText(ValueColumn, text);
    }
}

void TrendWindow::chooseFiles()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, QStringLiteral("Open log files"), QStringLiteral("log"),
                                                            QStringLiteral("Log files (*.TXT *.txt);;All files (*)"));
    if (!paths.isEmpty())
        openFiles(paths);
}

void TrendWindow::chooseExport(bool png)
{
    const QString path = QFileDialog::getSaveFileName(
        this, png ? QStringLiteral("Export PNG") : QStringLiteral("Export CSV"), QString(),
        png ? QStringLiteral("PNG images (*.png)") : QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        png ? exportPng(path) : exportCsv(path);
}

QString TrendWindow::rangeText() const
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return QStringLiteral("%1 to %2").arg(QDateTime::fromMSecsSinceEpoch(plot_->from()).toString(format),
                                          QDateTime::fromMSecsSinceEpoch(plot_->to()).toString(format));
}

QImage TrendWindow::reportImage() const
{
    const QPixmap curves = plot_->grab();
    const qreal ratio = curves.devicePixelRatio();
    const int width = qMax(640, qRound(curves.width() / ratio));
    const int curvesHeight = qRound(curves.height() / ratio);
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height() + 4;
    const int margin = 8;

    // The legend: the ticked channels in as many columns as fit.
    QList<int> ticked;
    for (int s = 0; s < series_->topLevelItemCount(); ++s) {
        if (plot_->seriesShown(s))
            ticked.append(s);
    }
    int entryWidth = 0;
    for (const int s : ticked)
        entryWidth = qMax(entryWidth, metrics.horizontalAdvance(series_->topLevelItem(s)->text(0)));
    entryWidth = qMin(entryWidth + line + 2 * margin, width - 2 * margin);
    const int columns = qMax(1, (width - 2 * margin) / qMax(1, entryWidth));
    const int rows = int((ticked.size() + columns - 1) / columns);

    const bool files = files_ && marks_ && plot_->source() == marks_.get(); // the chart, seen through its journal marks
    const QString title = files ? QStringLiteral("VTX-500 trend of %1").arg(fileList(files_->files()))
                                : QStringLiteral("VTX-500 trend: the PVs of this run, as polled");
    const int top = 2 * line + margin;
    QImage image(QSize(width, top + curvesHeight + rows * line + 2 * margin) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(QRect(margin, margin, width - 2 * margin, line), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setFont(font());
    painter.drawText(QRect(margin, margin + line, width - 2 * margin, line), Qt::AlignLeft | Qt::AlignVCenter,
                     rangeText());
    painter.drawPixmap(QPoint(0, top), curves);
    for (qsizetype i = 0; i < ticked.size(); ++i) {
        const int x = margin + int(i % columns) * entryWidth;
        const int y = top + curvesHeight + margin + int(i / columns) * line;
        const QColor colour = TrendPlot::seriesColor(ticked[i]);
        painter.fillRect(QRect(x, y + line / 2 - 2, line - 4, 4), colour);
        painter.setPen(colour.darker(130));
        painter.drawText(QRect(x + line, y, entryWidth - line - margin, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(series_->topLevelItem(ticked[i])->text(0), Qt::ElideRight,
                                            entryWidth - line - margin));
    }
    return image;
}

bool TrendWindow::exportPng(const QString &path)
{
    // Encoded in memory first: the PNG writer is never the one to meet a
    // failed write (it leaks its row buffer when it does).
    QByteArray png;
    QBuffer buffer(&png);
    const bool encoded = buffer.open(QIODevice::WriteOnly) && reportImage().save(&buffer, "PNG");
    QString error = QStringLiteral("the image could not be made");
    if (encoded
        && trend::writeExport(path, [&png](QIODevice &file) { return file.write(png) == png.size(); }, &error))
        return true;
    tell(QStringLiteral("Cannot write the file %1.\n%2").arg(path, error));
    return false;
}

bool TrendWindow::exportCsv(const QString &path)
{
    const trend::TrendSource *source = plot_->source();
    if (!source)
        return false;
    std::vector<int> ticked;
    for (int series = 0; series < source->seriesCount(); ++series) {
        if (plot_->seriesShown(series))
            ticked.push_back(series);
    }
    QString error;
    if (trend::exportCsv(*source, plot_->from(), plot_->to(), ticked, path, &error))
        return true;
    tell(QStringLiteral("Cannot write the file %1.\n%2").arg(path, error));
    return false;
}
